#pragma once

#include <string>

// The desktop's own shell (the process that draws the desktop and runs as the user at it), asked
// to do the shell's "ShellExecute" there, the documented way for a program with administrator
// rights to open something as the desktop's user: the desktop's shell window (ShellWindows,
// FindWindowSW), its browser, the browser's view, the view's background object and its
// Application, whose ShellExecute runs in the shell's process.

// Both programs use it: the program opens the website there, setup.exe starts the desktop
// person's own part of the layout's install.

enum class DesktopShellAnswer {
  NoShell,  // no desktop shell could be reached: nothing was asked
  Refused,  // the shell was asked and said it failed; it may have done it all the same
  Done,     // the shell was asked and said it did it
};

// Asks the desktop's shell to do `operation` ("open") on `file` with `parameters` (none where
// empty) in `directory`, as the shell's ShellExecute does. Needs a COM apartment on the calling
// thread (platform/Com_win.h). Throws SystemError where COM itself is missing.
DesktopShellAnswer ShellExecuteOnDesktop(const std::wstring& file, const std::wstring& parameters,
                                         const std::wstring& directory, const wchar_t* operation,
                                         int showCommand);
