#include <windows.h>

#include "app/Application_win.h"
#include "platform/DllSearch_win.h"
#include "windows/frmMain_win.h"

// The process entry: creates the main window (its load handler runs before it is first shown),
// shows it centred and runs the one message loop on the one GUI thread.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int exitCode = 0;
  RunHandler(nullptr, [&] {
    // First of all: before anything else can load a DLL.
    RestrictDllSearchToSystemFolder();
    frmMain& form = frmMain::Load(instance);
    form.Show();
    exitCode = RunMessageLoop();
  });
  return exitCode;
}
