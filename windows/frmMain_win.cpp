#include "windows/frmMain_win.h"

#include <optional>
#include <string_view>

#include "core/Application_win.h"
#include "install/InstallFlows.h"
#include "install/InstallScript.h"
#include "install/InstallSystem_win.h"
#include "platform/SystemError_win.h"
#include "web/ExitActions_win.h"
#include "web/Website_win.h"
#include "windows/AccessKeys.h"
#include "windows/ColourButton_win.h"
#include "windows/Dpi_win.h"
#include "windows/Label_win.h"
#include "windows/Resources.h"
#include "windows/frmAboutProgrammer_win.h"
#include "windows/frmAbout_win.h"

namespace {

const BaseWindow::Frame kFrame{
    L"Tamlorix.frmMain",
    kfrmMain,
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
    WS_EX_CONTROLPARENT,
    IDI_APPLICATION_ICON,
    BaseWindow::Placement::CentredOnScreen,
    L"the main window",
};

}  // namespace

frmMain& frmMain::Load(HINSTANCE instance) {
  // The one instance lives until the process ends through End().
  static frmMain form;
  if (form.Handle() == nullptr) {
    form.font_.Reset(CreateDefaultGuiFont());
    form.Create(kFrame, nullptr, instance);
    form.CreateButtons(instance);
    form.Form_Load();
  }
  return form;
}

void frmMain::CreateButtons(HINSTANCE instance) {
  // Created in tab order: the dialog manager walks the children in creation order.
  const auto order = frmMainTabOrder();
  for (std::size_t i = 0; i < order.size(); ++i) {
    const ButtonSpec& row = *order[i];
    const PixelRect r = ToPixels(row.bounds, Dpi());
    const std::wstring caption(row.caption);
    const HWND button = CreateWindowExW(
        0, L"BUTTON", caption.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, r.left,
        r.top, r.width, r.height, Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)),
        instance, nullptr);
    if (button == nullptr) {
      ThrowLastError(L"a button of the main window");
    }
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    buttonsInTabOrder_[i] = button;
  }
}

void frmMain::Show() {
  ShowWindow(Handle(), SW_SHOW);
  UpdateWindow(Handle());
  SetFocus(buttonsInTabOrder_.front());
}

void frmMain::PaintContent(HDC dc) const { DrawLine(dc, kfrmMainLine1, Dpi()); }

void frmMain::Form_Load() { InstallScript = BuildInstallScript(); }

// The close is never refused, whatever asked for it: the website opens, then the process ends.
void frmMain::Form_QueryClose() { OpenWebsiteAndEnd(Handle()); }

// Errors the flows do not catch reach the dispatch point, which reports them and ends the
// program.
void frmMain::Command1_Click() {
  Win32InstallSystem system(Handle());
  Windows7Flow(system, kfrmMain.caption);
}

void frmMain::Command2_Click() {
  Win32InstallSystem system(Handle());
  WindowsXpFlow(system, kfrmMain.caption, InstallScript);
}

// Every way out points the user to the website once. End() stops the process without a close
// query, so Close never reaches Form_QueryClose.
void frmMain::Command3_Click() { OpenWebsiteAndEnd(Handle()); }

void frmMain::Command4_Click() { OpenWebsite(Handle()); }

// The button is named for the About window, so it opens it.
void frmMain::Command5_Click() { frmAbout::Instance().Show(Handle()); }

void frmMain::Command6_Click() { frmAboutProgrammer::Instance().Show(); }

void frmMain::RunAction(MainAction action) {
  switch (action) {
    case MainAction::Windows7Install:
      return Command1_Click();
    case MainAction::WindowsXpInstall:
      return Command2_Click();
    case MainAction::Close:
      return Command3_Click();
    case MainAction::VisitWebsite:
      return Command4_Click();
    case MainAction::About:
      return Command5_Click();
    case MainAction::AboutProgrammer:
      return Command6_Click();
  }
}

void frmMain::OnDrawItem(const DRAWITEMSTRUCT& item) const {
  const ButtonSpec* button = FindfrmMainButton(static_cast<int>(item.CtlID));
  if (button != nullptr) {
    DrawColourButton(item, button->background, font_.Get());
  }
}

bool frmMain::OnAccessKey(wchar_t key) {
  const auto order = frmMainTabOrder();
  std::array<std::wstring_view, kfrmMainButtons.size()> captions{};
  std::optional<std::size_t> focused;
  const HWND focus = GetFocus();
  for (std::size_t i = 0; i < order.size(); ++i) {
    captions[i] = order[i]->caption;
    if (buttonsInTabOrder_[i] == focus) {
      focused = i;
    }
  }
  const auto target = FindAccessKeyTarget(captions, focused, key);
  if (!target) {
    return false;
  }
  const HWND button = buttonsInTabOrder_[target->index];
  SetFocus(button);
  if (target->click) {
    SendMessageW(button, BM_CLICK, 0, 0);
  }
  return true;
}

bool frmMain::PreTranslateMessage(MSG& message) {
  switch (message.message) {
    case WM_SYSCHAR:
      // Alt+letter: the access keys, handled here because two buttons share A and Windows
      // then moves the focus between them instead of pressing the first.
      if (OnAccessKey(static_cast<wchar_t>(message.wParam))) {
        return true;
      }
      break;
    case WM_KEYDOWN:
      if (message.wParam == VK_RETURN && GetParent(message.hwnd) == Handle()) {
        // Enter presses the focused button, as it does on any form.
        SendMessageW(message.hwnd, BM_CLICK, 0, 0);
        return true;
      }
      break;
    default:
      break;
  }
  return IsDialogMessageW(Handle(), &message) != FALSE;
}

LRESULT frmMain::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const ButtonSpec* button = FindfrmMainButton(LOWORD(wParam));
      // IDOK and IDCANCEL from the dialog manager (Enter, Esc) start nothing.
      if (HIWORD(wParam) == BN_CLICKED && button != nullptr) {
        RunHandler(Handle(), [&] { RunAction(button->action); });
      }
      return 0;
    }
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    // Both are answered at once where another thread or process waits for the answer: the
    // handler never refuses and ends the process, and COM will not call the desktop's shell
    // (which opens the website) while a sender waits on this thread.
    case WM_CLOSE:
      ReplyMessage(0);
      RunHandler(Handle(), [&] { Form_QueryClose(); });
      return 0;
    case WM_QUERYENDSESSION:
      // Logging off or shutting down asks every window first: that is a close query too. The
      // session goes on without waiting for us.
      ReplyMessage(TRUE);
      RunHandler(Handle(), [&] { Form_QueryClose(); });
      return TRUE;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return BaseWindow::OnMessage(message, wParam, lParam);
  }
}
