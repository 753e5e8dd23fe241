#include "platform/Module1_win.h"

#include <windows.h>
// after windows.h
#include <shlobj.h>

#include <memory>

#include "platform/SystemLibrary_win.h"

namespace {

// The shell functions the program calls, declared once here and looked up in the system folder
// when first used (see platform/SystemLibrary_win.h for why they are not imported).
using SHGetSpecialFolderLocationFn = HRESULT(WINAPI*)(HWND, int, LPITEMIDLIST*);
using SHGetPathFromIDListWFn = BOOL(WINAPI*)(LPCITEMIDLIST, LPWSTR);
using CoTaskMemFreeFn = void(WINAPI*)(LPVOID);
using ShellExecuteWFn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);

struct IdListDeleter {
  CoTaskMemFreeFn free;
  void operator()(ITEMIDLIST* list) const noexcept { free(list); }
};
using UniqueIdList = std::unique_ptr<ITEMIDLIST, IdListDeleter>;

}  // namespace

std::wstring GetSpecialFolder(const int& folderId, HWND owner) {
  const auto getLocation =
      SystemFunction<SHGetSpecialFolderLocationFn>(L"shell32.dll", "SHGetSpecialFolderLocation");
  const auto getPath =
      SystemFunction<SHGetPathFromIDListWFn>(L"shell32.dll", "SHGetPathFromIDListW");
  const auto freeIdList = SystemFunction<CoTaskMemFreeFn>(L"ole32.dll", "CoTaskMemFree");

  LPITEMIDLIST found = nullptr;
  if (getLocation(owner, folderId, &found) != S_OK) {
    return {};
  }
  const UniqueIdList list(found, IdListDeleter{freeIdList});
  // The Unicode entry point: the ANSI one would garble a path outside the system code page.
  wchar_t path[MAX_PATH] = {};
  if (!getPath(list.get(), path)) {
    return {};
  }
  return path;
}

HINSTANCE ShellExecuteFromSystemFolder(HWND owner, const wchar_t* operation, const wchar_t* file,
                                       const wchar_t* parameters, const wchar_t* directory,
                                       int showCommand) {
  const auto shellExecute = SystemFunction<ShellExecuteWFn>(L"shell32.dll", "ShellExecuteW");
  return shellExecute(owner, operation, file, parameters, directory, showCommand);
}
