#pragma once

#include <string>
#include <string_view>

// The folder of the running program, from the program's full path: everything before the last
// backslash, except that a program at a drive root keeps the root's backslash ("C:\").
std::wstring AppFolderFromModulePath(std::wstring_view modulePath);

// A path into the distribution folder: the folder followed directly by a suffix that begins
// with a backslash. At a drive root this gives a doubled backslash ("C:\\lyurdu"), which the
// system accepts; nothing is normalised.
std::wstring InAppFolder(std::wstring_view appFolder, std::wstring_view suffix);
