#include "platform/SystemLibrary_win.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/Handles_win.h"
#include "platform/SystemError_win.h"

namespace {

HMODULE LoadFromSystemFolder(const wchar_t* dll) {
  // One GUI thread: no lock. The modules stay loaded until the process ends.
  static std::vector<std::pair<std::wstring, UniqueModule>> loaded;
  for (const auto& [name, module] : loaded) {
    if (name == dll) {
      return module.Get();
    }
  }
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    ThrowLastError(L"Finding the system folder");
  }
  const std::wstring path = std::wstring(folder, length) + L"\\" + dll;
  UniqueModule module(LoadLibraryW(path.c_str()));
  if (!module) {
    ThrowLastError(L"Loading " + path);
  }
  const HMODULE handle = module.Get();
  loaded.emplace_back(dll, std::move(module));
  return handle;
}

}  // namespace

FARPROC SystemProcedure(const wchar_t* dll, const char* name) {
  const FARPROC procedure = GetProcAddress(LoadFromSystemFolder(dll), name);
  if (procedure == nullptr) {
    std::wstring wideName;
    for (const char* c = name; *c != '\0'; ++c) {
      wideName += static_cast<wchar_t>(*c);
    }
    ThrowLastError(L"Finding " + wideName + L" in " + dll);
  }
  return procedure;
}
