#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

#include "MachineSnapshot_win.h"
#include "SmallDisk_win.h"
#include "UiDriver_win.h"
#include "platform/Handles_win.h"
#include "setup/MachineLayout.h"
#include "setup/Setup.h"

// The layout's setup program, run as users, deployment tools and Windows itself run it, in a
// prefix of the test's own bitness. Each test leaves the machine uninstalled, as it found it.

namespace {

using namespace std::chrono_literals;
using machine::ReadNumber;
using machine::ReadString;
using machine::RealSystem32;
using machine::SetupFolder;
using machine::SysWow64;

const std::wstring kTitle = L"Urdu Phonetic Keyboard Setup";
const std::wstring kLayouts = L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts";
const std::wstring kUninstall =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TamlorixUrduPhoneticKeyboard";
const std::wstring kSessionManager = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const std::wstring kActiveSetup =
    L"SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\TamlorixUrduPhoneticKeyboard";
const std::wstring kRecord = L"Software\\Tamlorix Urdu Phonetic Keyboard";
const std::wstring kProfiles = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const std::wstring kSecondPerson = L"S-1-5-21-0-0-0-1001";
const std::wstring kUserProfile = L"Control Panel\\International\\User Profile\\ur";

std::string ReadBytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
void WriteBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream(std::filesystem::path(path), std::ios::binary | std::ios::trunc) << bytes;
}
std::string Narrow(const std::wstring& text) { return std::filesystem::path(text).string(); }

Snapshot MachineState() {
  Snapshot s;
  DumpKey(HKEY_LOCAL_MACHINE, L"HKLM", kLayouts, s);
  DumpKey(HKEY_LOCAL_MACHINE, L"HKLM", L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
          s);
  DumpKey(HKEY_LOCAL_MACHINE, L"HKLM", kActiveSetup, s);
  DumpKey(HKEY_LOCAL_MACHINE, L"HKLM", kSessionManager, s);
  DumpKey(HKEY_CURRENT_USER, L"HKCU", L"Keyboard Layout", s);
  DumpKey(HKEY_CURRENT_USER, L"HKCU", kRecord, s);
  DumpFolder(RealSystem32(), false, s);
  DumpFolder(SysWow64(), false, s);
  DumpFolder(machine::ProgramFiles(), true, s);
  return s;
}

// As much as setup could touch, as wide as a test run allows: the whole of HKLM\\SOFTWARE (both
// views) and of HKCU, the layouts' and session manager's keys, the system folders' listings and
// both Program Files.
Snapshot WideState() {
  Snapshot s;
  DumpKey(HKEY_LOCAL_MACHINE, L"HKLM", L"SOFTWARE", s);
  DumpKey(HKEY_LOCAL_MACHINE, L"HKLM", kLayouts, s);
  DumpKey(HKEY_LOCAL_MACHINE, L"HKLM", kSessionManager, s);
  DumpKey(HKEY_CURRENT_USER, L"HKCU", L"", s);
  // Wine's own record of the session's system parameters, made by whichever process first asks
  // for them (a 32-bit setup may be the first): Wine's, not Windows' nor setup's.
  std::erase_if(s, [](const auto& entry) {
    return entry.first.rfind(L"HKCU\\Software\\Wine\\Temporary System Parameters\\", 0) == 0;
  });
  DumpFolder(RealSystem32(), false, s);
  DumpFolder(SysWow64(), false, s);
  for (const wchar_t* name : {L"ProgramW6432", L"ProgramFiles(x86)"}) {
    wchar_t folder[MAX_PATH] = {};
    GetEnvironmentVariableW(name, folder, MAX_PATH);
    DumpFolder(folder, true, s);
  }
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
        L"HKLM\\" + kActiveSetup + L"\\", L"HKLM\\" + kActiveSetup + L"|",
        L"HKCU\\" + kRecord + L"\\", L"HKCU\\" + kRecord + L"|",
        std::wstring(L"HKCU\\Keyboard Layout\\Substitutes|d0010420"),
        std::wstring(L"HKCU\\Keyboard Layout\\Substitutes\\"),  // a fresh profile has none
        std::wstring(L"HKCU\\Keyboard Layout\\Preload|2"), RealSystem32() + L"\\kbdurph.dll",
        SysWow64() + L"\\kbdurph.dll", SetupFolder() + L"\\"}) {
    if (lower.rfind(Lower(own), 0) == 0) {
      return true;
    }
  }
  return false;
}

