#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/SystemError.h"

// The system's own text for an error number, without the trailing line end.
std::wstring SystemErrorText(DWORD number);

// Turns the calling thread's last error into a SystemError; `context` names what the failed
// step concerned (SystemError::Context).
[[noreturn]] void ThrowLastError(std::wstring_view context);
[[noreturn]] void ThrowSystemError(DWORD number, std::wstring_view context);
// The same for a step on a file: its context is "the file <path>".
[[noreturn]] void ThrowFileError(DWORD number, std::wstring_view path);
