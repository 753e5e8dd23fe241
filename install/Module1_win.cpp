#include "install/Module1_win.h"

#include <windows.h>
// after windows.h
#include <shlobj.h>

#include <memory>

#include "windows/frmMain_win.h"

namespace {

struct CoTaskMemDeleter {
  void operator()(ITEMIDLIST* list) const noexcept { CoTaskMemFree(list); }
};
using UniqueIdList = std::unique_ptr<ITEMIDLIST, CoTaskMemDeleter>;

}  // namespace

std::wstring GetSpecialFolder(const int& folderId) {
  const frmMain* main = frmMain::Instance();
  const HWND owner = main != nullptr ? main->Handle() : nullptr;
  LPITEMIDLIST found = nullptr;
  if (SHGetSpecialFolderLocation(owner, folderId, &found) != S_OK) {
    return {};
  }
  const UniqueIdList list(found);
  // The Unicode entry point: the ANSI one would garble a path outside the system code page.
  wchar_t path[MAX_PATH] = {};
  if (!SHGetPathFromIDListW(list.get(), path)) {
    return {};
  }
  return path;
}
