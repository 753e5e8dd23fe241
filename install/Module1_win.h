#pragma once

#include <string>

// The code module of the shell look-ups.

// The file-system path of a shell special folder (CSIDL), without a trailing backslash, or the
// empty string when the shell cannot resolve it. The main window owns any dialog the shell
// shows.
std::wstring GetSpecialFolder(const int& folderId);
