#pragma once

#include <exception>
#include <functional>
#include <thread>

// Work done on a thread of its own beside the calling thread's, where a thread can be had.
// What the work throws (no memory left) reaches the caller through Join, as if thrown on the
// calling thread, instead of ending the program.
class CSecondThread {
public:
    // Started() tells whether a thread could be had; where not, work has not been done.
    explicit CSecondThread(std::function<void()> work);
    // Waits for the work, whatever it threw.
    ~CSecondThread();
    CSecondThread(const CSecondThread&) = delete;
    CSecondThread& operator=(const CSecondThread&) = delete;

    bool Started() const { return m_bStarted; }
    // Waits for the work and throws what it threw.
    void Join();

private:
    std::exception_ptr m_failed;  // destroyed after the thread is joined
    bool m_bStarted = false;
    std::jthread m_thread;
};
