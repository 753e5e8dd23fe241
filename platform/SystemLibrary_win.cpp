#include "platform/SystemLibrary_win.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/DllSearch_win.h"
#include "platform/Handles_win.h"
#include "platform/Paths_win.h"
#include "platform/SystemError_win.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace {

// The DLL from the system folder. One GUI thread: no lock. The modules stay loaded until the
// process ends.
HMODULE LoadFromSystemFolder(const wchar_t* dll) {
  static std::vector<std::pair<std::wstring, UniqueModule>> loaded;
  for (const auto& [name, module] : loaded) {
    if (name == dll) {
      return module.Get();
    }
  }
  const std::wstring path = SystemFolder() + L"\\" + dll;
  // LOAD_LIBRARY_SEARCH_SYSTEM32 exists only where SetDefaultDllDirectories does; elsewhere the
  // altered search starts with the DLL's own folder, the system folder, and leaves the
  // program's folder out.
  const DWORD flags = CurrentDllSearch() == DllSearch::SystemFolderOnly
                          ? LOAD_LIBRARY_SEARCH_SYSTEM32
                          : LOAD_WITH_ALTERED_SEARCH_PATH;
  UniqueModule module(LoadLibraryExW(path.c_str(), nullptr, flags));
  if (!module) {
    ThrowFileError(GetLastError(), path);
  }
  const HMODULE handle = module.Get();
  loaded.emplace_back(dll, std::move(module));
  return handle;
}

std::wstring Wide(const char* text) {
  std::wstring wide;
  for (const char* c = text; *c != '\0'; ++c) {
    wide += static_cast<wchar_t>(*c);
  }
  return wide;
}

}  // namespace

FARPROC SystemProcedure(const wchar_t* dll, const char* name) {
  const FARPROC procedure = GetProcAddress(LoadFromSystemFolder(dll), name);
  if (procedure == nullptr) {
    ThrowLastError(L"the function " + Wide(name) + L" in " + dll);
  }
  return procedure;
}

bool WindowsHasFunction(const wchar_t* loadedDll, const char* name) noexcept {
  const HMODULE module = GetModuleHandleW(loadedDll);
  return module != nullptr && GetProcAddress(module, name) != nullptr;
}

bool WindowsHasLibrary(const wchar_t* dll) {
  const std::wstring path = SystemFolder() + L"\\" + dll;
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
    return true;
  }
  const DWORD error = GetLastError();
  if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
    ThrowFileError(error, path);
  }
  return false;
}
