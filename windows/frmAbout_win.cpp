#include "windows/frmAbout_win.h"

#include <algorithm>
#include <string>

#include "app/Application_win.h"
#include "app/Resources.h"
#include "platform/SystemError_win.h"
#include "web/Website_win.h"
#include "windows/Dpi_win.h"
#include "windows/Label_win.h"
#include "windows/frmMainHandlers_win.h"
#include "windows/frmMain_win.h"

namespace {

constexpr wchar_t kClassName[] = L"Tamlorix.frmAbout";
// No WS_CLIPCHILDREN: lbl(0) and lbl(1) overlap, and each must show the other's text.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;

// Where a window of this size goes to be centred on `owner`, kept on the owner's monitor.
POINT CentredOn(HWND owner, int width, int height) {
  RECT ownerRect{};
  GetWindowRect(owner, &ownerRect);
  POINT place{ownerRect.left + (ownerRect.right - ownerRect.left - width) / 2,
              ownerRect.top + (ownerRect.bottom - ownerRect.top - height) / 2};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& work = monitor.rcWork;
    place.x = std::max<LONG>(work.left, std::min<LONG>(place.x, work.right - width));
    place.y = std::max<LONG>(work.top, std::min<LONG>(place.y, work.bottom - height));
  }
  return place;
}

}  // namespace

// The button is named for this window, so it opens it.
void Command5_Click(frmMain& form) { frmAbout::Instance().Show(form.Handle()); }

frmAbout& frmAbout::Instance() {
  static frmAbout form;
  return form;
}

void frmAbout::Create(HWND owner) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  dpi_ = SystemDpi();
  background_.Reset(CreateSolidBrush(ToColorRef(kfrmAbout.background)));

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  if (!GetClassInfoExW(instance, kClassName, &windowClass)) {
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &frmAbout::WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    if (RegisterClassExW(&windowClass) == 0) {
      ThrowLastError(L"the About window's class");
    }
  }

  RECT frame{0, 0, TwipsToPixels(kfrmAbout.clientWidth, dpi_),
             TwipsToPixels(kfrmAbout.clientHeight, dpi_)};
  if (!AdjustWindowRectEx(&frame, kStyle, FALSE, 0)) {
    ThrowLastError(L"the About window's size");
  }
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const POINT place = CentredOn(owner, width, height);
  const std::wstring caption(kfrmAbout.caption);
  const HWND created = CreateWindowExW(0, kClassName, caption.c_str(), kStyle, place.x, place.y,
                                       width, height, owner, nullptr, instance, this);
  if (created == nullptr) {
    ThrowLastError(L"the About window");
  }
  SetWindowIcons(hwnd_, IDI_ABOUT_ICON);
  // Created in tab order, which the table keeps.
  for (std::size_t i = 0; i < kfrmAboutLabels.size(); ++i) {
    const LabelSpec& label = kfrmAboutLabels[i];
    fonts_[i] = CreateLabelFont(label.font, dpi_);
    if (label.click != ClickAction::OpenWebsite) {
      CreateLabel(hwnd_, label, fonts_[i].Get(), dpi_);
      continue;
    }
    // The link is drawn as text but is a button underneath: it takes the focus with Tab and
    // presses with Space, as a user of the keyboard expects of anything clickable.
    const PixelRect r = ToPixels(label.bounds, dpi_);
    const std::wstring text = LabelCaption(label);
    link_ = CreateWindowExW(
        0, L"BUTTON", text.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, r.left,
        r.top, r.width, r.height, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(label.id)),
        instance, nullptr);
    if (link_ == nullptr) {
      ThrowLastError(L"the website link");
    }
    SendMessageW(link_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[i].Get()), FALSE);
  }
  RegisterKeyboardFilter(hwnd_, &frmAbout::FilterKeyboard);
}

void frmAbout::Show(HWND owner) {
  if (hwnd_ == nullptr) {
    Create(owner);
    ShowWindow(hwnd_, SW_SHOW);
    SetFocus(link_);
    return;
  }
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
}

void frmAbout::PaintContent(HDC dc) const { DrawLine(dc, kfrmAboutLine1, dpi_); }

const LabelSpec* frmAbout::FindLabel(int id) const {
  for (const LabelSpec& label : kfrmAboutLabels) {
    if (label.id == id) {
      return &label;
    }
  }
  return nullptr;
}

void frmAbout::lblLink_Click() { OpenWebsite(hwnd_); }

void frmAbout::OnDrawLink(const DRAWITEMSTRUCT& item) const {
  const LabelSpec* label = FindLabel(static_cast<int>(item.CtlID));
  if (label == nullptr) {
    return;
  }
  const HDC dc = item.hDC;
  RECT rect = item.rcItem;
  FillRect(dc, &rect, background_.Get());
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

bool frmAbout::FilterKeyboard(HWND topLevel, MSG& message) {
  const frmAbout& form = Instance();
  if (topLevel != form.hwnd_) {
    return false;
  }
  if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN && message.hwnd == form.link_) {
    // Enter follows the focused link, as it presses the focused button.
    SendMessageW(form.link_, BM_CLICK, 0, 0);
    return true;
  }
  return IsDialogMessageW(topLevel, &message) != FALSE;
}

LRESULT CALLBACK frmAbout::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  frmAbout& form = Instance();
  if (message == WM_NCCREATE && form.hwnd_ == nullptr) {
    form.hwnd_ = hwnd;
  }
  if (form.hwnd_ != hwnd) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  return form.OnMessage(message, wParam, lParam);
}

LRESULT frmAbout::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      FillClient(hwnd_, reinterpret_cast<HDC>(wParam), background_.Get());
      return TRUE;
    case WM_PAINT: {
      const ScopedPaint paint(hwnd_);
      PaintContent(paint.Get());
      return 0;
    }
    case WM_PRINTCLIENT:
      FillClient(hwnd_, reinterpret_cast<HDC>(wParam), background_.Get());
      PaintContent(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_CTLCOLORSTATIC: {
      const LabelSpec* label = FindLabel(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
      if (label != nullptr) {
        return reinterpret_cast<LRESULT>(
            PrepareLabelColours(reinterpret_cast<HDC>(wParam), *label));
      }
      break;
    }
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
        RunHandler(hwnd_, [&] { lblLink_Click(); });
        return 0;
      }
      break;
    case WM_NCDESTROY: {
      UnregisterKeyboardFilter(hwnd_);
      const HWND closing = std::exchange(hwnd_, nullptr);
      link_ = nullptr;
      for (UniqueFont& font : fonts_) {
        font.Reset();
      }
      return DefWindowProcW(closing, message, wParam, lParam);
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}
