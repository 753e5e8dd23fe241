#pragma once

#include <windows.h>

#include <ocidl.h>

#include <array>

#include "platform/Com_win.h"
#include "platform/Handles_win.h"
#include "windows/BaseWindow_win.h"
#include "windows/frmAboutProgrammerLayout.h"

// The About Programmer window: one instance, without owner, shown modeless. A click hides it
// (it stays loaded and comes back as it was); its close box destroys it, and the next Show
// creates it anew.
class frmAboutProgrammer final : public BaseWindow {
 public:
  // The single instance; the window itself is created on the first Show.
  static frmAboutProgrammer& Instance();

  // Creates the window if it does not exist, shows it and brings it to the front.
  void Show();
  void Hide();

  // The banner, the picture and the line; the labels draw themselves.
  void PaintContent(HDC dc) const override;

 private:
  frmAboutProgrammer() = default;
  ~frmAboutProgrammer() = default;
  void Create();
  void OnClick(int x, int y);

  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDestroyed() override;

  std::array<UniqueFont, kfrmAboutProgrammerLabels.size()> fonts_;
  std::array<ComPtr<IPicture>, kfrmAboutProgrammerPictures.size()> pictures_;
};