struct WindowSearch {
  DWORD processId;  // 0: any process's windows titled as setup's message
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindowOf(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (IsWindowVisible(window) &&
      (search.processId != 0 ? owner == search.processId : ui::WindowText(window) == kTitle)) {
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
  DWORD processId = 0;
  DWORD exitCode = 0;
  std::set<DWORD> messageOwners;  // the processes that showed setup's message
  std::set<HWND> windows;         // every visible top-level window it showed
  std::set<HWND> messageBoxes;    // those titled as setup's message
  bool messageMinimised = false;
  std::wstring message;  // the one message box's text, when it showed one
};

// Reads setup's message as a user does and answers it with its OK button; counts its windows.
void AnswerWindows(DWORD processId, SetupRun& run) {
  for (HWND window : WindowsOf(processId)) {
    run.windows.insert(window);
    if (ui::WindowText(window) != kTitle) {
      continue;
    }
    run.messageBoxes.insert(window);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    run.messageOwners.insert(owner);
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

// Runs a command line to its end, answering its message (and that of a setup it starts).
// `showCode` as the program's install buttons pass it (2: minimised); `token`: run as that.
SetupRun RunCommandLine(std::wstring commandLine, WORD showCode = SW_SHOWNORMAL,
                        HANDLE token = nullptr) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = showCode;
  PROCESS_INFORMATION info{};
  if (!(token != nullptr
            ? CreateProcessAsUserW(token, nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                   nullptr, nullptr, &startup, &info)
            : CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &info))) {
    ADD_FAILURE() << "cannot start setup: " << GetLastError();
    return {};
  }
  CloseHandle(info.hThread);
  UniqueKernelHandle process(info.hProcess);
  SetupRun run;
  run.processId = info.dwProcessId;
  const auto end = std::chrono::steady_clock::now() + 60s;
  while (WaitForSingleObject(process.Get(), 20) == WAIT_TIMEOUT) {
    AnswerWindows(info.dwProcessId, run);
    AnswerWindows(0, run);
    if (std::chrono::steady_clock::now() > end) {
      TerminateProcess(process.Get(), 999);
      ADD_FAILURE() << "setup did not end";
      break;
    }
  }
  GetExitCodeProcess(process.Get(), &run.exitCode);
  return run;
}

// What Windows does for Active Setup when a person signs in (for our component): when the
// computer's Version is higher than the one the person's registry records, it runs StubPath as
// that person and records the Version. True when it ran the command.
bool SignIn() {
  const auto version = ReadString(HKEY_LOCAL_MACHINE, kActiveSetup, L"Version");
  const auto stub = ReadString(HKEY_LOCAL_MACHINE, kActiveSetup, L"StubPath");
  const auto seen = ReadString(HKEY_CURRENT_USER, kActiveSetup, L"Version");
  const auto numbers = [](const std::wstring& text) {
    std::vector<unsigned long> parts;
    for (std::wstringstream in(text); !in.eof();) {
      unsigned long part = 0;
      wchar_t comma = 0;
      in >> part >> comma;
      parts.push_back(part);
    }
    return parts;
  };
  if (!version || !stub || (seen && numbers(*seen) >= numbers(*version))) {
    return false;
  }
  EXPECT_EQ(RunCommandLine(*stub).exitCode, 0u) << Narrow(*stub);
  RegSetKeyValueW(HKEY_CURRENT_USER, kActiveSetup.c_str(), L"Version", REG_SZ, version->c_str(),
                  static_cast<DWORD>((version->size() + 1) * sizeof(wchar_t)));
  return true;
}

// The stand-in for Windows' input.dll in the system folder setup loads it from, with its log.
class InputDllStandIn {
 public:
  InputDllStandIn() {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    dll_ = std::wstring(system) + L"\\input.dll";
    log_ = ui::ArtefactsFolder() + L"\\input-dll.log";
    DeleteFileW(log_.c_str());
    EXPECT_TRUE(CopyFileW(ui::EnvPath("TIUP_INPUT_DLL").c_str(), dll_.c_str(), FALSE));
    SetEnvironmentVariableW(L"TIUP_INPUT_LOG", log_.c_str());
  }
  InputDllStandIn(const InputDllStandIn&) = delete;
  InputDllStandIn& operator=(const InputDllStandIn&) = delete;
  ~InputDllStandIn() {
    DeleteFileW(dll_.c_str());
    SetEnvironmentVariableW(L"TIUP_INPUT_LOG", nullptr);
    SetEnvironmentVariableW(L"TIUP_INPUT_REFUSE", nullptr);
  }
  static void Refuse(const wchar_t* flags) { SetEnvironmentVariableW(L"TIUP_INPUT_REFUSE", flags); }
  std::string Calls() const { return ReadBytes(log_); }

 private:
  std::wstring dll_;
  std::wstring log_;
};

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
    // which copy went where. Setup must take the build's layout for its own.
    const std::string layout = ReadBytes(ui::EnvPath("TIUP_LAYOUT_DLL"));
    ASSERT_TRUE(IsOurLayoutFile(Bytes(layout.begin(), layout.end())));
    for (const char* variant : {"x64", "wow64", "x86"}) {
      const std::wstring wide(variant, variant + strlen(variant));
      WriteBytes(dist_ + L"\\" + wide + L"\\kbdurph.dll", layout + variant);
    }
  }
  void SetUp() override { before_ = MachineState(); }
  void TearDown() override {
    // Whatever happened, leave the prefix without the layout (and without anyone else's
    // traces) for the next test.
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, (kProfiles + L"\\" + kSecondPerson).c_str(),
                    KEY_WOW64_64KEY, 0);
    RegDeleteKeyW(HKEY_CURRENT_USER, kActiveSetup.c_str());
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

