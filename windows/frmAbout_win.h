#pragma once

#include <windows.h>

#include <array>

#include "platform/Handles_win.h"
#include "windows/BaseWindow_win.h"
#include "windows/frmAboutLayout.h"

// The About window: one instance, owned by the main window and centred on it. Its link opens
// the website; the link takes the keyboard focus, so Enter or Space opens it too.
class frmAbout final : public BaseWindow {
 public:
  static frmAbout& Instance();

  // Creates the window over `owner` if it does not exist, shows it and brings it to the front.
  void Show(HWND owner);

  // The line; the labels draw themselves.
  void PaintContent(HDC dc) const override;

 private:
  frmAbout() = default;
  ~frmAbout() = default;
  void Create(HWND owner);
  void lblLink_Click();
  void OnDrawLink(const DRAWITEMSTRUCT& item) const;

  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool PreTranslateMessage(MSG& message) override;
  void OnDestroyed() override;

  HWND link_ = nullptr;
  std::array<UniqueFont, kfrmAboutLabels.size()> fonts_;
};
