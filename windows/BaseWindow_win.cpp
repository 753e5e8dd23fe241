#include "windows/BaseWindow_win.h"

#include <algorithm>
#include <string>
#include <utility>

#include "platform/SystemError_win.h"
#include "windows/Dpi_win.h"

namespace {

// Where a frame of this size goes to be centred on `owner`, kept on the owner's monitor.
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

POINT CentredOnScreen(int width, int height) {
  return {(GetSystemMetrics(SM_CXSCREEN) - width) / 2,
          (GetSystemMetrics(SM_CYSCREEN) - height) / 2};
}

HICON SharedIcon(HINSTANCE instance, int iconId, int widthMetric, int heightMetric) {
  // Shared icons belong to the system's cache: nothing to destroy.
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                       GetSystemMetrics(widthMetric),
                                       GetSystemMetrics(heightMetric), LR_SHARED));
}

}  // namespace

void BaseWindow::Create(const Frame& frame, HWND owner, HINSTANCE instance) {
  const std::wstring what(frame.what);
  dpi_ = SystemDpi();
  background_.Reset(CreateSolidBrush(ToColorRef(frame.window.background)));

  // A window closed with its close box is created anew on its next Show: its class stays.
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  if (!GetClassInfoExW(instance, frame.className, &windowClass)) {
    windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &BaseWindow::Procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = SharedIcon(instance, frame.iconId, SM_CXICON, SM_CYICON);
    windowClass.hIconSm = SharedIcon(instance, frame.iconId, SM_CXSMICON, SM_CYSMICON);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = frame.className;
    if (RegisterClassExW(&windowClass) == 0) {
      ThrowLastError(what + L"'s class");
    }
  }

  RECT rect{0, 0, TwipsToPixels(frame.window.clientWidth, dpi_),
            TwipsToPixels(frame.window.clientHeight, dpi_)};
  if (!AdjustWindowRectEx(&rect, frame.style, FALSE, frame.exStyle)) {
    ThrowLastError(what + L"'s size");
  }
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  const POINT place = frame.placement == Placement::CentredOnOwner ? CentredOn(owner, width, height)
                                                                   : CentredOnScreen(width, height);
  const std::wstring caption(frame.window.caption);
  if (CreateWindowExW(frame.exStyle, frame.className, caption.c_str(), frame.style, place.x,
                      place.y, width, height, owner, nullptr, instance, this) == nullptr) {
    ThrowLastError(what);
  }
}

LRESULT CALLBACK BaseWindow::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  BaseWindow* window = nullptr;
  if (message == WM_NCCREATE) {
    window =
        static_cast<BaseWindow*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
    window->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
  } else {
    // Null for the few messages that come before WM_NCCREATE (WM_GETMINMAXINFO).
    window = reinterpret_cast<BaseWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (window == nullptr) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  return window->HandleMessage(message, wParam, lParam);
}

LRESULT BaseWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      FillBackground(reinterpret_cast<HDC>(wParam));
      return TRUE;
    case WM_PAINT: {
      const ScopedPaint paint(hwnd_);
      PaintContent(paint.Get());
      return 0;
    }
    case WM_PRINTCLIENT:
      FillBackground(reinterpret_cast<HDC>(wParam));
      PaintContent(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_NCDESTROY: {
      OnDestroyed();
      SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
      const HWND closing = std::exchange(hwnd_, nullptr);
      return DefWindowProcW(closing, message, wParam, lParam);
    }
    default:
      return OnMessage(message, wParam, lParam);
  }
}

LRESULT BaseWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

bool BaseWindow::PreTranslateMessage(MSG&) { return false; }

void BaseWindow::FillBackground(HDC dc) const {
  RECT client{};
  GetClientRect(hwnd_, &client);
  FillRect(dc, &client, background_.Get());
}

bool BaseWindow::PreTranslate(MSG& message) {
  if (message.hwnd == nullptr) {
    return false;
  }
  const HWND topLevel = GetAncestor(message.hwnd, GA_ROOT);
  // Only a window of our classes carries one of our objects; another window of this thread (a
  // message box, a window of the system's) may keep anything in its user data.
  if (topLevel == nullptr ||
      reinterpret_cast<WNDPROC>(GetWindowLongPtrW(topLevel, GWLP_WNDPROC)) != &Procedure) {
    return false;
  }
  auto* window = reinterpret_cast<BaseWindow*>(GetWindowLongPtrW(topLevel, GWLP_USERDATA));
  return window != nullptr && window->PreTranslateMessage(message);
}
