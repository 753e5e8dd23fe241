// The whole road: the real program, run from a copy of this build's distribution folder, is
// driven through its Windows 7 button. The real "lyurdu\setup.exe" it starts installs the real
// layout DLLs; the program copies and registers the real Urdu fonts. Then the uninstaller that
// Apps & features lists takes the layout away again. Nothing here stands in for anything.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "MachineSnapshot_win.h"
#include "UiDriver_win.h"
#include "platform/Handles_win.h"
#include "platform/RegistryKey_win.h"
#include "windows/frmMainLayout.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Values = std::map<std::wstring, std::wstring>;

const std::wstring kSetupTitle = L"Urdu Phonetic Keyboard Setup";
const std::wstring kInstalled = L"Urdu Phonetic Keyboard Installed.";
const std::wstring kLayouts = L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts";
const std::wstring kUninstall =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TamlorixUrduPhoneticKeyboard";
const std::wstring kSessionManager = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const wchar_t* const kPendingRenames = L"PendingFileRenameOperations";
const std::wstring kFontsKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

// The fonts the distribution ships, under the names Windows lists them by.
struct FontFile {
  const wchar_t* file;
  const wchar_t* registryName;
};
const std::vector<FontFile> kFonts = {
    {L"NotoNastaliqUrdu-Regular.ttf", L"Noto Nastaliq Urdu Regular (TrueType)"},
    {L"NotoNastaliqUrdu-Bold.ttf", L"Noto Nastaliq Urdu Bold (TrueType)"},
    {L"NotoNaskhArabic-Regular.ttf", L"Noto Naskh Arabic Regular (TrueType)"},
    {L"NotoNaskhArabic-Bold.ttf", L"Noto Naskh Arabic Bold (TrueType)"},
};

std::string Bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The layout's files as Windows shows them to a program of this test's bitness (see
// MachineSnapshot_win.h): the real System32, SysWOW64, and setup's folder in the Program Files
// of its own bitness.
fs::path System32() { return machine::RealSystem32(); }
fs::path SysWow64() { return machine::SysWow64(); }
fs::path FontsFolder() { return fs::path(machine::WindowsFolder()) / L"Fonts"; }
fs::path InstallFolder() { return machine::SetupFolder(); }
using machine::ReadString;

// A font's registration, in the registry view of this test's bitness, where the program of the
// same bitness writes it.
std::optional<std::wstring> RegisteredFont(const wchar_t* name) {
  wchar_t data[MAX_PATH] = {};
  DWORD size = sizeof data;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kFontsKey.c_str(), name, RRF_RT_REG_SZ, nullptr, data,
                   &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(data);
}

UniqueRegKey OpenKey(HKEY root, const std::wstring& path, REGSAM access = KEY_READ) {
  HKEY raw = nullptr;
  RegOpenKeyExW(root, path.c_str(), 0, access | KEY_WOW64_64KEY, &raw);
  return UniqueRegKey(raw);
}

// A key's string values (other types as their size), or nothing when there is no such key.
Values StringValues(HKEY root, const std::wstring& path) {
  Values values;
  const UniqueRegKey key = OpenKey(root, path);
  if (!key) {
    return values;
  }
  for (const RegistryEntry& value : ValueEntries(key.Get(), path, true)) {
    // A string up to its terminator.
    const std::wstring text(reinterpret_cast<const wchar_t*>(value.data.data()),
                            value.data.size() / sizeof(wchar_t));
    values[value.name] = value.type == REG_SZ || value.type == REG_EXPAND_SZ
                             ? std::wstring(text.c_str())
                             : L"#" + std::to_wstring(value.data.size());
  }
  return values;
}

std::vector<std::wstring> Subkeys(HKEY root, const std::wstring& path) {
  const UniqueRegKey key = OpenKey(root, path);
  return key ? SubKeyNames(key.Get(), path) : std::vector<std::wstring>{};
}

// The layouts registered with our file, by identifier.
std::vector<std::wstring> OurLayouts() {
  std::vector<std::wstring> ours;
  for (const std::wstring& klid : Subkeys(HKEY_LOCAL_MACHINE, kLayouts)) {
    const auto file = ReadString(HKEY_LOCAL_MACHINE, kLayouts + L"\\" + klid, L"Layout File");
    if (file && _wcsicmp(file->c_str(), L"kbdurph.dll") == 0) {
      ours.push_back(klid);
    }
  }
  return ours;
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) {
    c = static_cast<wchar_t>(towlower(c));
  }
  return text;
}

std::string Narrow(const std::wstring& text) { return fs::path(text).string(); }

