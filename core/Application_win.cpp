#include "core/Application_win.h"

#include "core/AppFolder.h"
#include "core/ErrorReport.h"
#include "core/Identity.h"
#include "platform/Paths_win.h"

std::wstring AppFolder() { return AppFolderFromModulePath(ProgramPath()); }

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
