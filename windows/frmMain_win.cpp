#include "windows/frmMain_win.h"

#include <windowsx.h>

#include <string_view>

#include "app/Application_win.h"
#include "app/Resources.h"
#include "install/InstallScript.h"
#include "platform/SystemError_win.h"
#include "windows/AccessKeys.h"
#include "windows/ColourButton_win.h"
#include "windows/Dpi_win.h"
#include "windows/frmMainHandlers_win.h"

namespace {

constexpr wchar_t kClassName[] = L"Tamlorix.frmMain";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

frmMain* gInstance = nullptr;

}  // namespace

frmMain& frmMain::Load(HINSTANCE instance) {
  // The one instance lives until the process ends through End().
  static frmMain form;
  if (gInstance == nullptr) {
    gInstance = &form;
    form.Create(instance);
    form.Form_Load();
  }
  return form;
}

frmMain* frmMain::Instance() noexcept { return gInstance; }

void frmMain::Create(HINSTANCE instance) {
  dpi_ = SystemDpi();
  background_.Reset(CreateSolidBrush(ToColorRef(kfrmMain.background)));
  font_.Reset(CreateDefaultGuiFont());

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = &frmMain::WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON), IMAGE_ICON, 32, 32, LR_SHARED));
  windowClass.hIconSm = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON), IMAGE_ICON,
                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = background_.Get();
  windowClass.lpszClassName = kClassName;
  if (RegisterClassExW(&windowClass) == 0) {
    ThrowLastError(L"the main window's class");
  }

  RECT frame{0, 0, TwipsToPixels(kfrmMain.clientWidth, dpi_),
             TwipsToPixels(kfrmMain.clientHeight, dpi_)};
  if (!AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle)) {
    ThrowLastError(L"the main window's size");
  }
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  const std::wstring caption(kfrmMain.caption);
  hwnd_ = CreateWindowExW(kExStyle, kClassName, caption.c_str(), kStyle, left, top, width, height,
                          nullptr, nullptr, instance, this);
  if (hwnd_ == nullptr) {
    ThrowLastError(L"the main window");
  }
  CreateButtons(instance);
  RegisterKeyboardFilter(hwnd_, &frmMain::FilterKeyboard);
}

void frmMain::CreateButtons(HINSTANCE instance) {
  // Created in tab order: the dialog manager walks the children in creation order.
  const auto order = frmMainTabOrder();
  for (std::size_t i = 0; i < order.size(); ++i) {
    const ButtonSpec& row = *order[i];
    const PixelRect r = ToPixels(row.bounds, dpi_);
    const std::wstring caption(row.caption);
    const HWND button = CreateWindowExW(
        0, L"BUTTON", caption.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, r.left,
        r.top, r.width, r.height, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)),
        instance, nullptr);
    if (button == nullptr) {
      ThrowLastError(L"a button of the main window");
    }
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    buttonsInTabOrder_[i] = button;
  }
}

void frmMain::Form_Load() { InstallScript = BuildInstallScript(); }

void frmMain::Show() {
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
  SetFocus(buttonsInTabOrder_.front());
}

void frmMain::PaintContent(HDC dc) const {
  const LineSpec& line = kfrmMainLine1;
  const UniquePen pen(CreatePen(PS_SOLID, std::max(1, dpi_ / 96), ToColorRef(line.colour)));
  const ScopedSelect selectPen(dc, pen.Get());
  MoveToEx(dc, TwipsToPixels(line.from.x, dpi_), TwipsToPixels(line.from.y, dpi_), nullptr);
  LineTo(dc, TwipsToPixels(line.to.x, dpi_), TwipsToPixels(line.to.y, dpi_));
}

void frmMain::RunAction(MainAction action) {
  switch (action) {
    case MainAction::Windows7Install:
      return Command1_Click(*this);
    case MainAction::WindowsXpInstall:
      return Command2_Click(*this);
    case MainAction::Close:
      return Command3_Click(*this);
    case MainAction::VisitWebsite:
      return Command4_Click(*this);
    case MainAction::About:
      return Command5_Click(*this);
    case MainAction::AboutProgrammer:
      return Command6_Click(*this);
  }
}

void frmMain::QueryClose() { frmMain_QueryClose(*this); }

void frmMain::OnCommand(int id, int notification) {
  if (notification != BN_CLICKED) {
    return;
  }
  const ButtonSpec* button = FindfrmMainButton(id);
  if (button == nullptr) {
    return;  // IDOK and IDCANCEL from the dialog manager (Enter, Esc) start nothing
  }
  RunHandler(hwnd_, [&] { RunAction(button->action); });
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

bool frmMain::FilterKeyboard(HWND topLevel, MSG& message) {
  frmMain* form = Instance();
  if (form == nullptr || topLevel != form->hwnd_) {
    return false;
  }
  switch (message.message) {
    case WM_SYSCHAR:
      // Alt+letter: the access keys, handled here because two buttons share A and Windows
      // then moves the focus between them instead of pressing the first.
      if (form->OnAccessKey(static_cast<wchar_t>(message.wParam))) {
        return true;
      }
      break;
    case WM_KEYDOWN:
      if (message.wParam == VK_RETURN && GetParent(message.hwnd) == form->hwnd_) {
        // Enter presses the focused button, as it does on any form.
        SendMessageW(message.hwnd, BM_CLICK, 0, 0);
        return true;
      }
      break;
    default:
      break;
  }
  return IsDialogMessageW(topLevel, &message) != FALSE;
}

LRESULT CALLBACK frmMain::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  frmMain* form = Instance();
  if (form != nullptr && form->hwnd_ == nullptr && message == WM_NCCREATE) {
    form->hwnd_ = hwnd;
  }
  if (form == nullptr || form->hwnd_ != hwnd) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  return form->OnMessage(message, wParam, lParam);
}

LRESULT frmMain::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_PAINT: {
      const ScopedPaint paint(hwnd_);
      PaintContent(paint.Get());
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintContent(reinterpret_cast<HDC>(wParam));
      return 0;
    // Both are answered at once where another thread or process waits for the answer: the
    // handler never refuses and ends the process, and COM will not call the desktop's shell
    // (which opens the website) while a sender waits on this thread.
    case WM_CLOSE:
      ReplyMessage(0);
      RunHandler(hwnd_, [&] { QueryClose(); });
      return 0;
    case WM_QUERYENDSESSION:
      // Logging off or shutting down asks every window first: that is a close query too. The
      // session goes on without waiting for us.
      ReplyMessage(TRUE);
      RunHandler(hwnd_, [&] { QueryClose(); });
      return TRUE;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd_, message, wParam, lParam);
  }
}
