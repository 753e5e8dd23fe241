#include "platform/NtPath.h"

std::wstring NtPathName(std::wstring_view fullPath) {
  std::wstring name = L"\\??\\";
  if (fullPath.substr(0, 4) == L"\\\\?\\" || fullPath.substr(0, 4) == L"\\\\.\\") {
    return name + std::wstring(fullPath.substr(4));  // taken as it is, by definition
  }
  if (fullPath.substr(0, 2) == L"\\\\") {
    name += L"UNC";
    fullPath.remove_prefix(1);  // the second backslash starts "\server\share"
  }
  for (const wchar_t c : fullPath) {
    if (c != L'\\' || name.back() != L'\\') {
      name += c;
    }
  }
  return name;
}
