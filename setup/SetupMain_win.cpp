#include <windows.h>
// After windows.h, which they need.
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/DllSearch_win.h"
#include "platform/SystemError_win.h"
#include "platform/SystemLibrary_win.h"
#include "setup/Setup.h"
#include "setup/SetupMessages.h"
#include "setup/SetupSystem_win.h"

// The keyboard layout's own setup program, "lyurdu\setup.exe". The install buttons start it
// without arguments; Apps & features starts our copy under Program Files with /uninstall.

namespace {

// A function of shell32, looked up in the system folder when first needed (see
// platform/SystemLibrary_win.h for why it is not imported); null when it cannot be found.
template <typename Function>
Function ShellFunction(const char* name) {
  try {
    return SystemFunction<Function>(L"shell32.dll", name);
  } catch (const SystemError&) {
    return nullptr;
  }
}

std::vector<std::wstring> Arguments() {
  int count = 0;
  const auto split = ShellFunction<decltype(&CommandLineToArgvW)>("CommandLineToArgvW");
  wchar_t** words = split != nullptr ? split(GetCommandLineW(), &count) : nullptr;
  std::vector<std::wstring> arguments;
  for (int i = 1; words != nullptr && i < count; ++i) {
    arguments.emplace_back(words[i]);
  }
  LocalFree(words);
  return arguments;
}

std::wstring Folder(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) {
      ThrowLastError(L"this program's own path");
    }
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

SetupEnvironment FindEnvironment(const Win32SetupSystem& system) {
  SetupEnvironment environment;
  environment.windows64 = IsWindows64();
  wchar_t windows[MAX_PATH];
  const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    ThrowLastError(L"the Windows folder");
  }
  environment.systemFolder = std::wstring(windows) + L"\\System32";
  environment.wow64Folder = std::wstring(windows) + L"\\SysWOW64";
  environment.setupPath = ModulePath();
  environment.sourceFolder = Folder(environment.setupPath);
  wchar_t programFiles[MAX_PATH];
  const auto folderPath = ShellFunction<decltype(&SHGetFolderPathW)>("SHGetFolderPathW");
  if (folderPath == nullptr) {
    ThrowLastError(L"the Program Files folder");
  }
  const HRESULT result =
      folderPath(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles);
  if (FAILED(result)) {
    ThrowSystemError(static_cast<DWORD>(result), L"the Program Files folder");
  }
  environment.installFolder = std::wstring(programFiles) + L'\\' + kInstallFolderName;
  environment.inputDll = system.HasInputService();
  return environment;
}

// The install buttons start setup minimised, and Windows shows a program's first window the way
// it was started: its one message would wait minimised on the taskbar, unseen, while the user
// believes setup done. So the message box is kept above other windows (MB_TOPMOST alone is not
// honoured everywhere), and whenever it is minimised it is put back in front.
LRESULT CALLBACK KeepMessageInView(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    wchar_t className[16] = {};
    const bool messageBox = GetClassNameW(message->hwnd, className, 16) != 0 &&
                            std::wstring_view(className) == L"#32770";
    if (messageBox && message->message == WM_INITDIALOG) {
      SetWindowPos(message->hwnd, HWND_TOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    } else if (messageBox && message->message == WM_SIZE && message->wParam == SIZE_MINIMIZED) {
      // Posted: the system is still minimising the window.
      ShowWindowAsync(message->hwnd, SW_RESTORE);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void ShowMessage(const SetupOutcome& outcome) {
  const UniqueHook hook(
      SetWindowsHookExW(WH_CALLWNDPROCRET, KeepMessageInView, nullptr, GetCurrentThreadId()));
  MessageBoxW(nullptr, SetupMessage(outcome).c_str(), kSetupTitle,
              MB_OK | MB_SETFOREGROUND | MB_TOPMOST |
                  (SetupMessageIsWarning(outcome) ? MB_ICONWARNING : MB_ICONINFORMATION));
}

// Two runs at once (an install button pressed twice in quick succession) would each find the
// layout missing, and a failure in one would undo what the other had installed: one setup works
// at a time, the next waits for it. Held only while working, never while a message is shown.
class OneSetupAtATime {
 public:
  OneSetupAtATime() : lock_(CreateMutexW(nullptr, FALSE, kSetupLockName)) {
    if (!lock_) {
      ThrowLastError(L"the lock that lets one setup work at a time");
    }
    const DWORD waited = WaitForSingleObject(lock_.Get(), kLongestWaitMs);
    // Abandoned: the other setup ended without letting go; the lock is ours all the same.
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
      lock_.Reset();
      ThrowSystemError(ERROR_SHARING_VIOLATION,
                       L"the keyboard layout (another setup is still running)");
    }
  }
  OneSetupAtATime(const OneSetupAtATime&) = delete;
  OneSetupAtATime& operator=(const OneSetupAtATime&) = delete;
  ~OneSetupAtATime() {
    if (lock_) {
      ReleaseMutex(lock_.Get());
    }
  }

 private:
  static constexpr const wchar_t* kSetupLockName = L"Global\\TamlorixUrduPhoneticKeyboardSetup";
  static constexpr DWORD kLongestWaitMs = 60000;
  UniqueKernelHandle lock_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  RestrictDllSearchToSystemFolder();
  const SetupArguments arguments = ParseSetupArguments(Arguments());
  SetupOutcome outcome;
  try {
    const OneSetupAtATime oneAtATime;
    Win32SetupSystem system;
    outcome = RunSetup(arguments, FindEnvironment(system), system);
  } catch (const SystemError& error) {
    // Failed before the first change: waiting for another setup, finding the folders.
    outcome.result = SetupResult::Failed;
    outcome.action = arguments.action;
    outcome.errorNumber = error.Number();
    outcome.errorText = error.Description();
    outcome.errorContext = error.Context();
  }
  if (!arguments.quiet) {
    ShowMessage(outcome);
  }
  return SetupExitCode(outcome);
}
