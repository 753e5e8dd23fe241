#include "app/Application_win.h"
#include "windows/frmMainHandlers_win.h"

// For now the ways out only end the program; the website comes with the launcher.
void Command3_Click(frmMain&) {
  End();
}

void Command4_Click(frmMain&) {}

void frmMain_QueryClose(frmMain&) {
  End();
}
