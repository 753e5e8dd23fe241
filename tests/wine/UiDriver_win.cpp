#include "UiDriver_win.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

// after windows.h
#include <tlhelp32.h>

namespace ui {

std::wstring ToWindowsPath(std::wstring path) {
  if (!path.empty() && path.front() == L'/') {
    for (wchar_t& c : path) {
      if (c == L'/') {
        c = L'\\';
      }
    }
    path = L"Z:" + path;
  }
  return path;
}

std::wstring EnvPath(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) {
    throw std::runtime_error(std::string("test environment lacks ") + name);
  }
  const int length = MultiByteToWideChar(CP_UTF8, 0, value, -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, value, -1, wide.data(), length);
  wide.resize(static_cast<std::size_t>(length) - 1);
  return ToWindowsPath(wide);
}

std::wstring ProgramPath() { return EnvPath("TIUP_PROGRAM"); }

std::wstring ArtefactsFolder() { return EnvPath("TIUP_ARTEFACTS"); }

Program Program::Start(const std::wstring& exe, const std::wstring& arguments,
                       const std::wstring& workingFolder) {
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!arguments.empty()) {
    commandLine += L" " + arguments;
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &info)) {
    throw std::runtime_error("CreateProcess failed: " + std::to_string(GetLastError()));
  }
  CloseHandle(info.hThread);
  Program program;
  program.process_.Reset(info.hProcess);
  program.id_ = info.dwProcessId;
  program.threadId_ = info.dwThreadId;
  WaitForInputIdle(info.hProcess, 10000);
  return program;
}

bool Program::WaitForExit(std::chrono::milliseconds timeout) const {
  return WaitForSingleObject(process_.Get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

DWORD Program::ExitCode() const {
  DWORD code = 0;
  GetExitCodeProcess(process_.Get(), &code);
  return code;
}

void Program::Kill() const {
  TerminateProcess(process_.Get(), 99);
  WaitForExit(5s);
}

namespace {

struct WindowSearch {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == search->pid && IsWindowVisible(window)) {
    search->found.push_back(window);
  }
  return TRUE;
}

}  // namespace

std::vector<HWND> Program::TopLevelWindows() const {
  WindowSearch search{id_, {}};
  EnumWindows(&CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

namespace {

BOOL CALLBACK TakeFirstWindow(HWND window, LPARAM param) {
  *reinterpret_cast<HWND*>(param) = window;
  return FALSE;
}

// Sent to the thread that owns `window`; true once it answers.
bool AnswersAt(HWND window, std::chrono::milliseconds timeout) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(timeout.count()),
                             &result) != 0;
}

}  // namespace

bool Program::Answers(std::chrono::milliseconds timeout) const {
  HWND window = nullptr;
  EnumThreadWindows(threadId_, &TakeFirstWindow, reinterpret_cast<LPARAM>(&window));
  return window != nullptr && AnswersAt(window, timeout);
}

std::vector<RunningProcess> RunningProcesses() {
  std::vector<RunningProcess> running;
  const UniqueKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
       more = Process32NextW(snapshot.Get(), &entry)) {
    running.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
  }
  return running;
}

HWND Program::WaitForWindow(const std::wstring& caption, std::chrono::milliseconds timeout) const {
  HWND result = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : TopLevelWindows()) {
          if (WindowText(window) == caption) {
            result = window;
            return true;
          }
        }
        return false;
      },
      timeout);
  return result;
}

std::wstring WindowText(HWND window) {
  wchar_t text[1024] = {};
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                           SMTO_ABORTIFHUNG, 5000, &copied)) {
    return {};
  }
  return std::wstring(text, std::min<std::size_t>(copied, std::size(text)));
}

std::wstring ClassName(HWND window) {
  wchar_t name[256];
  const int length = GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return std::wstring(name, static_cast<std::size_t>(length > 0 ? length : 0));
}

