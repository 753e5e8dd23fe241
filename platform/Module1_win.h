#pragma once

#include <windows.h>

#include <string>

// Module1, the program's code module of shell functions: each is declared once, here, beside
// the other system calls, for the install flows (the Fonts folder) and the website alike.

// The file-system path of a shell special folder (CSIDL), without a trailing backslash, or the
// empty string when the shell cannot resolve it. `owner` (the main window, for the font copier)
// owns any dialog the shell shows.
std::wstring GetSpecialFolder(const int& folderId, HWND owner);

// The shell's ShellExecuteW, looked up in the system folder; returns what the shell returns. The
// wide call rather than the ANSI one: the program's strings here (the verb, the website's
// address, "C:\") are plain ASCII, so the shell gets the same either way, and the program keeps
// to the wide calls throughout.
HINSTANCE ShellExecuteFromSystemFolder(HWND owner, const wchar_t* operation, const wchar_t* file,
                                       const wchar_t* parameters, const wchar_t* directory,
                                       int showCommand);
