#include "platform/SystemError_win.h"

#include <string>

std::wstring SystemErrorText(DWORD number) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, number, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text;
  if (length != 0 && buffer != nullptr) {
    text.assign(buffer, length);
  }
  LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.pop_back();
  }
  if (text.empty()) {
    text = L"Unknown error.";
  }
  return text;
}

void ThrowSystemError(DWORD number, std::wstring_view context) {
  throw SystemError(number, SystemErrorText(number), std::wstring(context));
}

void ThrowLastError(std::wstring_view context) { ThrowSystemError(GetLastError(), context); }

void ThrowFileError(DWORD number, std::wstring_view path) {
  ThrowSystemError(number, L"the file " + std::wstring(path));
}
