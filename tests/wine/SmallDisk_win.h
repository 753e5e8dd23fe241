#pragma once
// The small disk OnASmallDisk.sh puts under some folders of the prefix: a tmpfs whose size the
// test sets, so that a write past the room it leaves fails part way, as on a full disk.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "UiDriver_win.h"

namespace small_disk {

// Whether this run has the small disk (the tests that need it run only there).
inline bool Present() { return GetEnvironmentVariableW(L"TIUP_SMALL_DISK", nullptr, 0) != 0; }

// Leaves `kib` KiB free on the small disk; a root's remount of the tmpfs in the run's own mount
// namespace, through bash (the tmpfs's path has no spaces; Wine starts a Unix program but cannot
// wait for one: the exit code comes back in a file). True when the disk now has that room.
inline bool LeaveRoom(unsigned kib) {
  const std::wstring result = ui::ArtefactsFolder() + L"\\small-disk.result";
  DeleteFileW(result.c_str());
  const auto unix = [](const std::wstring& path) {
    using Convert = char*(CDECL*)(LPCWSTR);
    const auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = convert != nullptr ? convert(path.c_str()) : nullptr;
    std::string text = name != nullptr ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return text;
  };
  const std::string script =
      "used=$(df --output=used -k $TIUP_SMALL_DISK | tail -1) && mount -o remount,size=$((used + " +
      std::to_string(kib) + "))k $TIUP_SMALL_DISK; echo $? > '" + unix(result) + "'";
  std::wstring commandLine = L"/bin/bash -c \"" + std::filesystem::path(script).wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  std::string status;
  ui::WaitUntil(
      [&] {
        std::ifstream in{std::filesystem::path(result)};
        return static_cast<bool>(std::getline(in, status));
      },
      std::chrono::seconds(30));
  return status == "0";
}

}  // namespace small_disk