  EXPECT_TRUE(ReadBytes(RealSystem32() + L"\\kbdurph.dll") == Variant(L"x64")) << "differs";
  EXPECT_TRUE(ReadBytes(SysWow64() + L"\\kbdurph.dll") == Variant(L"wow64")) << "differs";
  EXPECT_TRUE(ReadBytes(SetupFolder() + L"\\setup.exe") == ReadBytes(SetupExe())) << "differs";

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
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kRecord, L"Layout"), L"a0000420");

  const std::wstring copy = Quoted(SetupFolder() + L"\\setup.exe");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kActiveSetup, L"StubPath"), copy + L" /user /quiet");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kActiveSetup, L"Version"), L"1,0,0,1");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstall, L"DisplayName"),
            L"Urdu Phonetic Keyboard Layout");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstall, L"Publisher"), L"Tamlorix Corporation");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstall, L"DisplayVersion"), L"1.00");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstall, L"DisplayIcon"),
            SetupFolder() + L"\\setup.exe,0");
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
  // Wine reads no layout file: its LoadKeyboardLayoutW gives back the layout in use, whatever it
  // is asked for, so Windows' acceptance cannot be checked here (the unit tests prove both
  // answers), and setup says so instead of claiming it.
  EXPECT_EQ(reinterpret_cast<ULONG_PTR>(LoadKeyboardLayoutW(L"a0000420", 0)), 0x04090409u);
  EXPECT_NE(first.message.find(L"could not check that Windows accepts this one"),
            std::wstring::npos)
      << Narrow(first.message);
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
  EXPECT_NE(pendingRenames.find(SetupFolder() + L"\\setup.exe"), std::wstring::npos);
  EXPECT_NE(pendingRenames.find(SetupFolder() + L"|"), std::wstring::npos);

  // What the restart does, so that the rest can be compared with before.
  for (const auto& [name, value] : pending) {
    if (name.rfind(SetupFolder() + L"\\", 0) == 0 && name.back() != L'\\') {
      DeleteFileW(name.c_str());
    }
  }
  RemoveDirectoryW(SetupFolder().c_str());
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
  EXPECT_NE(shown.message.find(L"/user\t\tonly add it to your own input languages"),
            std::wstring::npos);
  EXPECT_SAME_STATE(before_, MachineState());
}

