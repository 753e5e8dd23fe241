#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/Handles_win.h"

// A small UI driver for the Wine tests: starts the real program, finds its windows, presses
// keys and buttons as a user would, and reads what is on the screen.
namespace ui {

using namespace std::chrono_literals;

// A path from the test's environment, turned into a Windows path (Unix paths map to drive Z:).
std::wstring EnvPath(const char* name);
std::wstring ToWindowsPath(std::wstring path);
// The program under test (TIUP_PROGRAM) and the folder for test artefacts (TIUP_ARTEFACTS).
std::wstring ProgramPath();
std::wstring ArtefactsFolder();

class Program {
 public:
  // Starts `exe` with `arguments` (appended after the quoted program path).
  static Program Start(const std::wstring& exe, const std::wstring& arguments = L"",
                       const std::wstring& workingFolder = L"");
  DWORD Id() const { return id_; }
  HANDLE Handle() const { return process_.Get(); }
  bool WaitForExit(std::chrono::milliseconds timeout) const;
  bool IsRunning() const { return !WaitForExit(0ms); }
  DWORD ExitCode() const;
  void Kill() const;
  // The first visible top-level window of this process with this caption, waiting for it.
  HWND WaitForWindow(const std::wstring& caption, std::chrono::milliseconds timeout = 20s) const;
  // Every visible top-level window of this process.
  std::vector<HWND> TopLevelWindows() const;
  // Whether the program's thread answers a message sent now (false once it has ended). A thread
  // handles the messages sent to it in the order they came, and only where it takes messages:
  // back in its loop, or waiting in a message box or on a call to another program. So the
  // answer means that whatever it was doing when the message came has finished or is waiting.
  bool Answers(std::chrono::milliseconds timeout = 10s) const;

 private:
  UniqueKernelHandle process_;
  DWORD id_ = 0;
  DWORD threadId_ = 0;
};

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
RECT ClientRectOnScreen(HWND window);
// A child's rectangle in its parent's client coordinates.
RECT RectInParent(HWND child);
std::vector<HWND> ChildrenInZOrder(HWND parent);
HWND FindChildByText(HWND parent, const std::wstring& text);
// The window that has the keyboard focus in the thread that owns `window`.
HWND FocusOf(HWND window);
// Processes now running, with the process that started each and its program's file name.
struct RunningProcess {
  DWORD id;
  DWORD parentId;
  std::wstring file;
};
std::vector<RunningProcess> RunningProcesses();
// Polls `condition` until it holds or the time runs out.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout = 10s) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) {
      return true;
    }
    if (std::chrono::steady_clock::now() > end) {
      return false;
    }
    Sleep(50);
  }
}

// Input as a user gives it: through the system's input queue, to the foreground window. Each
// returns once the input is queued: wait for what it should do (the focus moving, a window
// appearing), or follow it with input whose effect shows that everything before it was taken.
void BringToFront(HWND window);
void PressKey(WORD virtualKey, bool alt = false, bool shift = false);
// Waits until the keyboard focus in `window`'s thread is on `expected`.
bool WaitForFocus(HWND window, HWND expected, std::chrono::milliseconds timeout = 5s);
void ClickAt(POINT screenPoint);
// Two clicks in one burst of input, well inside the system's double-click time.
void DoubleClickAt(POINT screenPoint);
void ClickClient(HWND window, int x, int y);
void ClickCentre(HWND window);
// Presses a button as its click does (BM_CLICK), and returns once its thread has handled the
// click, or waits in a window the click opened (a message box): the click and then a WM_NULL are
// sent, and a thread handles what is sent to it in that order.
void PressButton(HWND button);
// Sends a mouse message to a window in the same way, returning once it has been handled.
void SendMouse(HWND window, UINT message, WPARAM keys, POINT client);

// Reads the screen as a user sees it.
COLORREF ScreenPixel(POINT screenPoint);
COLORREF ClientPixel(HWND window, int x, int y);
// Saves the window as it appears on the screen (frame included) to a 24-bit BMP file.
void SaveScreenshot(HWND window, const std::wstring& bmpPath);

}  // namespace ui
