#pragma once

// Keeps the loader from taking DLLs from the program's own folder or the current directory
// (a Downloads folder is where a planted DLL waits). What can be restricted depends on Windows:
//
// - SystemFolderOnly: Windows 8 and later, and Windows Vista/7 with the update that adds
//   SetDefaultDllDirectories (KB2533623): every DLL the process loads by name, and every DLL a
//   loaded DLL imports, comes from the system folder.
// - NoCurrentFolder: Windows XP SP1 and later without that update: SetDllDirectory("") takes
//   the current directory out of the search; the program's own folder stays first in it, so
//   DLLs loaded late are loaded by full path with the search for their own imports starting in
//   the system folder (platform/SystemLibrary_win.h). Static imports are resolved before the
//   program runs: only DLLs that Windows keeps in its known-DLL list are imported.
enum class DllSearch { NoCurrentFolder, SystemFolderOnly };

// Restricts the search as far as the running Windows allows; returns what now holds. Throws
// SystemError where the system cannot be asked (kernel32 not found in the system folder).
DllSearch RestrictDllSearchToSystemFolder();

// What RestrictDllSearchToSystemFolder does where SetDefaultDllDirectories is missing; the DLL
// planting test uses it to stand for Windows XP.
DllSearch RestrictDllSearchWithoutDefaultDirectories() noexcept;

// What the last restriction established (NoCurrentFolder before any).
DllSearch CurrentDllSearch() noexcept;
