#pragma once

// Snapshots of what a user has (registry keys value by value, folders file by file) and their
// differences, to prove that a run changed only what it should.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Handles_win.h"
#include "platform/RegistryKey_win.h"
#include "platform/SystemError.h"

using Snapshot = std::map<std::wstring, std::wstring>;

// Where a test finds what setup of its own bitness installs, as Windows shows it to such a
// program: a 32-bit process on 64-bit Windows sees SysWOW64 under the name System32 and reaches
// the real one as Sysnative, its Program Files is "Program Files (x86)", and its registry is the
// 32-bit view unless it asks for the 64-bit one, where setup writes the machine's keys.
namespace machine {

inline bool TestUnderWow64() {
  BOOL wow64 = FALSE;
  return sizeof(void*) == 4 && IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}
inline std::wstring WindowsFolder() {
  wchar_t folder[MAX_PATH] = {};
  GetSystemWindowsDirectoryW(folder, MAX_PATH);
  return folder;
}
inline std::wstring RealSystem32() {
  return WindowsFolder() + (TestUnderWow64() ? L"\\Sysnative" : L"\\System32");
}
inline std::wstring SysWow64() { return WindowsFolder() + L"\\SysWOW64"; }
// Program Files as setup of this bitness sees it, and setup's own folder there.
inline std::wstring ProgramFiles() {
  wchar_t folder[MAX_PATH] = {};
  GetEnvironmentVariableW(L"ProgramFiles", folder, MAX_PATH);
  return folder;
}
inline std::wstring SetupFolder() { return ProgramFiles() + L"\\Tamlorix Urdu Phonetic Keyboard"; }

// A value of a key in the 64-bit view (what RRF_SUBKEY_WOW6464KEY does from Windows 8 on).
inline bool ReadValue64(HKEY root, const std::wstring& key, const wchar_t* name, DWORD types,
                        void* data, DWORD size) {
  HKEY raw = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &raw) !=
      ERROR_SUCCESS) {
    return false;
  }
  const UniqueRegKey handle(raw);
  return RegGetValueW(handle.Get(), nullptr, name, types, nullptr, data, &size) == ERROR_SUCCESS;
}
inline std::optional<std::wstring> ReadString(HKEY root, const std::wstring& key,
                                              const wchar_t* name) {
  wchar_t buffer[2048] = {};
  if (!ReadValue64(root, key, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, buffer,
                   sizeof buffer)) {
    return std::nullopt;
  }
  return std::wstring(buffer);
}
inline std::optional<DWORD> ReadNumber(HKEY root, const std::wstring& key, const wchar_t* name) {
  DWORD value = 0;
  if (!ReadValue64(root, key, name, RRF_RT_REG_DWORD, &value, sizeof value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace machine

inline std::string SnapshotFileBytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The registry below a key, value by value, as text; with the key's own existence recorded.
inline void DumpKey(HKEY root, const std::wstring& rootName, const std::wstring& path,
                    Snapshot& out) {
  HKEY raw = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &raw) != ERROR_SUCCESS) {
    return;
  }
  UniqueRegKey key(raw);
  const std::wstring name = rootName + L"\\" + path;
  out[name + L"\\"] = L"(key)";
  std::vector<RegistryEntry> values;
  std::vector<std::wstring> subkeys;
  try {
    values = ValueEntries(key.Get(), name, true);
    subkeys = SubKeyNames(key.Get(), name);
  } catch (const SystemError& error) {
    // A key Windows will not list (Wine's performance-data keys): recorded as such, the same
    // before and after.
    out[name + L"\\"] = L"(key, unreadable: error " + std::to_wstring(error.Number()) + L")";
  }
  static constexpr wchar_t kHex[] = L"0123456789abcdef";
  for (const auto& value : values) {
    std::wstring text = std::to_wstring(value.type) + L":";
    for (const BYTE b : value.data) {
      text += kHex[b >> 4];
      text += kHex[b & 15];
    }
    out[name + L"|" + value.name] = text;
  }
  for (const auto& subkey : subkeys) {
    DumpKey(root, rootName, path.empty() ? subkey : path + L"\\" + subkey, out);
  }
}

// A folder's files with their sizes (and the contents of our layout file, or of every file),
// optionally recursive.
inline void DumpFolder(const std::wstring& folder, bool recursive, Snapshot& out,
                       bool hashEveryFile = false) {
  WIN32_FIND_DATAW data;
  UniqueFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find) {
    return;
  }
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") {
      continue;
    }
    const std::wstring path = folder + L"\\" + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out[path + L"\\"] = L"(folder)";
      if (recursive) {
        DumpFolder(path, true, out, hashEveryFile);
      }
    } else {
      out[path] = std::to_wstring(data.nFileSizeLow);
      if (hashEveryFile || _wcsnicmp(name.c_str(), L"kbdurph", 7) == 0) {
        const std::string bytes = SnapshotFileBytes(path);
        out[path] += L" " + std::to_wstring(std::hash<std::string>{}(bytes));
      }
    }
  } while (FindNextFileW(find.Get(), &data));
}

// Differences in a form a reader can act on.
inline std::wstring Diff(const Snapshot& before, const Snapshot& after) {
  std::wstring text;
  for (const auto& [k, v] : before) {
    auto it = after.find(k);
    if (it == after.end()) {
      text += L"  gone: " + k + L"\n";
    } else if (it->second != v) {
      text += L"  changed: " + k + L"\n";
    }
  }
  for (const auto& [k, v] : after) {
    if (!before.count(k)) {
      text += L"  added: " + k + L"\n";
    }
  }
  return text;
}
#define EXPECT_SAME_STATE(before, after)                                \
  do {                                                                  \
    const std::wstring diff = Diff(before, after);                      \
    EXPECT_TRUE(diff.empty()) << "machine state differs:\n"             \
                              << std::string(diff.begin(), diff.end()); \
  } while (false)
