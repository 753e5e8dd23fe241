#include "app/AppFolder.h"

std::wstring AppFolderFromModulePath(std::wstring_view modulePath) {
  // A program started from a network share can be given its own path in the system's form of
  // the share, "\\?\UNC\server\share\..." (Wine 8 even drops the "\\?\"); every path composed
  // from it then misses. The share's ordinary name, "\\server\share\...", names the same file.
  for (const std::wstring_view form :
       {std::wstring_view(L"\\\\?\\UNC\\"), std::wstring_view(L"UNC\\")}) {
    if (modulePath.substr(0, form.size()) == form) {
      return AppFolderFromModulePath(L"\\\\" + std::wstring(modulePath.substr(form.size())));
    }
  }
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
