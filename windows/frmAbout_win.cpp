#include "windows/frmAbout_win.h"

#include <algorithm>
#include <string>

#include "core/Application_win.h"
#include "platform/SystemError_win.h"
#include "web/Website_win.h"
#include "windows/LabelSpec.h"
#include "windows/Label_win.h"
#include "windows/Resources.h"

namespace {

const BaseWindow::Frame kFrame{
    L"Tamlorix.frmAbout",
    kfrmAbout,
    // No WS_CLIPCHILDREN: lbl(0) and lbl(1) overlap, and each must show the other's text.
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
    0,
    IDI_ABOUT_ICON,
    BaseWindow::Placement::CentredOnOwner,
    L"the About window",
};

}  // namespace

frmAbout& frmAbout::Instance() {
  static frmAbout form;
  return form;
}

void frmAbout::Create(HWND owner) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  BaseWindow::Create(kFrame, owner, instance);
  // Created in tab order, which the table keeps.
  for (std::size_t i = 0; i < kfrmAboutLabels.size(); ++i) {
    const LabelSpec& label = kfrmAboutLabels[i];
    fonts_[i] = CreateLabelFont(label.font, Dpi());
    if (label.click != ClickAction::OpenWebsite) {
      CreateLabel(Handle(), label, fonts_[i].Get(), Dpi());
      continue;
    }
    // The link is drawn as text but is a button underneath: it takes the focus with Tab and
    // presses with Space, as a user of the keyboard expects of anything clickable.
    const PixelRect r = ToPixels(label.bounds, Dpi());
    const std::wstring text = LabelCaption(label);
    link_ = CreateWindowExW(
        0, L"BUTTON", text.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, r.left,
        r.top, r.width, r.height, Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(label.id)),
        instance, nullptr);
    if (link_ == nullptr) {
      ThrowLastError(L"the website link");
    }
    SendMessageW(link_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[i].Get()), FALSE);
  }
}

void frmAbout::Show(HWND owner) {
  if (Handle() == nullptr) {
    Create(owner);
    ShowWindow(Handle(), SW_SHOW);
    SetFocus(link_);
    return;
  }
  ShowWindow(Handle(), SW_SHOW);
  SetForegroundWindow(Handle());
}

void frmAbout::PaintContent(HDC dc) const { DrawLine(dc, kfrmAboutLine1, Dpi()); }

void frmAbout::lblLink_Click() { OpenWebsite(Handle()); }

void frmAbout::OnDrawLink(const DRAWITEMSTRUCT& item) const {
  const LabelSpec* label = FindLabel(kfrmAboutLabels, static_cast<int>(item.CtlID));
  if (label == nullptr) {
    return;
  }
  const HDC dc = item.hDC;
  RECT rect = item.rcItem;
  FillRect(dc, &rect, Background());
  wchar_t text[256];
  const int length = GetWindowTextW(item.hwndItem, text, static_cast<int>(std::size(text)));
  const HFONT font = reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0));
  const ScopedSelect selectFont(dc, font);
  PrepareLabelColours(dc, *label);
  DrawTextW(dc, text, length, &rect, DT_LEFT | DT_TOP | DT_NOPREFIX | DT_WORDBREAK);
  if ((item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0) {
    // Around the text only, as the focus of a link is shown.
    RECT textRect = item.rcItem;
    DrawTextW(dc, text, length, &textRect, DT_LEFT | DT_TOP | DT_NOPREFIX | DT_CALCRECT);
    textRect.right = std::min(textRect.right + 1, item.rcItem.right);
    textRect.bottom = std::min(textRect.bottom, item.rcItem.bottom);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    DrawFocusRect(dc, &textRect);
  }
}

bool frmAbout::PreTranslateMessage(MSG& message) {
  if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN && message.hwnd == link_) {
    // Enter follows the focused link, as it presses the focused button.
    SendMessageW(link_, BM_CLICK, 0, 0);
    return true;
  }
  return IsDialogMessageW(Handle(), &message) != FALSE;
}

LRESULT frmAbout::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CTLCOLORSTATIC:
      if (const LRESULT brush = LabelColours(wParam, lParam, kfrmAboutLabels); brush != 0) {
        return brush;
      }
      break;
    case WM_DRAWITEM:
      OnDrawLink(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wParam) == link_ && LOWORD(lParam) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == kfrmAboutLinkId && HIWORD(wParam) == BN_CLICKED) {
        RunHandler(Handle(), [&] { lblLink_Click(); });
        return 0;
      }
      break;
    default:
      break;
  }
  return BaseWindow::OnMessage(message, wParam, lParam);
}

void frmAbout::OnDestroyed() {
  link_ = nullptr;
  for (UniqueFont& font : fonts_) {
    font.Reset();
  }
}
