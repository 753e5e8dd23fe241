#include "install/InstallFlows.h"
#include "install/InstallSystem_win.h"
#include "windows/frmMain_win.h"

void frmMain::CopyFonts() {
  Win32InstallSystem system(hwnd_);
  CopyFontsWith(system);
}