TEST_F(LayoutSetup, AFileInUsePartWayRollsEverythingBack) {
  // Another program holds an older copy of our layout file in SysWOW64 (it lets others read it,
  // not move it): the copy there fails after the program copy and the System32 copy are made.
  const std::wstring held = SysWow64() + L"\\kbdurph.dll";
  WriteBytes(held, Variant(L"wow64") + "older");
  const Snapshot before = MachineState();
  {
    UniqueFileHandle lock(CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    const SetupRun run = RunCommandLine(Quoted(SetupExe()));
    EXPECT_EQ(run.exitCode, 1603u);
    EXPECT_NE(run.message.find(L"Another program is using the file " + held), std::wstring::npos)
        << Narrow(run.message);
    EXPECT_NE(run.message.find(L"Nothing was changed."), std::wstring::npos);
  }
  EXPECT_SAME_STATE(before, MachineState());
  EXPECT_TRUE(ReadBytes(held) == Variant(L"wow64") + "older") << "differs";
  DeleteFileW(held.c_str());
}

// A write that stops part way (a full disk) leaves every file as it was, byte for byte, on a
// fresh install and on a reinstall over an older layout file. Run by
// layout_setup_full_disk_wine_test, with Program Files and the system folders on a small disk.
TEST_F(LayoutSetup, AWriteThatStopsPartWayLeavesEveryFileAsItWas) {
  if (!small_disk::Present()) {
    GTEST_SKIP() << "runs on a small disk only (layout_setup_full_disk_wine_test)";
  }
  // Fresh: the copy of setup.exe for Apps & features is the first file written.
  ASSERT_GT(ReadBytes(SetupExe()).size(), 100u * 1024);
  ASSERT_TRUE(small_disk::LeaveRoom(100));
  SetupRun run = RunCommandLine(Quoted(SetupExe()));
  EXPECT_EQ(run.exitCode, 1603u);
  EXPECT_NE(run.message.find(L"could not be installed"), std::wstring::npos);
  EXPECT_NE(run.message.find(SetupFolder() + L"\\setup.exe"), std::wstring::npos)
      << Narrow(run.message);
  EXPECT_NE(run.message.find(L"Nothing was changed."), std::wstring::npos);
  ASSERT_TRUE(small_disk::LeaveRoom(64 * 1024));
  EXPECT_SAME_STATE(before_, MachineState());

  // Over an older copy of our layout in System32: the new one is written beside it, and stops.
  ASSERT_EQ(RunCommandLine(Quoted(SetupExe()) + L" /quiet").exitCode, 0u);
  const Snapshot installed = MachineState();
  const std::wstring layout = RealSystem32() + L"\\kbdurph.dll";
  WriteBytes(layout, Variant(L"x64") + "older");
  const Snapshot older = MachineState();
  ASSERT_GT(Variant(L"x64").size(), 4u * 1024);
  ASSERT_TRUE(small_disk::LeaveRoom(4));
  run = RunCommandLine(Quoted(SetupExe()));
  EXPECT_EQ(run.exitCode, 1603u);
  // Named as a user knows the folder, also where a 32-bit setup reaches it through Sysnative.
  EXPECT_NE(run.message.find(L"There is not enough room on the disk for the file " +
                             machine::WindowsFolder() + L"\\System32\\kbdurph.dll"),
            std::wstring::npos)
      << Narrow(run.message);
  ASSERT_TRUE(small_disk::LeaveRoom(64 * 1024));
  EXPECT_SAME_STATE(older, MachineState());
  EXPECT_TRUE(ReadBytes(layout) == Variant(L"x64") + "older") << "differs";

  // With room again the older file is replaced, and nothing of the replacement stays behind.
  EXPECT_EQ(RunCommandLine(Quoted(SetupExe()) + L" /quiet").exitCode, 0u);
  EXPECT_SAME_STATE(installed, MachineState());
}

// Windows Vista to 11 have input.dll and take this branch; a stand-in of ours records the calls.
TEST_F(LayoutSetup, TheInputServiceIsToldOnInstallAndUninstallAndARefusalIsAFailure) {
  InputDllStandIn inputDll;
  before_ = MachineState();
  // Refused: a failure that names the step, and nothing changed.
  InputDllStandIn::Refuse(L"0");
  SetupRun run = RunCommandLine(Quoted(SetupExe()));
  EXPECT_EQ(run.exitCode, 1603u);
  EXPECT_NE(run.message.find(L"Windows' input-language service (input.dll) refused to add Urdu "
                             L"Phonetic to your input languages: "
                             L"InstallLayoutOrTip(\"0420:a0000420\", 0) returned FALSE."),
            std::wstring::npos)
      << Narrow(run.message);
  EXPECT_SAME_STATE(before_, MachineState());

  InputDllStandIn::Refuse(L"");
  ASSERT_EQ(RunCommandLine(Quoted(SetupExe()) + L" /quiet").exitCode, 0u);
  // The service keeps the list; setup writes no Preload entry of its own.
  EXPECT_FALSE(ReadString(HKEY_CURRENT_USER, L"Keyboard Layout\\Preload", L"2"));
  const Snapshot installed = MachineState();
  // Windows 8 and later list the layout in the person's language profile, as here.
  const DWORD enabled = 1;
  RegSetKeyValueW(HKEY_CURRENT_USER, kUserProfile.c_str(), L"0420:a0000420", REG_DWORD, &enabled,
                  sizeof enabled);

  // An undo that fails: the uninstall has disabled the layout and removed the machine's keys
  // when a held file stops it; putting the layout back in the list is refused.
  {
    const std::wstring held = SysWow64() + L"\\kbdurph.dll";
    UniqueFileHandle lock(CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    InputDllStandIn::Refuse(L"0");
    run = RunCommandLine(Quoted(SetupExe()) + L" /uninstall");
    InputDllStandIn::Refuse(L"");
  }
  EXPECT_EQ(run.exitCode, 1604u);
  EXPECT_NE(run.message.find(L"Setup could not undo all of its changes. Left as they are now:\n"
                             L"\x2022 Urdu Phonetic, disabled in your input languages"),
            std::wstring::npos)
      << Narrow(run.message);
  EXPECT_EQ(run.message.find(L"Nothing was changed."), std::wstring::npos);
  EXPECT_SAME_STATE(installed, MachineState());

  // Uninstall disables the layout and takes it out of the person's lists.
  ASSERT_EQ(RunCommandLine(Quoted(SetupExe()) + L" /uninstall /quiet").exitCode, 0u);
  EXPECT_EQ(inputDll.Calls(),
            "\"0420:a0000420\" 0\n"    // the refused install
            "\"0420:a0000420\" 0\n"    // the install
            "\"0420:a0000420\" 1\n"    // the uninstall that fails part way ...
            "\"0420:a0000420\" 0\n"    // ... and cannot undo this
            "\"0420:a0000420\" 1\n");  // the uninstall
  DWORD size = 0;
  EXPECT_NE(RegGetValueW(HKEY_CURRENT_USER, kUserProfile.c_str(), L"0420:a0000420", RRF_RT_ANY,
                         nullptr, nullptr, &size),
            ERROR_SUCCESS);
  RegDeleteKeyW(HKEY_CURRENT_USER, kUserProfile.c_str());
  EXPECT_SAME_STATE(before_, MachineState());
}

TEST_F(LayoutSetup, AnotherMakersKbdurphDllIsNeverTouched) {
  const std::wstring theirs = RealSystem32() + L"\\kbdurph.dll";
  WriteBytes(theirs, "someone else's layout");
  const Snapshot before = MachineState();
  for (const wchar_t* arguments : {L"", L" /uninstall"}) {
    const SetupRun run = RunCommandLine(Quoted(SetupExe()) + arguments);
    EXPECT_EQ(run.exitCode, 1603u);
    EXPECT_NE(run.message.find(L"There is already a file " + machine::WindowsFolder() +
                               L"\\System32\\kbdurph.dll that is not this layout's"),
              std::wstring::npos)
        << Narrow(run.message);
    EXPECT_SAME_STATE(before, MachineState());
  }
  EXPECT_EQ(ReadBytes(theirs), "someone else's layout");
  DeleteFileW(theirs.c_str());
}

// Wine has one account. A second person is played by this one with its keyboard lists as they
// were before setup ran (as someone who never ran it has them), signing in as Windows' Active
// Setup has them sign in.
TEST_F(LayoutSetup, ASecondPersonGetsTheLayoutAtSignInAndLosesItAfterUninstall) {
  // A fresh Wine prefix has no Substitutes key: then setup creates it, and records that it did.
  const bool substitutesKeyBefore = before_.count(L"HKCU\\Keyboard Layout\\Substitutes\\") != 0;
  const auto forgetThisPerson = [&] {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Keyboard Layout\\Preload", L"2");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Keyboard Layout\\Substitutes", L"d0010420");
    if (!substitutesKeyBefore) {
      RegDeleteKeyW(HKEY_CURRENT_USER, L"Keyboard Layout\\Substitutes");
    }
    RegDeleteKeyW(HKEY_CURRENT_USER, kRecord.c_str());
  };
  HKEY raw = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kProfiles + L"\\" + kSecondPerson).c_str(), 0,
                            nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &raw, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(raw);

  ASSERT_EQ(RunCommandLine(Quoted(SetupExe()) + L" /quiet").exitCode, 0u);
  const Snapshot installed = MachineState();
  forgetThisPerson();
  EXPECT_TRUE(SignIn());
  EXPECT_SAME_STATE(installed, MachineState());  // the same entries as the first person's
  EXPECT_FALSE(SignIn()) << "the stub ran twice";
  Snapshot secondPerson;
  DumpKey(HKEY_CURRENT_USER, L"HKCU", L"Keyboard Layout", secondPerson);
  DumpKey(HKEY_CURRENT_USER, L"HKCU", kRecord, secondPerson);

  // An administrator uninstalls: the computer's part goes now, each person's at sign-in, by
  // the copy of setup kept for that.
  ASSERT_EQ(RunCommandLine(Quoted(SetupExe()) + L" /uninstall /quiet").exitCode, 0u);
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kActiveSetup, L"StubPath"),
            Quoted(SetupFolder() + L"\\setup.exe") + L" /user /uninstall /quiet");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kActiveSetup, L"Version"), L"1,0,0,2");
  EXPECT_TRUE(ReadBytes(SetupFolder() + L"\\setup.exe") == ReadBytes(SetupExe())) << "differs";
  EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kLayouts + L"\\a0000420", L"Layout File"));
  // The second person still has the entries their sign-in gave them (this account lost its own
  // with the uninstall).
  std::vector<std::tuple<std::wstring, const wchar_t*, const wchar_t*>> entries = {
      {L"Keyboard Layout\\Preload", L"2", L"d0010420"},
      {L"Keyboard Layout\\Substitutes", L"d0010420", L"a0000420"},
      {kRecord, L"Layout", L"a0000420"}};
  if (!substitutesKeyBefore) {
    entries.emplace_back(kRecord, L"Created key", L"Keyboard Layout\\Substitutes");
  }
  for (const auto& [key, name, value] : entries) {
    RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name, REG_SZ, value,
                    static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
  }
  EXPECT_SAME_STATE(secondPerson, [] {
    Snapshot now = MachineState();
    for (auto it = now.begin(); it != now.end();) {
      it = it->first.rfind(L"HKCU\\", 0) == 0 ? std::next(it) : now.erase(it);
    }
    return now;
  }());
  EXPECT_TRUE(SignIn());
  EXPECT_FALSE(ReadString(HKEY_CURRENT_USER, L"Keyboard Layout\\Preload", L"2"));
  EXPECT_FALSE(ReadString(HKEY_CURRENT_USER, L"Keyboard Layout\\Substitutes", L"d0010420"));
  EXPECT_FALSE(ReadString(HKEY_CURRENT_USER, kRecord, L"Layout"));

  // With nobody else left, uninstall takes the rest: the stub, its folder, the Active Setup key.
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, (kProfiles + L"\\" + kSecondPerson).c_str(), KEY_WOW64_64KEY,
                  0);
  RegDeleteKeyW(HKEY_CURRENT_USER, kActiveSetup.c_str());
  EXPECT_EQ(RunCommandLine(Quoted(SetupExe()) + L" /uninstall /quiet").exitCode, 0u);
  EXPECT_SAME_STATE(before_, MachineState());
}

