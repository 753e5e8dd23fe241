// Stands in for the browser: registered as the handler of http addresses, it appends every
// address it is given to the log file named by its first argument, one line each, with the
// process that started it (its id and program file name, tab-separated): the desktop's shell,
// or the program itself.
#include <windows.h>

#include <shellapi.h>
#include <tlhelp32.h>

#include <string>

namespace {

std::string Narrow(const wchar_t* text) {
  std::string narrow;
  for (const wchar_t* c = text; *c != L'\0'; ++c) {
    narrow += static_cast<char>(*c < 0x80 ? *c : '?');
  }
  return narrow;
}

// "<id>\t<program file>" of the process that started this one; the file is "?" where that
// process has ended already.
std::string Starter() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) {
    return "0\t?";
  }
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  DWORD parent = 0;
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == GetCurrentProcessId()) {
      parent = entry.th32ParentProcessID;
    }
  }
  std::string name = "?";
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == parent) {
      name = Narrow(entry.szExeFile);
    }
  }
  CloseHandle(snapshot);
  return std::to_string(parent) + "\t" + name;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr || count < 3) {
    return 2;
  }
  const HANDLE log = CreateFileW(arguments[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (log == INVALID_HANDLE_VALUE) {
    return 3;
  }
  const std::string line = Narrow(arguments[2]) + "\t" + Starter() + "\n";
  DWORD written = 0;
  WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(log);
  LocalFree(arguments);
  return 0;
}
