#include "platform/DllSearch_win.h"

#include <windows.h>

#include "platform/SystemLibrary_win.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace {

DllSearch current = DllSearch::NoCurrentFolder;

}  // namespace

DllSearch RestrictDllSearchToSystemFolder() {
  // Looked up, not imported: Windows XP, Vista and 7 without KB2533623 lack it, and their loader
  // would refuse to start a program that imports it.
  if (!WindowsHasFunction(L"kernel32.dll", "SetDefaultDllDirectories")) {
    return RestrictDllSearchWithoutDefaultDirectories();
  }
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const auto setDefault =
      SystemFunction<SetDefaultDllDirectoriesFn>(L"kernel32.dll", "SetDefaultDllDirectories");
  // Refused (a Windows that knows the function but not the flag): what every Windows since XP
  // SP1 allows.
  if (!setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    return RestrictDllSearchWithoutDefaultDirectories();
  }
  SetDllDirectoryW(L"");
  current = DllSearch::SystemFolderOnly;
  return current;
}

DllSearch RestrictDllSearchWithoutDefaultDirectories() noexcept {
  // Windows XP SP1 and later.
  SetDllDirectoryW(L"");
  current = DllSearch::NoCurrentFolder;
  return current;
}

DllSearch CurrentDllSearch() noexcept { return current; }
