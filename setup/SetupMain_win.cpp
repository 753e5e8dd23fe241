#include <windows.h>
// After windows.h, which they need.
#include <shellapi.h>
#include <shlobj.h>

#include <cwctype>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Com_win.h"
#include "platform/DesktopShell_win.h"
#include "platform/DllSearch_win.h"
#include "platform/Handles_win.h"
#include "platform/Paths_win.h"
#include "platform/SystemError_win.h"
#include "platform/SystemLibrary_win.h"
#include "setup/Accounts_win.h"
#include "setup/Setup.h"
#include "setup/SetupMessages.h"
#include "setup/SetupSystem_win.h"

// The keyboard layout's own setup program, "lyurdu\setup.exe". The install buttons start it
// without arguments; Apps & features starts our copy under Program Files with /uninstall; Windows
// starts that copy with /user once for each person at sign-in (Active Setup).

namespace {

// The command line, split by shell32 (looked up in the system folder, see
// platform/SystemLibrary_win.h). Without the splitter setup cannot know what it was asked to do:
// that is a failure, never a guess.
std::vector<std::wstring> Arguments() {
  int count = 0;
  const auto split =
      SystemFunction<decltype(&CommandLineToArgvW)>(L"shell32.dll", "CommandLineToArgvW");
  wchar_t** words = split(GetCommandLineW(), &count);
  if (words == nullptr) {
    ThrowLastError(L"the command line");
  }
  std::vector<std::wstring> arguments;
  for (int i = 1; i < count; ++i) {
    arguments.emplace_back(words[i]);
  }
  LocalFree(words);
  return arguments;
}

// When the command line could not be split: whether it still plainly asks for no window.
bool RawCommandLineAsksQuiet() {
  std::wstring line = GetCommandLineW();
  for (wchar_t& c : line) {
    c = static_cast<wchar_t>(std::towlower(c));
  }
  return line.find(L"/quiet") != std::wstring::npos || line.find(L"-quiet") != std::wstring::npos;
}

std::wstring Folder(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

SetupEnvironment FindEnvironment(const Win32SetupSystem& system) {
  SetupEnvironment environment;
  environment.processor = NativeProcessor();
  // The real folders by name, whatever this program's bitness: a 32-bit setup is told
  // "System32" for SysWOW64 by GetSystemDirectory, and its file calls see past the redirection.
  const std::wstring windows = WindowsFolder();
  environment.systemFolder = windows + L"\\System32";
  environment.wow64Folder = windows + L"\\SysWOW64";
  environment.setupPath = ProgramPath();
  environment.sourceFolder = Folder(environment.setupPath);
  // Program Files as this program sees it: the shipped 32-bit setup keeps its copy in
  // "Program Files (x86)" on 64-bit Windows, where Windows puts 32-bit programs.
  wchar_t programFiles[MAX_PATH];
  const auto folderPath =
      SystemFunction<decltype(&SHGetFolderPathW)>(L"shell32.dll", "SHGetFolderPathW");
  const HRESULT result =
      folderPath(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles);
  if (FAILED(result)) {
    ThrowSystemError(static_cast<DWORD>(result), L"the Program Files folder");
  }
  environment.installFolder = std::wstring(programFiles) + L'\\' + kInstallFolderName;
  environment.inputDll = system.HasInputDll();
  const Accounts accounts = FindAccounts();
  environment.reach = accounts.reach;
  environment.otherAccounts = accounts.others;
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

SetupOutcome FailedBeforeAnyChange(SetupAction action, bool forUser, const SystemError& error) {
  SetupOutcome outcome;
  outcome.result = SetupResult::Failed;
  outcome.action = action;
  outcome.forUser = forUser;
  outcome.errorNumber = error.Number();
  outcome.errorText = error.Description();
  outcome.errorContext = error.Context();
  return outcome;
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

// Whether this process holds an administrator's full rights; nothing on Windows XP, which has
// no elevation (a limited account then meets "access denied" and is told so).
std::optional<bool> Elevated() {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) {
    return std::nullopt;
  }
  const UniqueKernelHandle token(raw);
  TOKEN_ELEVATION elevation{};
  DWORD size = sizeof elevation;
  if (!GetTokenInformation(token.Get(), TokenElevation, &elevation, size, &size)) {
    return std::nullopt;
  }
  return elevation.TokenIsElevated != 0;
}

// Setup's manifest asks for no elevation, so that Windows can run "setup /user" for each person
// at sign-in. Changing the computer needs an administrator: setup asks Windows for one, starts
// itself elevated with the same switches, waits, and ends with its exit code.
std::optional<int> RunElevatedWhenNeeded(const SetupArguments& arguments) {
  if (arguments.forUser || arguments.elevatedRun || arguments.action == SetupAction::Usage ||
      !arguments.unknown.empty() || Elevated().value_or(true)) {
    return std::nullopt;
  }
  const std::wstring program = ProgramPath();
  const std::wstring parameters =
      std::wstring(arguments.action == SetupAction::Uninstall ? L"/uninstall " : L"") +
      (arguments.quiet ? L"/quiet " : L"") + L"/elevated";
  SHELLEXECUTEINFOW run{};
  run.cbSize = sizeof run;
  run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  run.lpVerb = L"runas";
  run.lpFile = program.c_str();
  run.lpParameters = parameters.c_str();
  run.nShow = SW_SHOWNORMAL;
  const auto shellExecuteEx =
      SystemFunction<decltype(&ShellExecuteExW)>(L"shell32.dll", "ShellExecuteExW");
  if (!shellExecuteEx(&run) || run.hProcess == nullptr) {
    const DWORD error = GetLastError();
    SetupOutcome outcome = FailedBeforeAnyChange(
        arguments.action, false,
        SystemError(error, SystemErrorText(error),
                    error == ERROR_CANCELLED
                        ? L"an administrator's approval, which setup needs to change this "
                          L"computer and did not get"
                        : L"starting setup as an administrator"));
    if (error == ERROR_CANCELLED) {
      outcome.errorNumber = kRefused;
      outcome.errorContext =
          L"Setup needs an administrator's approval to change this computer, "
          L"and did not get it.";
    }
    if (!arguments.quiet) {
      ShowMessage(outcome);
    }
    return error == ERROR_CANCELLED ? kExitCancelled : SetupExitCode(outcome);
  }
  const UniqueKernelHandle elevated(run.hProcess);
  WaitForSingleObject(elevated.Get(), INFINITE);
  DWORD code = static_cast<DWORD>(kExitFailed);
  GetExitCodeProcess(elevated.Get(), &code);
  return static_cast<int>(code);
}

// Starts the desktop person's own part as themselves, through their shell. False where that
// cannot be done now, for whatever reason: Windows then does it at their next sign-in (Active
// Setup), and the layout is installed either way.
bool StartedAsDesktopUser(const std::wstring& program, const std::wstring& parameters) {
  try {
    EnsureComApartment();
    return ShellExecuteOnDesktop(program, parameters, Folder(program), L"open", SW_SHOWNORMAL) ==
           DesktopShellAnswer::Done;
  } catch (const SystemError&) {
    return false;
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  SetupArguments arguments;
  SetupOutcome outcome;
  try {
    // First of all: before anything else can load a DLL.
    RestrictDllSearchToSystemFolder();
    arguments = ParseSetupArguments(Arguments());
  } catch (const SystemError& error) {
    outcome = FailedBeforeAnyChange(SetupAction::Usage, false, error);
    if (!RawCommandLineAsksQuiet()) {
      ShowMessage(outcome);
    }
    return SetupExitCode(outcome);
  }
  try {
    if (const auto code = RunElevatedWhenNeeded(arguments)) {
      return *code;
    }
    const OneSetupAtATime oneAtATime;
    Win32SetupSystem system;
    const SetupEnvironment environment = FindEnvironment(system);
    outcome = RunSetup(arguments, environment, system);
    // Elevated by another account: the person at the desktop runs their own part, as themselves.
    const bool done =
        outcome.result == SetupResult::Installed ||
        outcome.result == SetupResult::AlreadyInstalled ||
        (outcome.result == SetupResult::Uninstalled && !outcome.keptForOthers.empty());
    if (!arguments.forUser && done && environment.reach == UserReach::DesktopUser &&
        !StartedAsDesktopUser(environment.installFolder + L"\\setup.exe",
                              outcome.action == SetupAction::Uninstall ? L"/user /uninstall /quiet"
                                                                       : L"/user /quiet")) {
      outcome.reach = UserReach::NextSignIn;
    }
  } catch (const SystemError& error) {
    // Failed before the first change: waiting for another setup, finding the folders.
    outcome = FailedBeforeAnyChange(arguments.action, arguments.forUser, error);
  }
  if (!arguments.quiet) {
    ShowMessage(outcome);
  }
  return SetupExitCode(outcome);
}
