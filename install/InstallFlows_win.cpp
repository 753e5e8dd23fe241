#include "install/InstallFlows.h"
#include "install/InstallSystem_win.h"
#include "windows/frmMainHandlers_win.h"
#include "windows/frmMainLayout.h"
#include "windows/frmMain_win.h"

// The two install buttons. Errors the flows do not catch reach the main window's dispatch
// point, which reports them and ends the program.

void Command1_Click(frmMain& form) {
  Win32InstallSystem system(form.Handle());
  Windows7Flow(system, kfrmMain.caption);
}

void Command2_Click(frmMain& form) {
  Win32InstallSystem system(form.Handle());
  WindowsXpFlow(system, kfrmMain.caption, form.InstallScript);
}
