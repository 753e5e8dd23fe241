#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Walking what an open registry key holds. A failure other than the end of the list is thrown
// as SystemError with `context` (what the key is, for the user).

// The names of the key's subkeys (the key opened with KEY_ENUMERATE_SUB_KEYS).
std::vector<std::wstring> SubKeyNames(HKEY key, const std::wstring& context);

struct RegistryEntry {
  std::wstring name;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;  // empty where only the names were asked for
};
// The key's values (the key opened with KEY_QUERY_VALUE), with their data when `withData`.
std::vector<RegistryEntry> ValueEntries(HKEY key, const std::wstring& context, bool withData);
