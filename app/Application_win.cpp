#include "app/Application_win.h"

#include <algorithm>
#include <vector>

#include "Identity.h"
#include "app/AppFolder.h"
#include "app/ErrorReport.h"
#include "platform/Paths_win.h"
#include "platform/SystemError_win.h"

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

namespace {

struct FilterEntry {
  HWND window;
  KeyboardFilter filter;
};

// One GUI thread: no lock needed.
std::vector<FilterEntry>& Filters() {
  static std::vector<FilterEntry> filters;
  return filters;
}

}  // namespace

void RegisterKeyboardFilter(HWND topLevel, KeyboardFilter filter) {
  UnregisterKeyboardFilter(topLevel);
  Filters().push_back({topLevel, filter});
}

void UnregisterKeyboardFilter(HWND topLevel) {
  auto& filters = Filters();
  filters.erase(std::remove_if(filters.begin(), filters.end(),
                               [topLevel](const FilterEntry& e) { return e.window == topLevel; }),
                filters.end());
}

int RunMessageLoop() {
  MSG message;
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      return static_cast<int>(message.wParam);
    }
    if (got == -1) {
      ThrowLastError(L"the message queue");
    }
    bool consumed = false;
    if (message.hwnd != nullptr) {
      const HWND topLevel = GetAncestor(message.hwnd, GA_ROOT);
      for (const FilterEntry& entry : Filters()) {
        if (entry.window == topLevel) {
          consumed = entry.filter(topLevel, message);
          break;
        }
      }
    }
    if (!consumed) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}
