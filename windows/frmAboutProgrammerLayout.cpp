#include "windows/frmAboutProgrammerLayout.h"

#include "windows/LabelSpec.h"

ClickAction frmAboutProgrammerClickAt(int x, int y, int dpi) {
  // Labels lie above the pictures, and the heading lies on the banner.
  for (const LabelSpec& label : kfrmAboutProgrammerLabels) {
    if (Contains(label.bounds, dpi, x, y)) {
      return label.click;
    }
  }
  for (const PictureSpec& picture : kfrmAboutProgrammerPictures) {
    if (Contains(picture.bounds, dpi, x, y)) {
      return picture.click;
    }
  }
  return ClickAction::HideWindow;
}
