#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/SystemError.h"

// The system's own text for an error number, without the trailing line end.
std::wstring SystemErrorText(DWORD number);

// Turns the calling thread's last error into a SystemError; `context` says what failed.
[[noreturn]] void ThrowLastError(std::wstring_view context);
[[noreturn]] void ThrowSystemError(DWORD number, std::wstring_view context);
