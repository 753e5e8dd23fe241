#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "MachineSnapshot_win.h"
#include "UiDriver_win.h"
#include "platform/Handles_win.h"

// The layout's setup program, run as users and deployment tools run it, in a 64-bit prefix.
// Each test leaves the machine uninstalled, as it found it.

namespace {

using namespace std::chrono_literals;

const std::wstring kTitle = L"Urdu Phonetic Keyboard Setup";
const std::wstring kLayouts = L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts";
const std::wstring kUninstall =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TamlorixUrduPhoneticKeyboard";
const std::wstring kSessionManager = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";

std::wstring WindowsFolder() {
  wchar_t buffer[MAX_PATH];
  GetSystemWindowsDirectoryW(buffer, MAX_PATH);
  return buffer;
}
std::wstring System32() { return WindowsFolder() + L"\\System32"; }
std::wstring SysWow64() { return WindowsFolder() + L"\\SysWOW64"; }
std::wstring InstallFolder() {
  wchar_t buffer[MAX_PATH];
  GetEnvironmentVariableW(L"ProgramW6432", buffer, MAX_PATH);
  return std::wstring(buffer) + L"\\Tamlorix Urdu Phonetic Keyboard";
}

std::string ReadBytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
void WriteBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream(std::filesystem::path(path), std::ios::binary | std::ios::trunc) << bytes;
}

Snapshot MachineState() {
  Snapshot s;
  DumpKey(HKEY_LOCAL_MACHINE, L"HKLM", kLayouts, s);
  DumpKey(HKEY_LOCAL_MACHINE, L"HKLM", L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
          s);
  DumpKey(HKEY_LOCAL_MACHINE, L"HKLM", kSessionManager, s);
  DumpKey(HKEY_CURRENT_USER, L"HKCU", L"Keyboard Layout", s);
  DumpFolder(System32(), false, s);
  DumpFolder(SysWow64(), false, s);
  DumpFolder(InstallFolder().substr(0, InstallFolder().rfind(L'\\')), true, s);
  return s;
}

// As much as setup could touch, as wide as a test run allows: the whole of HKLM\\SOFTWARE (both
// views) and of HKCU, the layouts' and session manager's keys, the system folders' listings and
// Program Files.
Snapshot WideState() {
  Snapshot s;
  DumpKey(HKEY_LOCAL_MACHINE, L"HKLM", L"SOFTWARE", s);
  DumpKey(HKEY_LOCAL_MACHINE, L"HKLM", kLayouts, s);
  DumpKey(HKEY_LOCAL_MACHINE, L"HKLM", kSessionManager, s);
  DumpKey(HKEY_CURRENT_USER, L"HKCU", L"", s);
  DumpFolder(System32(), false, s);
  DumpFolder(SysWow64(), false, s);
  DumpFolder(InstallFolder().substr(0, InstallFolder().rfind(L'\\')), true, s);
  wchar_t x86[MAX_PATH] = {};
  GetEnvironmentVariableW(L"ProgramFiles(x86)", x86, MAX_PATH);
  DumpFolder(x86, true, s);
  return s;
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) {
    c = static_cast<wchar_t>(towlower(c));
  }
  return text;
}

// Setup's own keys, values and files, and nothing else.
bool OursAfterInstall(const std::wstring& entry) {
  const std::wstring lower = Lower(entry);
  for (const std::wstring& own :
       {L"HKLM\\" + kLayouts + L"\\a0000420\\", L"HKLM\\" + kLayouts + L"\\a0000420|",
        L"HKLM\\" + kUninstall + L"\\", L"HKLM\\" + kUninstall + L"|",
        std::wstring(L"HKCU\\Keyboard Layout\\Substitutes|d0010420"),
        std::wstring(L"HKCU\\Keyboard Layout\\Preload|2"), System32() + L"\\kbdurph.dll",
        SysWow64() + L"\\kbdurph.dll", InstallFolder() + L"\\"}) {
    if (lower.rfind(Lower(own), 0) == 0) {
      return true;
    }
  }
  return false;
}

std::optional<std::wstring> ReadString(HKEY root, const std::wstring& key, const wchar_t* name) {
  wchar_t buffer[1024];
  DWORD size = sizeof buffer;
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                   nullptr, buffer, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(buffer);
}
std::optional<DWORD> ReadNumber(HKEY root, const std::wstring& key, const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return value;
}

struct WindowSearch {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindowOf(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search.processId && IsWindowVisible(window)) {
    search.found.push_back(window);
  }
  return TRUE;
}

