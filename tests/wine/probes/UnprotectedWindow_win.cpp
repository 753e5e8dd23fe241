// The DLL planting test's control: a plain program with one window, as any Win32 program starts,
// that does NOT restrict its DLL search unless told "--protected" (then it does what the program
// does first). Its caption says which it is. "--as-on-xp" restricts it as the program does where
// Windows lacks SetDefaultDllDirectories (Windows XP), loads the shell as the program does, by
// full path from the system folder, and ends without a window; "--as-on-xp-plain-load" loads it
// by full path but with the default search for the shell's own imports, to show what the
// altered search prevents.
#include <windows.h>

#include <cwchar>
#include <string>

#include "platform/DllSearch_win.h"
#include "platform/SystemError.h"
#include "platform/SystemLibrary_win.h"

namespace {

LRESULT CALLBACK ProbeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand) {
  const bool isProtected = std::wcsstr(commandLine, L"--protected") != nullptr;
  const bool asOnXp = std::wcsstr(commandLine, L"--as-on-xp") != nullptr;
  if (isProtected) {
    RestrictDllSearchToSystemFolder();
  } else if (asOnXp) {
    RestrictDllSearchWithoutDefaultDirectories();
    if (std::wcsstr(commandLine, L"--as-on-xp-plain-load") != nullptr) {
      wchar_t system[MAX_PATH] = {};
      GetSystemDirectoryW(system, MAX_PATH);
      return LoadLibraryW((std::wstring(system) + L"\\shell32.dll").c_str()) != nullptr ? 0 : 2;
    }
    try {
      SystemProcedure(L"shell32.dll", "ShellExecuteW");
      return 0;
    } catch (const SystemError&) {
      return 2;
    }
  }
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = &ProbeWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = L"Tamlorix.PlantingProbe";
  if (RegisterClassExW(&windowClass) == 0) {
    return 1;
  }
  const HWND window = CreateWindowExW(0, windowClass.lpszClassName,
                                      isProtected ? L"Protected probe"
                                      : asOnXp    ? L"Probe as on Windows XP"
                                                  : L"Unprotected probe",
                                      WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 300, 200,
                                      nullptr, nullptr, instance, nullptr);
  if (window == nullptr) {
    return 1;
  }
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
