#include <windows.h>

#include "core/Application_win.h"
#include "platform/DllSearch_win.h"
#include "platform/SystemError_win.h"
#include "windows/BaseWindow_win.h"
#include "windows/frmMain_win.h"

namespace {

// The one message loop; returns when WM_QUIT arrives. Each window's keyboard handling (access
// keys, Tab, Enter) sees a message before it is dispatched.
int RunMessageLoop() {
  MSG message;
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      return static_cast<int>(message.wParam);
    }
    if (got == -1) {
      ThrowLastError(L"the message queue");
    }
    if (!BaseWindow::PreTranslate(message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

}  // namespace

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
