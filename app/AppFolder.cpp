#include "app/AppFolder.h"

std::wstring AppFolderFromModulePath(std::wstring_view modulePath) {
  const auto lastSlash = modulePath.find_last_of(L'\\');
  if (lastSlash == std::wstring_view::npos) {
    return std::wstring(modulePath);
  }
  std::wstring folder(modulePath.substr(0, lastSlash));
  // "C:" alone names the drive's current directory, not its root.
  if (folder.size() == 2 && folder[1] == L':') {
    folder += L'\\';
  }
  return folder;
}

std::wstring InAppFolder(std::wstring_view appFolder, std::wstring_view suffix) {
  std::wstring path(appFolder);
  path += suffix;
  return path;
}
