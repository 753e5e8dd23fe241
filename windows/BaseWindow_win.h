#pragma once

#include <windows.h>

#include "platform/Handles_win.h"
#include "windows/WindowSpecs.h"

// What every window of the program is made of, written once: its class, registered on first
// use; its frame, sized around a client area given in twips at the system DPI and centred on
// the screen or on its owner; the C++ object bound to the window through the `this` passed to
// CreateWindowExW and taken back in WM_NCCREATE; the background, erased and printed with the
// window's own colour under PaintContent; and the release of the binding in WM_NCDESTROY. Each
// window adds its table's controls and a short procedure of its own messages.
class BaseWindow {
 public:
  enum class Placement {
    CentredOnScreen,
    CentredOnOwner,  // kept on the owner's monitor
  };

  // A window's fixed description: its class, its table's caption, client size and colour, its
  // styles, its icon and where it goes. `what` names it in error texts ("the main window").
  struct Frame {
    const wchar_t* className;
    const WindowSpec& window;  // caption, client size, background
    DWORD style;
    DWORD exStyle;
    int iconId;
    Placement placement;
    const wchar_t* what;
  };

  BaseWindow(const BaseWindow&) = delete;
  BaseWindow& operator=(const BaseWindow&) = delete;

  HWND Handle() const noexcept { return hwnd_; }

  // Draws what is not a child control, over the background: WM_PAINT and WM_PRINTCLIENT both
  // come here, so the window can be rendered into any DC.
  virtual void PaintContent(HDC dc) const = 0;

  // Gives a queued message to the keyboard handling of the window of ours it is for, before it
  // is dispatched; true when that consumed it. The message loop asks this for every message.
  static bool PreTranslate(MSG& message);

 protected:
  BaseWindow() = default;
  ~BaseWindow() = default;

  // Creates the window, hidden, bound to this object; `owner` may be null.
  void Create(const Frame& frame, HWND owner, HINSTANCE instance);

  int Dpi() const noexcept { return dpi_; }
  HBRUSH Background() const noexcept { return background_.Get(); }

  // The window's own messages; what it leaves goes to DefWindowProcW.
  virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Keyboard handling before dispatch (see PreTranslate); none by default.
  virtual bool PreTranslateMessage(MSG& message);
  // The window is going (WM_NCDESTROY): it lets go of its controls' resources. The handle is
  // still valid here and forgotten right after.
  virtual void OnDestroyed() {}

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void FillBackground(HDC dc) const;

  HWND hwnd_ = nullptr;
  int dpi_ = 96;
  UniqueBrush background_;
};
