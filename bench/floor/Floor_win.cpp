// The floor for the benchmark: the least any Win32 program with a window pays. One empty
// top-level window, registered, shown, painted by the system's default handling, and a message
// loop; built with the same compiler settings as the program.
//
// Built a second time as bench_floor_controls (TIUP_FLOOR_CONTROLS): the same window with six
// plain buttons and the program's manifest (common controls 6), so that the table can tell what
// the program's own code costs apart from what those system pieces cost.
#include <windows.h>

namespace {

LRESULT CALLBACK FloorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = &FloorWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = L"Tamlorix.BenchFloor";
  if (RegisterClassExW(&windowClass) == 0) {
    return 1;
  }
  const HWND window =
      CreateWindowExW(0, windowClass.lpszClassName, L"Floor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                      CW_USEDEFAULT, 420, 330, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) {
    return 1;
  }
#ifdef TIUP_FLOOR_CONTROLS
  for (int i = 0; i < 6; ++i) {
    const HWND button =
        CreateWindowExW(0, L"BUTTON", L"Install Urdu Fonts", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                        10, 10 + 40 * i, 200, 30, window, nullptr, instance, nullptr);
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
  }
#endif
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