std::vector<HWND> WindowsOf(DWORD processId) {
  WindowSearch search{processId, {}};
  EnumWindows(CollectWindowOf, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

struct SetupRun {
  DWORD exitCode = 0;
  std::set<HWND> windows;       // every visible top-level window it showed
  std::set<HWND> messageBoxes;  // those titled as setup's message
  bool messageMinimised = false;
  std::wstring message;  // the one message box's text, when it showed one
};

// Runs a command line to its end. A message box is read and answered with its OK button, as a
// user would; every window the process shows is counted.
// `showCode` as the program's install buttons pass it (2: minimised).
SetupRun RunCommandLine(std::wstring commandLine, WORD showCode = SW_SHOWNORMAL) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = showCode;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    ADD_FAILURE() << "cannot start setup: " << GetLastError();
    return {};
  }
  CloseHandle(info.hThread);
  UniqueKernelHandle process(info.hProcess);
  SetupRun run;
  const auto end = std::chrono::steady_clock::now() + 60s;
  while (WaitForSingleObject(process.Get(), 20) == WAIT_TIMEOUT) {
    for (HWND window : WindowsOf(info.dwProcessId)) {
      run.windows.insert(window);
      if (ui::WindowText(window) == kTitle) {
        run.messageBoxes.insert(window);
        run.messageMinimised = run.messageMinimised || IsIconic(window);
        HWND ok = nullptr;
        ui::WaitUntil([&] { return (ok = ui::FindChildByText(window, L"OK")) != nullptr; }, 5s);
        wchar_t text[4096] = {};
        GetDlgItemTextW(window, 0xFFFF, text, 4096);
        run.message = text;
        if (ok != nullptr) {
          ui::BringToFront(window);
          ui::ClickCentre(ok);
        }
        ui::WaitUntil([&] { return !IsWindow(window); }, 5s);
      }
    }
    if (std::chrono::steady_clock::now() > end) {
      TerminateProcess(process.Get(), 999);
      ADD_FAILURE() << "setup did not end";
      break;
    }
  }
  GetExitCodeProcess(process.Get(), &run.exitCode);
  return run;
}

class LayoutSetup : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // A distribution folder with a space in its path, as users unpack it.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    dist_ = std::wstring(temp) + L"tiup setup test\\lyurdu";
    for (const wchar_t* folder : {L"", L"\\x64", L"\\wow64", L"\\x86"}) {
      CreateDirectoryW((dist_.substr(0, dist_.rfind(L'\\'))).c_str(), nullptr);
      CreateDirectoryW((dist_ + folder).c_str(), nullptr);
    }
    ASSERT_TRUE(CopyFileW(ui::EnvPath("TIUP_SETUP").c_str(), SetupExe().c_str(), FALSE));
    // One layout DLL for every variant, each marked with its variant's name so the test sees
    // which copy went where.
    const std::string layout = ReadBytes(ui::EnvPath("TIUP_LAYOUT_DLL"));
    ASSERT_FALSE(layout.empty());
    for (const char* variant : {"x64", "wow64", "x86"}) {
      const std::wstring wide(variant, variant + strlen(variant));
      WriteBytes(dist_ + L"\\" + wide + L"\\kbdurph.dll", layout + variant);
    }
  }
  void SetUp() override { before_ = MachineState(); }
  void TearDown() override {
    // Whatever happened, leave the prefix without the layout for the next test.
    RunCommandLine(Quoted(SetupExe()) + L" /uninstall /quiet");
  }

  static std::wstring SetupExe() { return dist_ + L"\\setup.exe"; }
  static std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }
  static std::string Variant(const wchar_t* variant) {
    return ReadBytes(dist_ + L"\\" + variant + L"\\kbdurph.dll");
  }

  static inline std::wstring dist_;
  Snapshot before_;
};

