// The DLL planting test's control: a plain program with one window, as any Win32 program starts,
// that does NOT restrict its DLL search unless told "--protected" (then it does what the program
// does first). Its caption says which it is.
#include <windows.h>

#include <cwchar>

#include "platform/DllSearch_win.h"

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
  if (isProtected) {
    RestrictDllSearchToSystemFolder();
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
  const HWND window =
      CreateWindowExW(0, windowClass.lpszClassName,
                      isProtected ? L"Protected probe" : L"Unprotected probe", WS_OVERLAPPEDWINDOW,
                      CW_USEDEFAULT, CW_USEDEFAULT, 300, 200, nullptr, nullptr, instance, nullptr);
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
