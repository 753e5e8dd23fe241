#include "platform/Paths_win.h"

#include <windows.h>

#include "platform/SystemError_win.h"

namespace {

// A folder from a call that returns the length it wrote, or the size it needs (with the
// terminator) where the buffer is too small, or 0 on failure.
template <typename Query>
std::wstring FolderFrom(Query query, const wchar_t* context) {
  std::wstring folder(MAX_PATH, L'\0');
  for (;;) {
    const UINT length = query(folder.data(), static_cast<UINT>(folder.size()));
    if (length == 0) {
      ThrowLastError(context);
    }
    if (length < folder.size()) {
      folder.resize(length);
      return folder;
    }
    folder.resize(length);
  }
}

}  // namespace

std::wstring SystemFolder() { return FolderFrom(GetSystemDirectoryW, L"the system folder"); }

std::wstring WindowsFolder() {
  return FolderFrom(GetSystemWindowsDirectoryW, L"the Windows folder");
}

std::wstring ProgramPath() {
  // Long paths are possible; the buffer grows until the whole name fits (Windows XP cuts the
  // name to the buffer without saying so, other than by filling it).
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) {
      ThrowLastError(L"this program's own path");
    }
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}
