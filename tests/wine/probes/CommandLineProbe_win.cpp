// Stands in for a program the installer starts (the layout's setup program, the script host)
// or for one planted to be started by mistake: it appends its own path and the command line
// it was given to the log named by TIUP_PROBE_LOG, one UTF-8 line each, and exits.
#include <windows.h>

#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length,
                      nullptr, nullptr);
  return bytes;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t self[MAX_PATH * 2] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
  wchar_t log[MAX_PATH * 2] = {};
  if (GetEnvironmentVariableW(L"TIUP_PROBE_LOG", log, MAX_PATH * 2) == 0) {
    // Started without the test's environment: leave the trace beside the probe.
    wcscpy(log, self);
    wcscat(log, L".log");
  }
  STARTUPINFOW startup{};
  GetStartupInfoW(&startup);
  const std::string line =
      Utf8(std::wstring(self) + L"\t" + GetCommandLineW() + L"\t" +
           std::to_wstring((startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1)) +
      "\n";
  // Two probes may start at once: retry while the other one holds the log.
  for (int attempt = 0; attempt < 200; ++attempt) {
    const HANDLE file =
        CreateFileW(log, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      CloseHandle(file);
      return 0;
    }
    Sleep(25);
  }
  return 2;
}
