#include "platform/WindowsVersion_win.h"

#include <windows.h>

WindowsVersion RunningWindows() noexcept {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);  // the structure every Windows since NT knows
  if (!GetVersionExW(&info)) {
    return {5, 1};  // the oldest Windows the program is for: the sizes every Windows accepts
  }
  return {info.dwMajorVersion, info.dwMinorVersion};
}
