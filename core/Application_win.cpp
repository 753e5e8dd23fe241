#include "core/Application_win.h"

#include "core/AppFolder.h"
#include "core/ErrorReport.h"
#include "core/Identity.h"
#include "platform/SystemError_win.h"

std::wstring AppFolder() {
  // Long paths are possible; grow the buffer until the whole name fits.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) {
      ThrowLastError(L"Reading the program's own path");
    }
    if (length < path.size()) {
      path.resize(length);
      return AppFolderFromModulePath(path);
    }
    path.resize(path.size() * 2);
  }
}

void End() { ExitProcess(0); }

int MsgBox(HWND owner, std::wstring_view prompt, UINT code, std::wstring_view title) {
  const std::wstring promptText(prompt);
  const std::wstring titleText =
      title.empty() ? std::wstring(kApplicationTitle) : std::wstring(title);
  return MessageBoxW(owner, promptText.c_str(), titleText.c_str(), code);
}

void ReportUncaughtError(HWND owner, const SystemError& error) {
  MsgBox(owner, ErrorReportText(error.Number(), error.Description(), error.Context()),
         MB_OK | MB_ICONERROR);
  End();
}

void ReportUncaughtError(HWND owner, const std::exception& error) {
  // Not a system call's failure (out of memory, a broken invariant): no system number to show.
  std::wstring description;
  for (const char* c = error.what(); *c != '\0'; ++c) {
    description += static_cast<wchar_t>(static_cast<unsigned char>(*c));
  }
  MsgBox(owner, ErrorReportText(0, description, {}), MB_OK | MB_ICONERROR);
  End();
}
