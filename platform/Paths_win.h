#pragma once

#include <string>

// Where Windows and the running program are, for both programs. Each throws SystemError where
// the system cannot say.

// The system folder ("C:\Windows\System32"), without a trailing backslash. A 32-bit program on
// 64-bit Windows is told this name too, and the system sends what it opens there to SysWOW64.
std::wstring SystemFolder();

// The Windows folder ("C:\Windows"): the machine's own, also on a terminal server.
std::wstring WindowsFolder();

// The full path of the running program's own file.
std::wstring ProgramPath();