RECT ClientRectOnScreen(HWND window) {
  RECT rect{};
  GetClientRect(window, &rect);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

RECT RectInParent(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::vector<HWND> ChildrenInZOrder(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

HWND FindChildByText(HWND parent, const std::wstring& text) {
  for (HWND child : ChildrenInZOrder(parent)) {
    if (WindowText(child) == text) {
      return child;
    }
  }
  return nullptr;
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) {
    return nullptr;
  }
  return info.hwndFocus;
}

void BringToFront(HWND window) {
  SetForegroundWindow(window);
  WaitUntil([&] { return GetForegroundWindow() == window; }, 3s);
}

namespace {

INPUT KeyInput(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

// Moves the pointer and waits until the system has it there, so that a click after it lands
// where the pointer is.
void MovePointer(INPUT move, POINT screenPoint) {
  SendInput(1, &move, sizeof(INPUT));
  WaitUntil(
      [&] {
        POINT at{};
        return GetCursorPos(&at) && at.x == screenPoint.x && at.y == screenPoint.y;
      },
      2s);
}

}  // namespace

void PressKey(WORD virtualKey, bool alt, bool shift) {
  std::vector<INPUT> inputs;
  if (alt) {
    inputs.push_back(KeyInput(VK_MENU, false));
  }
  if (shift) {
    inputs.push_back(KeyInput(VK_SHIFT, false));
  }
  inputs.push_back(KeyInput(virtualKey, false));
  inputs.push_back(KeyInput(virtualKey, true));
  if (shift) {
    inputs.push_back(KeyInput(VK_SHIFT, true));
  }
  if (alt) {
    inputs.push_back(KeyInput(VK_MENU, true));
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool WaitForFocus(HWND window, HWND expected, std::chrono::milliseconds timeout) {
  return WaitUntil([&] { return FocusOf(window) == expected; }, timeout);
}

void ClickAt(POINT screenPoint) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  INPUT inputs[3]{};
  for (INPUT& input : inputs) {
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(screenPoint.x, 65535, width - 1);
    input.mi.dy = MulDiv(screenPoint.y, 65535, height - 1);
  }
  inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
  inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
  MovePointer(inputs[0], screenPoint);
  SendInput(2, &inputs[1], sizeof(INPUT));
}

void DoubleClickAt(POINT screenPoint) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  INPUT inputs[5]{};
  for (INPUT& input : inputs) {
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(screenPoint.x, 65535, width - 1);
    input.mi.dy = MulDiv(screenPoint.y, 65535, height - 1);
  }
  inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
  inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
  inputs[3].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
  inputs[4].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
  MovePointer(inputs[0], screenPoint);
  SendInput(4, &inputs[1], sizeof(INPUT));
}

void ClickClient(HWND window, int x, int y) {
  POINT point{x, y};
  ClientToScreen(window, &point);
  ClickAt(point);
}

void ClickCentre(HWND window) {
  RECT rect{};
  GetClientRect(window, &rect);
  ClickClient(window, rect.right / 2, rect.bottom / 2);
}

void PressButton(HWND button) {
  SendNotifyMessageW(button, BM_CLICK, 0, 0);
  AnswersAt(button, 10s);
}

void SendMouse(HWND window, UINT message, WPARAM keys, POINT client) {
  SendNotifyMessageW(window, message, keys, MAKELPARAM(client.x, client.y));
  AnswersAt(window, 10s);
}

COLORREF ScreenPixel(POINT screenPoint) {
  const HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, screenPoint.x, screenPoint.y);
  ReleaseDC(nullptr, screen);
  return colour;
}

COLORREF ClientPixel(HWND window, int x, int y) {
  POINT point{x, y};
  ClientToScreen(window, &point);
  return ScreenPixel(point);
}

void SaveScreenshot(HWND window, const std::wstring& bmpPath) {
  RECT rect{};
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
  const DWORD imageSize = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + imageSize;
  info.bmiHeader.biSizeImage = imageSize;
  std::ofstream out(bmpPath.c_str(), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof(file));
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
  out.write(static_cast<const char*>(bits), imageSize);
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

}  // namespace ui
