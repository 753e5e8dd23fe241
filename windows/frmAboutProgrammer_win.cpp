#include "windows/frmAboutProgrammer_win.h"

#include <windowsx.h>

#include <string>

#include "app/Application_win.h"
#include "app/Resources.h"
#include "platform/SystemError_win.h"
#include "windows/Dpi_win.h"
#include "windows/Label_win.h"
#include "windows/Picture_win.h"
#include "windows/frmMainHandlers_win.h"

namespace {

constexpr wchar_t kClassName[] = L"Tamlorix.frmAboutProgrammer";
// No WS_CLIPCHILDREN: the transparent labels draw over what the window painted beneath them.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;

}  // namespace

void Command6_Click(frmMain&) { frmAboutProgrammer::Instance().Show(); }

frmAboutProgrammer& frmAboutProgrammer::Instance() {
  static frmAboutProgrammer form;
  return form;
}

void frmAboutProgrammer::Create() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  dpi_ = SystemDpi();
  background_.Reset(CreateSolidBrush(ToColorRef(kfrmAboutProgrammer.background)));
  for (std::size_t i = 0; i < kfrmAboutProgrammerPictures.size(); ++i) {
    pictures_[i] = LoadPictureResource(kfrmAboutProgrammerPictures[i].resourceId);
  }

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  if (!GetClassInfoExW(instance, kClassName, &windowClass)) {
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &frmAboutProgrammer::WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    if (RegisterClassExW(&windowClass) == 0) {
      ThrowLastError(L"the About Programmer window's class");
    }
  }

  RECT frame{0, 0, TwipsToPixels(kfrmAboutProgrammer.clientWidth, dpi_),
             TwipsToPixels(kfrmAboutProgrammer.clientHeight, dpi_)};
  if (!AdjustWindowRectEx(&frame, kStyle, FALSE, 0)) {
    ThrowLastError(L"the About Programmer window's size");
  }
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  const std::wstring caption(kfrmAboutProgrammer.caption);
  // No owner: the card is a window of its own beside the main window.
  const HWND created = CreateWindowExW(0, kClassName, caption.c_str(), kStyle, left, top, width,
                                       height, nullptr, nullptr, instance, this);
  if (created == nullptr) {
    ThrowLastError(L"the About Programmer window");
  }
  SetWindowIcons(hwnd_, IDI_ABOUT_PROGRAMMER_ICON);
  // Created in tab order, which the table keeps.
  for (std::size_t i = 0; i < kfrmAboutProgrammerLabels.size(); ++i) {
    const LabelSpec& label = kfrmAboutProgrammerLabels[i];
    fonts_[i] = CreateLabelFont(label.font, dpi_);
    CreateLabel(hwnd_, label, fonts_[i].Get(), dpi_);
  }
}

void frmAboutProgrammer::Show() {
  if (hwnd_ == nullptr) {
    Create();
  }
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
}

void frmAboutProgrammer::Hide() { ShowWindow(hwnd_, SW_HIDE); }

void frmAboutProgrammer::PaintContent(HDC dc) const {
  for (std::size_t i = 0; i < kfrmAboutProgrammerPictures.size(); ++i) {
    if (pictures_[i]) {
      DrawPicture(dc, *pictures_[i].Get(), ToPixels(kfrmAboutProgrammerPictures[i].bounds, dpi_));
    }
  }
  DrawLine(dc, kfrmAboutProgrammerLine1, dpi_);
}

const LabelSpec* frmAboutProgrammer::FindLabel(HWND control) const {
  const int id = GetDlgCtrlID(control);
  for (const LabelSpec& label : kfrmAboutProgrammerLabels) {
    if (label.id == id) {
      return &label;
    }
  }
  return nullptr;
}

// A click on the window itself: on a picture or on the bare background.
void frmAboutProgrammer::OnClick(int x, int y) {
  if (frmAboutProgrammerClickAt(x, y, dpi_) == ClickAction::HideWindow) {
    Hide();
  }
}

LRESULT CALLBACK frmAboutProgrammer::WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
  frmAboutProgrammer& form = Instance();
  if (message == WM_NCCREATE && form.hwnd_ == nullptr) {
    form.hwnd_ = hwnd;
  }
  if (form.hwnd_ != hwnd) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  return form.OnMessage(message, wParam, lParam);
}

LRESULT frmAboutProgrammer::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
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
      const LabelSpec* label = FindLabel(reinterpret_cast<HWND>(lParam));
      if (label != nullptr) {
        return reinterpret_cast<LRESULT>(
            PrepareLabelColours(reinterpret_cast<HDC>(wParam), *label));
      }
      break;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) == STN_CLICKED) {
        const LabelSpec* label = FindLabel(reinterpret_cast<HWND>(lParam));
        if (label != nullptr && label->click == ClickAction::HideWindow) {
          Hide();
        }
        return 0;
      }
      break;
    case WM_LBUTTONUP:
      RunHandler(hwnd_, [&] { OnClick(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); });
      return 0;
    case WM_NCDESTROY: {
      // Closed with its close box: the next Show creates the window anew.
      const HWND closing = std::exchange(hwnd_, nullptr);
      for (UniqueFont& font : fonts_) {
        font.Reset();
      }
      for (ComPtr<IPicture>& picture : pictures_) {
        picture.Reset();
      }
      return DefWindowProcW(closing, message, wParam, lParam);
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}
