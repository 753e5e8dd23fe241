#pragma once

#include <string>
#include <string_view>

// The system's own (NT) name for a full Win32 path, as ntdll's calls take it: "C:\dir\file" is
// "\??\C:\dir\file", "\\server\share\file" is "\??\UNC\server\share\file", and a path already
// in the system's form ("\\?\..." or "\\.\...") keeps its rest after "\??\". Runs of
// backslashes count as one ("T:\\install.vbs", a file at a drive's root, as paths composed
// from the program's folder have it), which Win32 calls would have done for it.
std::wstring NtPathName(std::wstring_view fullPath);
