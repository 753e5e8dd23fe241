#include "platform/DllSearch_win.h"

#include <windows.h>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace {

DllSearch current = DllSearch::NoCurrentFolder;

}  // namespace

DllSearch RestrictDllSearchToSystemFolder() noexcept {
  // Looked up, not imported: Windows XP, Vista and 7 without KB2533623 lack it, and their loader
  // would refuse to start a program that imports it. kernel32 is loaded in every process, from
  // the system folder.
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDefault == nullptr || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
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
