// Forced into every source that includes GoogleTest in the Windows builds,
// whose toolchains' thread model (win32) has no std::mutex: GoogleTest's
// Notification, the one class of it that needs std::mutex and
// std::condition_variable, in their place. GoogleTest uses it only to start
// the threads of its own tests; the Wine tests never do.
#pragma once

#include <atomic>
#include <thread>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
public:
    void Notify() { notified_ = true; }
    void WaitForNotification()
    {
        while (!notified_) std::this_thread::yield();
    }

private:
    std::atomic<bool> notified_{false};  // (and so neither copied nor assigned)
};

}  // namespace testing::internal
