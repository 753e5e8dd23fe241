#pragma once

// GoogleTest's own Notification is built on std::mutex and std::condition_variable, which the
// win32-thread-model MinGW (GCC 12) lacks; this one is an event. GoogleTest uses it only to
// start the threads of its own thread-safety checks. Forced into every file that sees gtest
// (tests/CMakeLists.txt), together with GTEST_HAS_NOTIFICATION_.
#include <windows.h>

namespace testing::internal {

class Notification {
 public:
  Notification() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { CloseHandle(event_); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { SetEvent(event_); }
  void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};

}  // namespace testing::internal
