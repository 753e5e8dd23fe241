#include "windows/frmAboutProgrammer_win.h"

#include <windowsx.h>

#include "core/Application_win.h"
#include "windows/LabelSpec.h"
#include "windows/Label_win.h"
#include "windows/Picture_win.h"
#include "windows/Resources.h"

namespace {

const BaseWindow::Frame kFrame{
    L"Tamlorix.frmAboutProgrammer",
    kfrmAboutProgrammer,
    // No WS_CLIPCHILDREN: the transparent labels draw over what the window painted beneath them.
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
    0,
    IDI_ABOUT_PROGRAMMER_ICON,
    BaseWindow::Placement::CentredOnScreen,
    L"the About Programmer window",
};

}  // namespace

frmAboutProgrammer& frmAboutProgrammer::Instance() {
  static frmAboutProgrammer form;
  return form;
}

void frmAboutProgrammer::Create() {
  for (std::size_t i = 0; i < kfrmAboutProgrammerPictures.size(); ++i) {
    pictures_[i] = LoadPictureResource(kfrmAboutProgrammerPictures[i].resourceId);
  }
  // No owner: the card is a window of its own beside the main window.
  BaseWindow::Create(kFrame, nullptr, GetModuleHandleW(nullptr));
  // Created in tab order, which the table keeps.
  for (std::size_t i = 0; i < kfrmAboutProgrammerLabels.size(); ++i) {
    const LabelSpec& label = kfrmAboutProgrammerLabels[i];
    fonts_[i] = CreateLabelFont(label.font, Dpi());
    CreateLabel(Handle(), label, fonts_[i].Get(), Dpi());
  }
}

void frmAboutProgrammer::Show() {
  if (Handle() == nullptr) {
    Create();
  }
  ShowWindow(Handle(), SW_SHOW);
  SetForegroundWindow(Handle());
}

void frmAboutProgrammer::Hide() { ShowWindow(Handle(), SW_HIDE); }

void frmAboutProgrammer::PaintContent(HDC dc) const {
  for (std::size_t i = 0; i < kfrmAboutProgrammerPictures.size(); ++i) {
    if (pictures_[i]) {
      DrawPicture(dc, *pictures_[i].Get(), ToPixels(kfrmAboutProgrammerPictures[i].bounds, Dpi()));
    }
  }
  DrawLine(dc, kfrmAboutProgrammerLine1, Dpi());
}

// A click on the window itself: on a picture or on the bare background.
void frmAboutProgrammer::OnClick(int x, int y) {
  if (frmAboutProgrammerClickAt(x, y, Dpi()) == ClickAction::HideWindow) {
    Hide();
  }
}

LRESULT frmAboutProgrammer::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CTLCOLORSTATIC:
      if (const LRESULT brush = LabelColours(wParam, lParam, kfrmAboutProgrammerLabels);
          brush != 0) {
        return brush;
      }
      break;
    case WM_COMMAND:
      if (HIWORD(wParam) == STN_CLICKED) {
        const LabelSpec* label =
            FindLabel(kfrmAboutProgrammerLabels, GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
        if (label != nullptr && label->click == ClickAction::HideWindow) {
          Hide();
        }
        return 0;
      }
      break;
    case WM_LBUTTONUP:
      RunHandler(Handle(), [&] { OnClick(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); });
      return 0;
    default:
      break;
  }
  return BaseWindow::OnMessage(message, wParam, lParam);
}

// Closed with its close box: the next Show creates the window anew.
void frmAboutProgrammer::OnDestroyed() {
  for (UniqueFont& font : fonts_) {
    font.Reset();
  }
  for (ComPtr<IPicture>& picture : pictures_) {
    picture.Reset();
  }
}
