#pragma once

#include <windows.h>

// Functions of system DLLs that are not loaded at start-up but looked up when first needed, from
// the system folder by full path. A static import would be resolved before the program could
// restrict the DLL search, and the loader could then take the DLL, or one it imports in turn,
// from the program's own folder: a Downloads folder is where a planted DLL waits. The DLL's own
// imports are searched for as platform/DllSearch_win.h describes: in the system folder only
// where Windows allows that, else starting in the system folder (LOAD_WITH_ALTERED_SEARCH_PATH).

// The named function of a DLL in the system folder; the DLL stays loaded for the process's
// life. Throws SystemError when the DLL or the function cannot be found.
FARPROC SystemProcedure(const wchar_t* dll, const char* name);

template <typename Function>
Function SystemFunction(const wchar_t* dll, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(SystemProcedure(dll, name)));
}

// The same for a function that older Windows lack (a newer DLL, or a newer function of an old
// one): null where the DLL or the function is missing, so that the caller does what that
// Windows needs instead.
FARPROC SystemProcedureIfPresent(const wchar_t* dll, const char* name) noexcept;

template <typename Function>
Function SystemFunctionIfPresent(const wchar_t* dll, const char* name) noexcept {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(SystemProcedureIfPresent(dll, name)));
}
