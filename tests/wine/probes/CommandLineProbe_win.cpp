// Stands in for a program the installer starts (the layout's setup program, the script host)
// or for one planted to be started by mistake: it appends its own path and the command line
// it was given to the log named by TIUP_PROBE_LOG, one UTF-8 line each, and exits. Given an
// argument, as the script host is given its script, it also reads that file as a script host
// would and leaves what it read in the log's name + ".read" ("error <n>" where it could not).
// The folder it was started in goes to the log's name + ".folders", one UTF-8 line per start.
#include <windows.h>

#include <string>
#include <string_view>

namespace {

std::string Utf8(const std::wstring& text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length,
                      nullptr, nullptr);
  return bytes;
}

// Reads the file while sharing it with other readers only, as a cautious reader does: the
// program's hold on its script must let such a reader in.
std::string ReadAsScriptHost(const wchar_t* path) {
  const HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return "error " + std::to_string(GetLastError());
  }
  std::string contents;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    contents.append(buffer, read);
  }
  CloseHandle(file);
  return contents;
}

// The last argument of a command line the program built: every argument is quoted, and a path
// holds no quotes. Empty where there is only the program. (No shell32 here: loading it makes the
// probe slow to start and end.)
std::wstring LastArgument(std::wstring_view commandLine) {
  while (!commandLine.empty() && commandLine.back() == L' ') {
    commandLine.remove_suffix(1);
  }
  if (commandLine.size() < 2 || commandLine.back() != L'"') {
    return {};
  }
  const std::size_t open = commandLine.rfind(L'"', commandLine.size() - 2);
  if (open == std::wstring_view::npos || open == 0) {
    return {};  // only the program's own quoted name
  }
  return std::wstring(commandLine.substr(open + 1, commandLine.size() - open - 2));
}

void LeaveWhatTheArgumentHolds(const std::wstring& log) {
  const std::wstring argument = LastArgument(GetCommandLineW());
  if (argument.empty()) {
    return;
  }
  const std::string contents = ReadAsScriptHost(argument.c_str());
  const HANDLE copy = CreateFileW((log + L".read").c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (copy != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(copy, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
    CloseHandle(copy);
  }
}

// Two probes may start at once: retries while the other one holds the file.
bool AppendLine(const std::wstring& path, const std::string& line) {
  for (int attempt = 0; attempt < 200; ++attempt) {
    const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      CloseHandle(file);
      return true;
    }
    Sleep(25);
  }
  return false;
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
  LeaveWhatTheArgumentHolds(log);
  wchar_t folder[MAX_PATH * 2] = {};
  GetCurrentDirectoryW(MAX_PATH * 2, folder);
  AppendLine(std::wstring(log) + L".folders", Utf8(folder) + "\n");
  STARTUPINFOW startup{};
  GetStartupInfoW(&startup);
  const std::string line =
      Utf8(std::wstring(self) + L"\t" + GetCommandLineW() + L"\t" +
           std::to_wstring((startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1)) +
      "\n";
  return AppendLine(log, line) ? 0 : 2;
}
