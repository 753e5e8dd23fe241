#include "setup/SystemReads.h"

#include <utility>

#include "platform/SystemError.h"

namespace {
constexpr std::uint32_t kErrorFileNotFound = 2;
}  // namespace

Bytes ReadRequiredFile(SetupSystem& system, const std::wstring& path) {
  auto bytes = system.FileContents(path);
  if (!bytes) {
    throw SystemError(kErrorFileNotFound, L"The file is missing.", L"the file " + path);
  }
  return std::move(*bytes);
}

std::optional<RegValue> ReadIfThere(SetupSystem& system, RegRoot root, const std::wstring& key,
                                    const std::wstring& name) {
  return system.KeyExists(root, key) ? system.ReadValue(root, key, name) : std::nullopt;
}

NamedValues ReadNamedValues(SetupSystem& system, RegRoot root, const std::wstring& key) {
  NamedValues values;
  if (!system.KeyExists(root, key)) {
    return values;
  }
  for (const auto& name : system.ValueNames(root, key)) {
    if (auto value = system.ReadValue(root, key, name); value && value->type == RegType::String) {
      values.emplace_back(name, value->text);
    }
  }
  return values;
}