// Started without an administrator's rights (the limited token Windows gives a program under
// UAC), setup asks for them once, starting itself with "runas" and its switches, and the run
// that started it shows nothing and ends with its exit code. /user needs no administrator.
// (Wine's runas hands back the same limited rights; the started run does not ask again.)
TEST_F(LayoutSetup, WithoutAnAdministratorsRightsSetupAsksOnceAndOnlyForTheComputer) {
  HANDLE raw = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw));
  const UniqueKernelHandle own(raw);
  TOKEN_LINKED_TOKEN linked{};
  DWORD size = sizeof linked;
  ASSERT_TRUE(GetTokenInformation(own.Get(), TokenLinkedToken, &linked, size, &size));
  const UniqueKernelHandle limited(linked.LinkedToken);

  const SetupRun install = RunCommandLine(Quoted(SetupExe()), SW_SHOWNORMAL, limited.Get());
  EXPECT_EQ(install.exitCode, 0u);
  ASSERT_EQ(install.messageOwners.size(), 1u);
  EXPECT_NE(*install.messageOwners.begin(), install.processId);
  EXPECT_NE(install.message.find(L"is installed"), std::wstring::npos);
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kLayouts + L"\\a0000420", L"Layout File"),
            L"kbdurph.dll");

  const SetupRun forUser =
      RunCommandLine(Quoted(SetupExe()) + L" /user", SW_SHOWNORMAL, limited.Get());
  EXPECT_EQ(forUser.exitCode, 0u);
  EXPECT_EQ(forUser.messageOwners, std::set<DWORD>{forUser.processId});
  EXPECT_NE(forUser.message.find(L"Setup added Urdu Phonetic to your input languages before"),
            std::wstring::npos);

  const SetupRun uninstall =
      RunCommandLine(Quoted(SetupExe()) + L" /uninstall /quiet", SW_SHOWNORMAL, limited.Get());
  EXPECT_EQ(uninstall.exitCode, 0u);
  EXPECT_TRUE(uninstall.messageOwners.empty());
  EXPECT_SAME_STATE(before_, MachineState());
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
  EXPECT_TRUE(foreign.empty()) << "install touched more than its own:\n" << Narrow(foreign);
  // The layout's key, its Uninstall and Active Setup entries, two user values and the record,
  // two DLLs, its folder and copy.
  EXPECT_GE(ours, 10u);

  ASSERT_EQ(RunCommandLine(Quoted(SetupExe()) + L" /uninstall /quiet").exitCode, 0u);
  EXPECT_SAME_STATE(before, WideState());
}

// Setup runs started together (an install button pressed twice quickly) work one after the
// other: while another holds the lock, setup waits and changes nothing.
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