// A message box as a user reads it.
struct Box {
  HWND window = nullptr;
  std::wstring title;
  std::wstring text;
};
Box Read(HWND window) {
  wchar_t text[4096] = {};
  GetDlgItemTextW(window, 0xFFFF, text, 4096);
  return {window, ui::WindowText(window), text};
}

void PressOk(HWND box) {
  PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  ui::WaitUntil([&] { return !IsWindow(box); }, 10s);
}

// The message box of another process than `except`, titled `title`.
struct BoxSearch {
  const std::wstring* title;
  DWORD except;
  HWND found;
};
BOOL CALLBACK FindBox(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<BoxSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search.except && ui::ClassName(window) == L"#32770" &&
      ui::WindowText(window) == *search.title) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}
HWND OtherProcessBox(const std::wstring& title, DWORD except) {
  BoxSearch search{&title, except, nullptr};
  EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring ImagePath(HANDLE process) {
  wchar_t path[MAX_PATH] = {};
  DWORD length = MAX_PATH;
  return QueryFullProcessImageNameW(process, 0, path, &length) ? path : L"";
}

// Runs a command line to its end (bounded) and gives its exit code.
std::optional<DWORD> RunToEnd(std::wstring commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return std::nullopt;
  }
  const UniqueKernelHandle thread(info.hThread);
  const UniqueKernelHandle process(info.hProcess);
  if (WaitForSingleObject(process.Get(), 60000) != WAIT_OBJECT_0) {
    TerminateProcess(process.Get(), 999);
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(process.Get(), &code);
  return code;
}

class WholeRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    // An earlier run cut short may have left its fonts: they are this test's own.
    RemoveFonts();
    ASSERT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kUninstall, L"DisplayName"))
        << "the prefix has the layout installed already";
    layoutsBefore_ = Subkeys(HKEY_LOCAL_MACHINE, kLayouts);
    preloadBefore_ = StringValues(HKEY_CURRENT_USER, L"Keyboard Layout\\Preload");
    substitutesBefore_ = StringValues(HKEY_CURRENT_USER, L"Keyboard Layout\\Substitutes");
    pendingBefore_ = PendingRenames();
    installFolderBefore_ = fs::exists(InstallFolder());

    // The distribution folder as a user unpacks it, somewhere with a space in its path.
    dist_ = fs::path(ui::EnvPath("TIUP_BUILD")) / L"dist";
    folder_ = fs::path(ui::ArtefactsFolder()) / L"whole road" / L"Tamlorix Urdu Phonetic";
    fs::remove_all(folder_.parent_path());
    fs::create_directories(folder_.parent_path());
    fs::copy(dist_, folder_, fs::copy_options::recursive);
    ASSERT_TRUE(fs::exists(folder_ / L"lyurdu" / L"setup.exe"));
  }

  void TearDown() override {
    if (program_ && program_->IsRunning()) {
      program_->Kill();
    }
    // Whatever happened, the prefix goes back to how it was: the layout uninstalled, what a
    // restart would finish done by hand, the fonts taken away again.
    if (const auto quiet = ReadString(HKEY_LOCAL_MACHINE, kUninstall, L"QuietUninstallString")) {
      RunToEnd(*quiet);
    }
    // The uninstaller leaves its own running copy (renamed) for the restart to delete.
    if (!installFolderBefore_) {
      std::error_code ignored;
      fs::remove_all(InstallFolder(), ignored);
      EXPECT_FALSE(fs::exists(InstallFolder())) << "the layout's program folder stayed";
    }
    RestorePendingRenames();
    RemoveFonts();
    std::error_code ignored;
    fs::remove_all(folder_.parent_path(), ignored);
  }

  static void RemoveFonts() {
    for (const FontFile& font : kFonts) {
      RemoveFontResourceW((FontsFolder() / font.file).c_str());
      std::error_code ignored;
      fs::remove(FontsFolder() / font.file, ignored);
      RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kFontsKey.c_str(), font.registryName);
    }
  }

  static std::optional<std::vector<BYTE>> PendingRenames() {
    const UniqueRegKey key = OpenKey(HKEY_LOCAL_MACHINE, kSessionManager);
    DWORD size = 0;
    if (!key ||
        RegQueryValueExW(key.Get(), kPendingRenames, nullptr, nullptr, nullptr, &size) != 0) {
      return std::nullopt;
    }
    std::vector<BYTE> data(size);
    RegQueryValueExW(key.Get(), kPendingRenames, nullptr, nullptr, data.data(), &size);
    return data;
  }
  void RestorePendingRenames() const {
    const UniqueRegKey key = OpenKey(HKEY_LOCAL_MACHINE, kSessionManager, KEY_ALL_ACCESS);
    if (!pendingBefore_) {
      RegDeleteValueW(key.Get(), kPendingRenames);
    } else {
      RegSetValueExW(key.Get(), kPendingRenames, 0, REG_MULTI_SZ, pendingBefore_->data(),
                     static_cast<DWORD>(pendingBefore_->size()));
    }
  }

  HWND ClickWindows7Button(HWND window) {
    for (const ButtonSpec& item : kfrmMainButtons) {
      if (item.action == MainAction::Windows7Install) {
        const HWND button = ui::FindChildByText(window, std::wstring(item.caption));
        if (button != nullptr) {
          PostMessageW(button, BM_CLICK, 0, 0);
        }
        return button;
      }
    }
    return nullptr;
  }

  fs::path dist_;
  fs::path folder_;
  std::unique_ptr<ui::Program> program_;
  std::vector<std::wstring> layoutsBefore_;
  Values preloadBefore_;
  Values substitutesBefore_;
  std::optional<std::vector<BYTE>> pendingBefore_;
  bool installFolderBefore_ = false;
};