TEST_F(LayoutSetup, InstallPutsBothVariantsAndEveryRegistryValueInPlace) {
  const SetupRun run = RunCommandLine(Quoted(SetupExe()) + L" /quiet");
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(run.windows.size(), 0u) << "/quiet showed a window";

  EXPECT_EQ(ReadBytes(System32() + L"\\kbdurph.dll"), Variant(L"x64"));
  EXPECT_EQ(ReadBytes(SysWow64() + L"\\kbdurph.dll"), Variant(L"wow64"));
  EXPECT_EQ(ReadBytes(InstallFolder() + L"\\setup.exe"), ReadBytes(SetupExe()));

  // The prefix has no custom layouts: the first identifiers of each kind.
  const std::wstring key = kLayouts + L"\\a0000420";
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, key, L"Layout File"), L"kbdurph.dll");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, key, L"Layout Text"), L"Urdu Phonetic");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, key, L"Layout Display Name"),
            L"@%SystemRoot%\\system32\\kbdurph.dll,-1000");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, key, L"Layout Id"), L"00c0");
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, L"Keyboard Layout\\Substitutes", L"d0010420"),
            L"a0000420");
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, L"Keyboard Layout\\Preload", L"2"), L"d0010420");

  const std::wstring copy = Quoted(InstallFolder() + L"\\setup.exe");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstall, L"DisplayName"),
            L"Urdu Phonetic Keyboard Layout");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstall, L"Publisher"), L"Tamlorix Corporation");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstall, L"DisplayVersion"), L"1.00");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstall, L"DisplayIcon"),
            InstallFolder() + L"\\setup.exe,0");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstall, L"UninstallString"), copy + L" /uninstall");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstall, L"QuietUninstallString"),
            copy + L" /uninstall /quiet");
  const auto size = ReadNumber(HKEY_LOCAL_MACHINE, kUninstall, L"EstimatedSize");
  ASSERT_TRUE(size);
  EXPECT_EQ(*size, (ReadBytes(SetupExe()).size() + Variant(L"x64").size() +
                    Variant(L"wow64").size() + 1023) /
                       1024);
  EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, kUninstall, L"NoModify"), 1u);
  EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, kUninstall, L"NoRepair"), 1u);
}

TEST_F(LayoutSetup, ASecondInstallChangesNothingAndUninstallRestoresEverything) {
  // Started as the install buttons start it: minimised, yet its message must be seen.
  const SetupRun first = RunCommandLine(Quoted(SetupExe()), SW_SHOWMINIMIZED);
  EXPECT_EQ(first.exitCode, 0u);
  EXPECT_EQ(first.messageBoxes.size(), 1u);
  EXPECT_FALSE(first.messageMinimised);
  EXPECT_NE(first.message.find(L"is installed"), std::wstring::npos);
  const Snapshot installed = MachineState();

  const SetupRun second = RunCommandLine(Quoted(SetupExe()));
  EXPECT_EQ(second.exitCode, 0u);
  EXPECT_NE(second.message.find(L"already installed"), std::wstring::npos);
  EXPECT_SAME_STATE(installed, MachineState());

  const SetupRun uninstall = RunCommandLine(Quoted(SetupExe()) + L" /uninstall /quiet");
  EXPECT_EQ(uninstall.exitCode, 0u);
  EXPECT_EQ(uninstall.windows.size(), 0u);
  EXPECT_SAME_STATE(before_, MachineState());

  const SetupRun again = RunCommandLine(Quoted(SetupExe()) + L" /UNINSTALL");
  EXPECT_EQ(again.exitCode, 0u);
  EXPECT_NE(again.message.find(L"is not installed"), std::wstring::npos);
  EXPECT_SAME_STATE(before_, MachineState());
}

TEST_F(LayoutSetup, AppsAndFeaturesUninstallWorksWithoutTheDistribution) {
  ASSERT_EQ(RunCommandLine(Quoted(SetupExe()) + L" /quiet").exitCode, 0u);
  // The uninstall command as Apps & features runs it: our own copy, which is running and so
  // can only go at the next restart, with its folder.
  const auto command = ReadString(HKEY_LOCAL_MACHINE, kUninstall, L"QuietUninstallString");
  ASSERT_TRUE(command);
  const SetupRun run = RunCommandLine(*command);
  EXPECT_EQ(run.exitCode, 3010u);
  EXPECT_EQ(run.windows.size(), 0u);

  const auto pending = MachineState();
  std::wstring pendingRenames;
  {
    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager.c_str(), 0, KEY_READ, &raw), 0);
    UniqueRegKey key(raw);
    wchar_t data[8192] = {};
    DWORD size = sizeof data - sizeof(wchar_t);
    RegQueryValueExW(key.Get(), L"PendingFileRenameOperations", nullptr, nullptr,
                     reinterpret_cast<BYTE*>(data), &size);
    for (DWORD i = 0; i < size / sizeof(wchar_t); ++i) {
      pendingRenames += data[i] == 0 ? L'|' : data[i];
    }
  }
  EXPECT_NE(pendingRenames.find(InstallFolder() + L"\\setup.exe"), std::wstring::npos);
  EXPECT_NE(pendingRenames.find(InstallFolder() + L"|"), std::wstring::npos);

  // What the restart does, so that the rest can be compared with before.
  for (const auto& [name, value] : pending) {
    if (name.rfind(InstallFolder() + L"\\", 0) == 0 && name.back() != L'\\') {
      DeleteFileW(name.c_str());
    }
  }
  RemoveDirectoryW(InstallFolder().c_str());
  {
    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager.c_str(), 0, KEY_ALL_ACCESS, &raw),
              0);
    UniqueRegKey key(raw);
    RegDeleteValueW(key.Get(), L"PendingFileRenameOperations");
  }
  Snapshot expected = before_;
  expected.erase(L"HKLM\\" + kSessionManager + L"|PendingFileRenameOperations");
  EXPECT_SAME_STATE(expected, MachineState());
}

