#include "core/AppFolder.h"

#include <algorithm>
#include <iterator>

namespace {

// A program started from a network share can be given its own path in the system's form of the
// share, "\\?\UNC\server\share\..." (Wine 8 even drops the "\\?\"); every path composed from
// it then misses. The share's ordinary name, "\\server\share\...", names the same file.
std::wstring OrdinaryShareName(std::wstring_view path) {
  constexpr std::wstring_view kForms[] = {L"\\\\?\\UNC\\", L"UNC\\"};
  const auto* form = std::find_if(std::begin(kForms), std::end(kForms), [&](std::wstring_view f) {
    return path.substr(0, f.size()) == f;
  });
  if (form == std::end(kForms)) {
    return std::wstring(path);
  }
  return L"\\\\" + std::wstring(path.substr(form->size()));
}

}  // namespace

std::wstring AppFolderFromModulePath(std::wstring_view modulePath) {
  std::wstring path = OrdinaryShareName(modulePath);
  const auto lastSlash = path.find_last_of(L'\\');
  if (lastSlash == std::wstring::npos) {
    return path;
  }
  std::wstring folder = path.substr(0, lastSlash);
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
