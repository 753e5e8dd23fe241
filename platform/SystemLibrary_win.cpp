#include "platform/SystemLibrary_win.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/DllSearch_win.h"
#include "platform/Handles_win.h"
#include "platform/SystemError_win.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace {

// The DLL from the system folder, or null with the system's error and the step that failed. One
// GUI thread: no lock. The modules stay loaded until the process ends.
HMODULE LoadFromSystemFolder(const wchar_t* dll, std::wstring& step) {
  static std::vector<std::pair<std::wstring, UniqueModule>> loaded;
  for (const auto& [name, module] : loaded) {
    if (name == dll) {
      return module.Get();
    }
  }
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    step = L"Finding the system folder";
    return nullptr;
  }
  const std::wstring path = std::wstring(folder, length) + L"\\" + dll;
  step = L"Loading " + path;
  // LOAD_LIBRARY_SEARCH_SYSTEM32 exists only where SetDefaultDllDirectories does; elsewhere the
  // altered search starts with the DLL's own folder, the system folder, and leaves the
  // program's folder out.
  const DWORD flags = CurrentDllSearch() == DllSearch::SystemFolderOnly
                          ? LOAD_LIBRARY_SEARCH_SYSTEM32
                          : LOAD_WITH_ALTERED_SEARCH_PATH;
  UniqueModule module(LoadLibraryExW(path.c_str(), nullptr, flags));
  if (!module) {
    return nullptr;
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
  std::wstring step;
  const HMODULE module = LoadFromSystemFolder(dll, step);
  if (module == nullptr) {
    ThrowLastError(step);
  }
  const FARPROC procedure = GetProcAddress(module, name);
  if (procedure == nullptr) {
    ThrowLastError(L"Finding " + Wide(name) + L" in " + dll);
  }
  return procedure;
}

FARPROC SystemProcedureIfPresent(const wchar_t* dll, const char* name) noexcept {
  try {
    std::wstring step;
    const HMODULE module = LoadFromSystemFolder(dll, step);
    return module != nullptr ? GetProcAddress(module, name) : nullptr;
  } catch (...) {
    return nullptr;  // out of memory for the path: as good as missing
  }
}