TEST_F(WholeRoad, Windows7ButtonInstallsTheLayoutAndFontsAndTheUninstallerTakesTheLayoutAway) {
  program_ = std::make_unique<ui::Program>(
      ui::Program::Start((folder_ / L"Tamlorix Install Urdu Phonetic.exe").wstring()));
  const HWND window = program_->WaitForWindow(std::wstring(kfrmMain.caption));
  ASSERT_NE(window, nullptr) << "the main window did not appear";
  ASSERT_NE(ClickWindows7Button(window), nullptr);

  // Two messages arrive, in either order: the program's confirmation, and the one message of
  // the setup program it started (minimised, on its own). Each is read and answered with OK.
  std::optional<Box> confirmation;
  std::optional<Box> setupMessage;
  bool setupTopmost = false;
  bool setupMinimised = false;
  bool setupRestored = false;
  UniqueKernelHandle setup;
  const bool bothSeen = ui::WaitUntil(
      [&] {
        if (!confirmation) {
          for (HWND box : program_->TopLevelWindows()) {
            if (ui::ClassName(box) == L"#32770") {
              confirmation = Read(box);
              PressOk(box);
            }
          }
        }
        if (!setupMessage) {
          if (const HWND box = OtherProcessBox(kSetupTitle, program_->Id())) {
            ui::WaitUntil([&] { return IsWindowVisible(box) != FALSE; }, 5s);
            setupMessage = Read(box);
            setupMinimised = IsIconic(box) != FALSE;
            // Minimised as Windows minimises the first window of a program started minimised
            // (Wine does not, and restores a minimised message box by itself, so under Wine
            // this only holds the outcome): it must come back in front of the user.
            ShowWindow(box, SW_MINIMIZE);
            setupRestored =
                ui::WaitUntil([&] { return !IsIconic(box) && IsWindowVisible(box) != FALSE; }, 5s);
            setupTopmost = (GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
            DWORD id = 0;
            GetWindowThreadProcessId(box, &id);
            setup.Reset(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
            PressOk(box);
          }
        }
        return confirmation && setupMessage;
      },
      60s);
  ASSERT_TRUE(confirmation) << "the program said nothing";
  EXPECT_EQ(confirmation->text, kInstalled);
  EXPECT_EQ(confirmation->title, kfrmMain.caption);
  ASSERT_TRUE(bothSeen) << "the layout's setup program showed no message";
  ASSERT_TRUE(setup) << "cannot watch the setup process";
  EXPECT_EQ(Lower(ImagePath(setup.Get())), Lower((folder_ / L"lyurdu" / L"setup.exe").wstring()));
  ASSERT_EQ(WaitForSingleObject(setup.Get(), 30000), WAIT_OBJECT_0) << "setup did not end";
  DWORD setupExit = 99;
  GetExitCodeProcess(setup.Get(), &setupExit);
  EXPECT_EQ(setupExit, 0u);
  EXPECT_NE(setupMessage->text.find(L"is installed"), std::wstring::npos)
      << Narrow(setupMessage->text);
  // Started minimised, its message must still be in front of the user.
  EXPECT_FALSE(setupMinimised);
  EXPECT_TRUE(setupRestored) << "setup's message stayed minimised";
  EXPECT_TRUE(setupTopmost);

  // The layout: one new identifier a0NN0420, its values, its files, the user's languages.
  const std::vector<std::wstring> ours = OurLayouts();
  ASSERT_EQ(ours.size(), 1u);
  const std::wstring klid = ours.front();
  const std::wstring key = kLayouts + L"\\" + klid;
  EXPECT_EQ(klid.size(), 8u);
  EXPECT_EQ(Lower(klid.substr(0, 2)), L"a0");
  EXPECT_EQ(klid.substr(4), L"0420");
  EXPECT_EQ(std::count(layoutsBefore_.begin(), layoutsBefore_.end(), klid), 0);
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, key, L"Layout Text"), L"Urdu Phonetic");
  const auto displayName = ReadString(HKEY_LOCAL_MACHINE, key, L"Layout Display Name");
  ASSERT_TRUE(displayName);
  EXPECT_EQ(*displayName, L"@%SystemRoot%\\system32\\kbdurph.dll,-1000");
  // The display name's string, from the installed DLL itself (the one of this test's bitness).
  {
    const fs::path installed =
        (machine::TestUnderWow64() ? SysWow64() : System32()) / L"kbdurph.dll";
    const UniqueModule layout(LoadLibraryExW(installed.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(layout);
    wchar_t shown[256] = {};
    LoadStringW(layout.Get(), 1000, shown, 256);
    EXPECT_EQ(std::wstring(shown), L"Urdu Phonetic");
  }

  const std::string x64 = Bytes(folder_ / L"lyurdu" / L"x64" / L"kbdurph.dll");
  const std::string wow64 = Bytes(folder_ / L"lyurdu" / L"wow64" / L"kbdurph.dll");
  ASSERT_FALSE(x64.empty());
  ASSERT_NE(x64, wow64);
  EXPECT_EQ(Bytes(System32() / L"kbdurph.dll"), x64);
  EXPECT_EQ(Bytes(SysWow64() / L"kbdurph.dll"), wow64);

  const Values substitutes = StringValues(HKEY_CURRENT_USER, L"Keyboard Layout\\Substitutes");
  const Values preload = StringValues(HKEY_CURRENT_USER, L"Keyboard Layout\\Preload");
  std::wstring substitute;
  for (const auto& [name, value] : substitutes) {
    if (_wcsicmp(value.c_str(), klid.c_str()) == 0) {
      substitute = name;
    }
  }
  EXPECT_FALSE(substitute.empty()) << "no substitute names the layout";
  bool preloaded = false;
  for (const auto& [slot, value] : preload) {
    preloaded = preloaded || _wcsicmp(value.c_str(), substitute.c_str()) == 0;
  }
  EXPECT_TRUE(preloaded) << "the layout is not among the user's input languages";

  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstall, L"DisplayName"),
            L"Urdu Phonetic Keyboard Layout");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstall, L"Publisher"), L"Tamlorix Corporation");
  const auto quietUninstall = ReadString(HKEY_LOCAL_MACHINE, kUninstall, L"QuietUninstallString");
  ASSERT_TRUE(quietUninstall);
  EXPECT_EQ(Bytes(InstallFolder() / L"setup.exe"), Bytes(folder_ / L"lyurdu" / L"setup.exe"));

  // The fonts: byte for byte in the Fonts folder, and listed under their names.
  for (const FontFile& font : kFonts) {
    const std::string shipped = Bytes(folder_ / L"urdu fonts" / font.file);
    ASSERT_FALSE(shipped.empty()) << Narrow(font.file);
    EXPECT_EQ(Bytes(FontsFolder() / font.file), shipped) << Narrow(font.file);
    EXPECT_EQ(RegisteredFont(font.registryName), font.file);
  }
  program_->Kill();

  // Apps & features' quiet uninstall: its own copy of setup.exe, which is running and so can
  // only go at the next restart (3010).
  const auto uninstalled = RunToEnd(*quietUninstall);
  ASSERT_TRUE(uninstalled) << "the uninstaller did not run to its end";
  EXPECT_EQ(*uninstalled, 3010u);
  EXPECT_TRUE(OurLayouts().empty());
  EXPECT_EQ(Subkeys(HKEY_LOCAL_MACHINE, kLayouts), layoutsBefore_);
  EXPECT_FALSE(fs::exists(System32() / L"kbdurph.dll"));
  EXPECT_FALSE(fs::exists(SysWow64() / L"kbdurph.dll"));
  EXPECT_EQ(StringValues(HKEY_CURRENT_USER, L"Keyboard Layout\\Preload"), preloadBefore_);
  EXPECT_EQ(StringValues(HKEY_CURRENT_USER, L"Keyboard Layout\\Substitutes"), substitutesBefore_);
  EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kUninstall, L"DisplayName"));
  // The program never takes fonts away.
  for (const FontFile& font : kFonts) {
    EXPECT_TRUE(fs::exists(FontsFolder() / font.file)) << Narrow(font.file);
    EXPECT_EQ(RegisteredFont(font.registryName), font.file);
  }
}

}  // namespace
