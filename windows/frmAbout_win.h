#pragma once

#include <windows.h>

#include <array>

#include "platform/Handles_win.h"
#include "windows/frmAboutLayout.h"

// The About window: one instance, owned by the main window and centred on it. Its link opens
// the website; the link takes the keyboard focus, so Enter or Space opens it too.
class frmAbout {
 public:
  static frmAbout& Instance();

  frmAbout(const frmAbout&) = delete;
  frmAbout& operator=(const frmAbout&) = delete;

  // Creates the window over `owner` if it does not exist, shows it and brings it to the front.
  void Show(HWND owner);
  HWND Handle() const noexcept { return hwnd_; }

  // The line; the labels draw themselves. WM_PAINT and WM_PRINTCLIENT both come here.
  void PaintContent(HDC dc) const;

 private:
  frmAbout() = default;
  void Create(HWND owner);
  const LabelSpec* FindLabel(int id) const;
  void lblLink_Click();
  void OnDrawLink(const DRAWITEMSTRUCT& item) const;
  static bool FilterKeyboard(HWND topLevel, MSG& message);

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
  HWND link_ = nullptr;
  int dpi_ = 96;
  UniqueBrush background_;
  std::array<UniqueFont, kfrmAboutLabels.size()> fonts_;
};
