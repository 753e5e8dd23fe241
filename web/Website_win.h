#pragma once

#include <windows.h>

// Opens the maker's website in the user's default browser, as the user at the desktop: the
// desktop's own shell opens it (web/WebsiteRoute.h says why). Only where there is no desktop shell
// does the program open it itself, with `owner` as the window the shell may show anything on.
// Never waits for the browser, never fails: whether the address could be opened is the shell's
// business, not the caller's.
void OpenWebsite(HWND owner) noexcept;