TEST_F(LayoutSetup, ABadArgumentChangesNothingAndSaysWhy) {
  const SetupRun quiet = RunCommandLine(Quoted(SetupExe()) + L" /quiet /remove");
  EXPECT_EQ(quiet.exitCode, 87u);
  EXPECT_EQ(quiet.windows.size(), 0u);
  const SetupRun shown = RunCommandLine(Quoted(SetupExe()) + L" /remove");
  EXPECT_EQ(shown.exitCode, 87u);
  EXPECT_NE(shown.message.find(L"\"/remove\""), std::wstring::npos);
  EXPECT_NE(shown.message.find(L"/uninstall"), std::wstring::npos);
  EXPECT_SAME_STATE(before_, MachineState());
}

TEST_F(LayoutSetup, AFileInUsePartWayRollsEverythingBack) {
  // Another program holds a layout file of the same name in SysWOW64: the copy there fails after
  // the program copy and the System32 copy have been made.
  const std::wstring held = SysWow64() + L"\\kbdurph.dll";
  WriteBytes(held, "someone else's");
  const Snapshot before = MachineState();
  {
    UniqueFileHandle lock(
        CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    const SetupRun run = RunCommandLine(Quoted(SetupExe()));
    EXPECT_EQ(run.exitCode, 1603u);
    EXPECT_NE(run.message.find(L"Another program is using the file " + held), std::wstring::npos)
        << std::string(run.message.begin(), run.message.end());
    EXPECT_NE(run.message.find(L"Nothing was changed."), std::wstring::npos);
  }
  EXPECT_SAME_STATE(before, MachineState());
  EXPECT_EQ(ReadBytes(held), "someone else's");
  DeleteFileW(held.c_str());
}

// "setup.exe touches only its own registry keys and files": after the install every difference
// is one of its own additions (nothing else added, changed or removed), and the uninstall puts
// back exactly what was there.
TEST_F(LayoutSetup, InstallTouchesOnlyItsOwnKeysAndFilesAndUninstallProvesIt) {
  const Snapshot before = WideState();
  ASSERT_EQ(RunCommandLine(Quoted(SetupExe()) + L" /quiet").exitCode, 0u);
  const Snapshot installed = WideState();
  std::wstring foreign;
  std::size_t ours = 0;
  for (const auto& [entry, value] : installed) {
    const auto old = before.find(entry);
    const bool added = old == before.end();
    if (!added && old->second == value) {
      continue;
    }
    if (added && OursAfterInstall(entry)) {
      ++ours;
    } else {
      foreign += (added ? L"  added: " : L"  changed: ") + entry + L"\n";
    }
  }
  for (const auto& [entry, value] : before) {
    if (!installed.count(entry)) {
      foreign += L"  gone: " + entry + L"\n";
    }
  }
  EXPECT_TRUE(foreign.empty()) << "install touched more than its own:\n"
                               << std::string(foreign.begin(), foreign.end());
  // The layout's key, its Uninstall entry, two user values, two DLLs, its folder and copy.
  EXPECT_GE(ours, 8u);

  ASSERT_EQ(RunCommandLine(Quoted(SetupExe()) + L" /uninstall /quiet").exitCode, 0u);
  EXPECT_SAME_STATE(before, WideState());
}

}  // namespace

// Setup runs started together (an install button pressed twice quickly) work one after the
// other: while another holds the lock, setup waits and changes nothing.
namespace {

TEST_F(LayoutSetup, ASecondSetupWaitsUntilTheFirstHasFinished) {
  SetLastError(ERROR_SUCCESS);
  UniqueKernelHandle lock(
      CreateMutexW(nullptr, TRUE, L"Global\\TamlorixUrduPhoneticKeyboardSetup"));
  ASSERT_TRUE(lock);
  ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << "another setup is running";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::wstring commandLine = Quoted(SetupExe()) + L" /quiet";
  ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &info));
  const UniqueKernelHandle thread(info.hThread);
  const UniqueKernelHandle process(info.hProcess);
  EXPECT_EQ(WaitForSingleObject(process.Get(), 2000), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_SAME_STATE(before_, MachineState());

  ReleaseMutex(lock.Get());
  ASSERT_EQ(WaitForSingleObject(process.Get(), 30000), WAIT_OBJECT_0);
  DWORD exitCode = 99;
  GetExitCodeProcess(process.Get(), &exitCode);
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kLayouts + L"\\a0000420", L"Layout File"),
            L"kbdurph.dll");
}

}  // namespace
