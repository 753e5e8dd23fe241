#pragma once

#include <string>

// Starts a program as the person at the desktop, not elevated, through the desktop's own shell:
// the documented way for an elevated program to hand work back to that person (the shell window's
// view, its Shell.Application object, ShellExecute). False when there is no shell to ask.
bool StartAsDesktopUser(const std::wstring& program, const std::wstring& parameters) noexcept;
