// The second thread that reads half of a recording must not end the program when it runs out of
// memory: what it threw reaches the caller, which answers with its German message.
#include <gtest/gtest.h>

#include <new>

#include "CSecondThread.h"

TEST(TranscriptionSecondThread, WhatTheWorkThrowsReachesTheCallerOnce) {
    bool bDone = false;
    CSecondThread done([&] { bDone = true; });
    ASSERT_TRUE(done.Started());
    done.Join();
    EXPECT_TRUE(bDone);

    CSecondThread failing([] { throw std::bad_alloc(); });
    ASSERT_TRUE(failing.Started());
    EXPECT_THROW(failing.Join(), std::bad_alloc);
    EXPECT_NO_THROW(failing.Join());
}
