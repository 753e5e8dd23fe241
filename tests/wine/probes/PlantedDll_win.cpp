// A DLL an attacker could leave beside the program, copied under the names of system DLLs. When
// any process loads it, it leaves a marker file named after itself in the folder that
// TIUP_PLANT_MARKERS names, so a test can tell it was loaded.
#include <windows.h>

#include <string>

namespace {

std::wstring FileNameOf(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

void LeaveMarker(HMODULE self) {
  wchar_t folder[MAX_PATH];
  const DWORD folderLength = GetEnvironmentVariableW(L"TIUP_PLANT_MARKERS", folder, MAX_PATH);
  if (folderLength == 0 || folderLength >= MAX_PATH) {
    return;
  }
  wchar_t ownPath[MAX_PATH];
  const DWORD ownLength = GetModuleFileNameW(self, ownPath, MAX_PATH);
  if (ownLength == 0 || ownLength >= MAX_PATH) {
    return;
  }
  wchar_t loaderPath[MAX_PATH];
  const DWORD loaderLength = GetModuleFileNameW(nullptr, loaderPath, MAX_PATH);
  const std::wstring marker =
      std::wstring(folder) + L"\\" + FileNameOf(std::wstring(ownPath, ownLength)) + L".loaded";
  const HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return;
  }
  // Which program loaded it, for the test's message.
  DWORD written = 0;
  WriteFile(file, loaderPath, loaderLength * sizeof(wchar_t), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    LeaveMarker(self);
  }
  return TRUE;
}
