#include "windows/AccessKeys.h"

#include <cwctype>
#include <vector>

namespace {

wchar_t Upper(wchar_t c) {
  return static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
}

}  // namespace

wchar_t AccessKeyOf(std::wstring_view caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != L'&') {
      continue;
    }
    if (caption[i + 1] == L'&') {
      ++i;
      continue;
    }
    return Upper(caption[i + 1]);
  }
  return 0;
}

std::wstring DisplayCaption(std::wstring_view caption) {
  std::wstring shown;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == L'&' && i + 1 < caption.size()) {
      ++i;
    }
    shown += caption[i];
  }
  return shown;
}

std::optional<AccessKeyTarget> FindAccessKeyTarget(
    std::span<const std::wstring_view> captionsInTabOrder, std::optional<std::size_t> focused,
    wchar_t key) {
  if (key == 0) {
    return std::nullopt;
  }
  key = Upper(key);
  std::vector<std::size_t> owners;
  for (std::size_t i = 0; i < captionsInTabOrder.size(); ++i) {
    if (AccessKeyOf(captionsInTabOrder[i]) == key) {
      owners.push_back(i);
    }
  }
  if (owners.empty()) {
    return std::nullopt;
  }
  if (owners.size() == 1) {
    return AccessKeyTarget{owners.front(), true};
  }
  if (focused) {
    for (std::size_t owner : owners) {
      if (owner > *focused) {
        return AccessKeyTarget{owner, false};
      }
    }
  }
  return AccessKeyTarget{owners.front(), false};
}
