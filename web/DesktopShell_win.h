#pragma once

// The desktop's own shell (the process that draws the desktop and runs as the user at it), asked
// to do the shell's "ShellExecute" there, the documented way for a program with administrator
// rights to open something as the desktop's user: the desktop's shell window (ShellWindows,
// FindWindowSW), its browser, the browser's view, the view's background object and its
// Application, whose ShellExecute runs in the shell's process.

// Asks the desktop's shell to open `file` as the shell's ShellExecute does. False when no
// desktop shell could be reached, and nothing was asked. True once the shell was asked, whatever
// it answered: the request may have been carried out all the same, and must not be repeated.
bool ShellExecuteOnDesktop(const wchar_t* file, const wchar_t* operation, const wchar_t* directory,
                           int showCommand) noexcept;
