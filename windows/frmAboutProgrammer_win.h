#pragma once

#include <windows.h>

#include <ocidl.h>

#include <array>

#include "platform/Com_win.h"
#include "platform/Handles_win.h"
#include "windows/frmAboutProgrammerLayout.h"

// The About Programmer window: one instance, without owner, shown modeless. A click hides it
// (it stays loaded and comes back as it was); its close box destroys it, and the next Show
// creates it anew.
class frmAboutProgrammer {
 public:
  // The single instance; the window itself is created on the first Show.
  static frmAboutProgrammer& Instance();

  frmAboutProgrammer(const frmAboutProgrammer&) = delete;
  frmAboutProgrammer& operator=(const frmAboutProgrammer&) = delete;

  // Creates the window if it does not exist, shows it and brings it to the front.
  void Show();
  void Hide();
  HWND Handle() const noexcept { return hwnd_; }

  // The banner, the picture and the line; the labels draw themselves. WM_PAINT and
  // WM_PRINTCLIENT both come here.
  void PaintContent(HDC dc) const;

 private:
  frmAboutProgrammer() = default;
  void Create();
  const LabelSpec* FindLabel(HWND control) const;
  void OnClick(int x, int y);

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
  int dpi_ = 96;
  UniqueBrush background_;
  std::array<UniqueFont, kfrmAboutProgrammerLabels.size()> fonts_;
  std::array<ComPtr<IPicture>, kfrmAboutProgrammerPictures.size()> pictures_;
};
