#pragma once

#include <windows.h>

// Functions of system DLLs that are not loaded at start-up but looked up when first needed, from
// the system folder by full path. A static import would be resolved before the program could
// restrict the DLL search, and the loader could then take the DLL, or one it imports in turn,
// from the program's own folder: a Downloads folder is where a planted DLL waits. The DLL's own
// imports are searched for as platform/DllSearch_win.h describes: in the system folder only
// where Windows allows that, else starting in the system folder (LOAD_WITH_ALTERED_SEARCH_PATH).

// The named function of a DLL in the system folder; the DLL stays loaded for the process's
// life. Throws SystemError where the DLL or the function is missing: a function a program calls
// is one it needs, and its absence is a failure, never a reason to do something else.
FARPROC SystemProcedure(const wchar_t* dll, const char* name);

template <typename Function>
Function SystemFunction(const wchar_t* dll, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(SystemProcedure(dll, name)));
}

// Whether the running Windows has a function that came with a later Windows or an update, for
// the few features where the programs do what the older Windows needs (Windows XP has no
// SetDefaultDllDirectories, Windows 10 before 1511 no IsWow64Process2). Asks only DLLs that
// every process of ours has loaded from its start, from the system folder: kernel32, ntdll
// (in every process) and advapi32 (imported). The function itself is then taken with
// SystemFunction like any other.
bool WindowsHasFunction(const wchar_t* loadedDll, const char* name) noexcept;

// Whether the running Windows has a DLL that came with a later Windows (Windows XP has no
// input.dll): whether the system folder holds the file. Loads nothing; SystemFunction then takes
// its functions like any other. Throws SystemError where the folder cannot be asked.
bool WindowsHasLibrary(const wchar_t* dll);
