// Stands in for Windows' input.dll (Windows Vista and later have it; Wine has none), placed in
// the Wine prefix's system folder by the tests so that setup takes the branch Windows 7 to 11
// take. It records each InstallLayoutOrTip call as one line, `"<profile>" <flags>`, in the file
// named by TIUP_INPUT_LOG, and returns FALSE, as the real one may, for a call whose flags are
// listed in TIUP_INPUT_REFUSE ("0", "1" or "0,1").
#include <windows.h>

#include <string>

namespace {

std::wstring Environment(const wchar_t* name) {
  wchar_t value[1024] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, 1024);
  return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

void Record(const std::wstring& line) {
  const std::wstring log = Environment(L"TIUP_INPUT_LOG");
  if (log.empty()) {
    return;
  }
  const HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return;
  }
  char utf8[1024];
  const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()),
                                       utf8, sizeof utf8, nullptr, nullptr);
  DWORD written = 0;
  WriteFile(file, utf8, static_cast<DWORD>(size), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

extern "C" BOOL WINAPI InstallLayoutOrTip(LPCWSTR profile, DWORD flags) {
  const std::wstring flagsText = std::to_wstring(flags);
  Record(L"\"" + std::wstring(profile != nullptr ? profile : L"(null)") + L"\" " + flagsText +
         L"\n");
  const std::wstring refused = L"," + Environment(L"TIUP_INPUT_REFUSE") + L",";
  return refused.find(L"," + flagsText + L",") == std::wstring::npos ? TRUE : FALSE;
}
