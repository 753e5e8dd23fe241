#include "core/Application_win.h"

#include <new>
#include <vector>

#include "core/AppFolder.h"
#include "core/ErrorReport.h"
#include "core/Identity.h"
#include "platform/Paths_win.h"

namespace {

// A message box disables its owner only: the About window (owned by the main window) and the
// card (owned by nobody) would go on taking clicks under it, and could open the website or
// start a second flow in the middle of the first. So every window of the thread that takes
// input waits for the box as well, and exactly those are given back after it, with the active
// window and the focus. A window disabled already (under an outer box) is left to whoever
// disabled it; the owner is left to the box, which gives it back before it goes, so that
// Windows activates it and not another program's window.
class HoldTheOtherWindows {
 public:
  explicit HoldTheOtherWindows(HWND owner) noexcept
      : owner_(owner != nullptr ? GetAncestor(owner, GA_ROOT) : nullptr),
        active_(GetActiveWindow()),
        focus_(GetFocus()) {
    EnumThreadWindows(GetCurrentThreadId(), &Hold, reinterpret_cast<LPARAM>(this));
  }
  HoldTheOtherWindows(const HoldTheOtherWindows&) = delete;
  HoldTheOtherWindows& operator=(const HoldTheOtherWindows&) = delete;
  ~HoldTheOtherWindows() {
    for (HWND window : held_) {
      EnableWindow(window, TRUE);
    }
    // The box hands the activation to its owner, whose activation puts the focus on the owner
    // itself, not back on the control that had it.
    if (active_ != nullptr && IsWindow(active_)) {
      SetActiveWindow(active_);
    }
    if (focus_ != nullptr && IsWindow(focus_)) {
      SetFocus(focus_);
    }
  }

 private:
  static BOOL CALLBACK Hold(HWND window, LPARAM self) noexcept {
    auto& hold = *reinterpret_cast<HoldTheOtherWindows*>(self);
    if (window == hold.owner_ || !IsWindowVisible(window) || !IsWindowEnabled(window)) {
      return TRUE;
    }
    try {
      hold.held_.push_back(window);  // first, so that a window disabled is one given back
    } catch (const std::bad_alloc&) {
      return FALSE;
    }
    EnableWindow(window, FALSE);
    return TRUE;
  }

  HWND owner_;
  HWND active_;
  HWND focus_;
  std::vector<HWND> held_;
};

}  // namespace

std::wstring AppFolder() { return AppFolderFromModulePath(ProgramPath()); }

void End() { ExitProcess(0); }

int MsgBox(HWND owner, std::wstring_view prompt, UINT code, std::wstring_view title) {
  const std::wstring promptText(prompt);
  const std::wstring titleText =
      title.empty() ? std::wstring(kApplicationTitle) : std::wstring(title);
  const HoldTheOtherWindows held(owner);
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
