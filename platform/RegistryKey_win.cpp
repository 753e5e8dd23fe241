#include "platform/RegistryKey_win.h"

#include "platform/SystemError_win.h"

std::vector<std::wstring> SubKeyNames(HKEY key, const std::wstring& context) {
  std::vector<std::wstring> names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];  // the longest key name the registry allows, plus the terminator
    DWORD length = static_cast<DWORD>(std::size(name));
    const LSTATUS status =
        RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) {
      return names;
    }
    if (status != ERROR_SUCCESS) {
      ThrowSystemError(static_cast<DWORD>(status), context);
    }
    names.emplace_back(name, length);
  }
}

std::vector<RegistryEntry> ValueEntries(HKEY key, const std::wstring& context, bool withData) {
  std::vector<RegistryEntry> entries;
  // The longest value name the registry allows, plus the terminator.
  std::vector<wchar_t> name(16384);
  std::vector<BYTE> data(withData ? 4096 : 0);
  for (DWORD index = 0;;) {
    DWORD length = static_cast<DWORD>(name.size());
    DWORD size = static_cast<DWORD>(data.size());
    DWORD type = REG_NONE;
    const LSTATUS status =
        RegEnumValueW(key, index, name.data(), &length, nullptr, &type,
                      withData ? data.data() : nullptr, withData ? &size : nullptr);
    if (status == ERROR_NO_MORE_ITEMS) {
      return entries;
    }
    if (status == ERROR_MORE_DATA && withData && size > data.size()) {
      data.resize(size);
      continue;  // the same value again, with room for it
    }
    if (status != ERROR_SUCCESS) {
      ThrowSystemError(static_cast<DWORD>(status), context);
    }
    RegistryEntry entry{std::wstring(name.data(), length), type, {}};
    if (withData) {
      entry.data.assign(data.data(), data.data() + size);
    }
    entries.push_back(std::move(entry));
    ++index;
  }
}
