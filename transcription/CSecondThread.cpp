#include "CSecondThread.h"

#include <system_error>
#include <utility>

CSecondThread::CSecondThread(std::function<void()> work) {
    try {
        m_thread = std::jthread([this, work = std::move(work)] {
            try {
                work();
            } catch (...) {
                m_failed = std::current_exception();
            }
        });
        m_bStarted = true;
    } catch (const std::system_error&) {
        // No thread to be had: the caller does the work itself.
    }
}

CSecondThread::~CSecondThread() = default;

void CSecondThread::Join() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
    if (m_failed) {
        std::rethrow_exception(std::exchange(m_failed, nullptr));
    }
}
