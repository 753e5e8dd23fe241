// Stands in for the browser: registered as the handler of http addresses, it appends every
// address it is given, one line each, to the log file named by its first argument.
#include <windows.h>

#include <shellapi.h>

#include <string>

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
  std::string line;
  for (const wchar_t* c = arguments[2]; *c != L'\0'; ++c) {
    line += static_cast<char>(*c < 0x80 ? *c : '?');
  }
  line += '\n';
  DWORD written = 0;
  WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(log);
  LocalFree(arguments);
  return 0;
}
