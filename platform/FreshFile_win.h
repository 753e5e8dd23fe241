#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/Handles_win.h"

// Writes `bytes` as a new file at `path`, in place of whatever stood at that name, and never
// through it: the bytes go to a new file of its own beside it, which is then renamed over the
// name through its handle. A file there, a hard link to another file, or a link to a file (even one
// that leads nowhere) is replaced and what it led to stays untouched; a folder there, or a link to
// one, stays too, and the write fails (error 5).
//
// Returns the file opened for reading and shared for reading only, its contents checked to be
// exactly `bytes`: while the handle lives nobody can write, rename or delete it, so whoever
// reads it meanwhile reads these bytes. Where the name cannot be replaced because someone holds
// it so already (another copy of the program, with its own copy of the same text), that file is
// taken as it is when it holds exactly `bytes`. Throws SystemError, its context "the file
// <path>"; nothing is left beside the name then.
UniqueFileHandle WriteFreshFile(const std::wstring& path, std::string_view bytes);
