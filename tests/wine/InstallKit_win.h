#pragma once

// The install tests' shared kit: a test distribution (the program, the probe as the layout's
// setup program, real fonts), the probe's log of what was started, the message boxes the program
// shows, and a fixture that stands the probe in for the script host.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "UiDriver_win.h"
#include "core/Identity.h"
#include "windows/frmMainLayout.h"

namespace install_test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kFontSource = L"Z:\\usr\\share\\fonts\\truetype\\noto";
struct FontFile {
  const wchar_t* file;
  const wchar_t* registryName;
};
// Small real fonts, each with its own name.
const std::vector<FontFile> kFonts = {
    {L"NotoSansLycian-Regular.ttf", L"Noto Sans Lycian Regular (TrueType)"},
    {L"NotoSansLydian-Regular.ttf", L"Noto Sans Lydian Regular (TrueType)"},
    {L"NotoSansOgham-Regular.ttf", L"Noto Sans Ogham Regular (TrueType)"},
};
// In "urdu fonts" too, but never to be installed: a hidden font and a font without the .ttf
// name.
const wchar_t* const kHiddenFont = L"NotoSansPhoenician-Regular.ttf";
const wchar_t* const kOtherNameFont = L"NotoSansHatran-Regular.ttf.bak";
const wchar_t* const kFontsKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

constexpr std::wstring_view kInstalled = L"Urdu Phonetic Keyboard Installed.";
constexpr std::wstring_view kInsertCd =
    L"Insert Windows XP (Service Pack - II) CD in your CD/DVD-ROM and click on yes button.";
constexpr std::wstring_view kCopyFailed = L"There was a problem copying the Drawings";

inline std::vector<char> Bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline void WriteBytes(const fs::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Copies over whatever is there (MinGW's std::filesystem refuses to overwrite).
inline void Copy(const fs::path& from, const fs::path& to) {
  ASSERT_TRUE(CopyFileW(from.c_str(), to.c_str(), FALSE)) << from << " -> " << to;
}

inline fs::path FontsFolder() {
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  return fs::path(windows) / L"Fonts";
}

inline fs::path SystemFolder() {
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  return system;
}

// Where a program started from the system folder runs from, as it names itself: a 32-bit
// program on 64-bit Windows is given the file in SysWOW64 for a path into System32. The tests
// are built like the program, so this process's view is the program's.
inline fs::path SystemFolderAsStarted() {
  BOOL wow64 = FALSE;
  wchar_t folder[MAX_PATH] = {};
  if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64 &&
      GetSystemWow64DirectoryW(folder, MAX_PATH) != 0) {
    return folder;
  }
  return SystemFolder();
}

// Whether two paths name the same file (same volume, same file index).
inline bool SameFile(const fs::path& a, const fs::path& b) {
  const auto identity = [](const fs::path& path) -> std::optional<std::pair<DWORD, ULONGLONG>> {
    const UniqueFileHandle file(CreateFileW(path.c_str(), 0,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !GetFileInformationByHandle(file.Get(), &info)) {
      return std::nullopt;
    }
    return std::pair{info.dwVolumeSerialNumber,
                     (ULONGLONG{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
  };
  const auto first = identity(a);
  return first && first == identity(b);
}

inline std::optional<std::wstring> RegisteredFont(const wchar_t* valueName) {
  wchar_t data[MAX_PATH] = {};
  DWORD size = sizeof(data);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kFontsKey, valueName, RRF_RT_REG_SZ, nullptr, data, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(data);
}

// The same path whatever its case or doubled backslashes; a share also as Wine names a
// program started from it ("UNC\server\share\...").
inline std::wstring Normal(std::wstring path) {
  std::wstring out;
  for (wchar_t c : path) {
    if (c == L'\\' && !out.empty() && out.back() == L'\\') {
      continue;
    }
    out += static_cast<wchar_t>(towlower(c));
  }
  if (out.rfind(L"unc\\", 0) == 0) {
    out.erase(0, 3);
  }
  return out;
}

// One start of a probe: which file ran, the arguments it was given and its show code.
struct Started {
  std::wstring program;
  std::vector<std::wstring> arguments;
  int showCode;
};

inline fs::path ProbeLog() { return fs::path(ui::ArtefactsFolder()) / L"install-probe.log"; }

inline std::vector<Started> ProbeStarts() {
  const std::vector<char> bytes = Bytes(ProbeLog());
  std::wstring text(bytes.size(), L'\0');
  text.resize(static_cast<std::size_t>(
      MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                          static_cast<int>(text.size()))));
  std::vector<Started> starts;
  std::size_t begin = 0;
  for (std::size_t end; (end = text.find(L'\n', begin)) != std::wstring::npos; begin = end + 1) {
    const std::wstring line = text.substr(begin, end - begin);
    const std::size_t tab1 = line.find(L'\t');
    const std::size_t tab2 = line.rfind(L'\t');
    Started started{line.substr(0, tab1), {}, std::stoi(line.substr(tab2 + 1))};
    int count = 0;
    const std::wstring commandLine = line.substr(tab1 + 1, tab2 - tab1 - 1);
    if (wchar_t** argv = CommandLineToArgvW(commandLine.c_str(), &count)) {
      started.arguments.assign(argv, argv + count);
      LocalFree(argv);
    }
    starts.push_back(started);
  }
  return starts;
}

struct MessageBoxSeen {
  HWND window = nullptr;
  std::wstring title;
  std::wstring text;
  bool icon = false;
  std::vector<int> buttons;
};

inline std::optional<MessageBoxSeen> WaitForMessageBox(const ui::Program& program) {
  HWND box = nullptr;
  ui::WaitUntil(
      [&] {
        for (HWND window : program.TopLevelWindows()) {
          if (ui::ClassName(window) == L"#32770") {
            box = window;
            return true;
          }
        }
        return !program.IsRunning();
      },
      20s);
  if (box == nullptr) {
    return std::nullopt;
  }
  MessageBoxSeen seen;
  seen.window = box;
  seen.title = ui::WindowText(box);
  for (HWND child : ui::ChildrenInZOrder(box)) {
    if (ui::ClassName(child) != L"Static" || !IsWindowVisible(child)) {
      continue;
    }
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      seen.icon = seen.icon || SendMessageW(child, STM_GETICON, 0, 0) != 0;
    } else if (seen.text.empty()) {
      seen.text = ui::WindowText(child);
    }
  }
  for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
    const HWND button = GetDlgItem(box, id);
    if (button != nullptr && IsWindowVisible(button)) {
      seen.buttons.push_back(id);
    }
  }
  return seen;
}

inline void Press(const MessageBoxSeen& box, int id) {
  PostMessageW(GetDlgItem(box.window, id), BM_CLICK, 0, 0);
  ui::WaitUntil([&] { return !IsWindow(box.window); }, 10s);
}

class Install : public ::testing::Test {
 protected:
  // The script host is a system file: stand the probe in for it for these tests only.
  // Wine prefers its own built-in script host to the file, so the program (and what it
  // starts) is told to load the file. The original is kept beside the artefacts until it is
  // put back, so that even an interrupted run can be mended by the next.
  static void SetUpTestSuite() {
    scriptHost_ = SystemFolder() / L"wscript.exe";
    const fs::path kept = fs::path(ui::ArtefactsFolder()) / L"wscript.exe.original";
    if (!fs::exists(kept)) {
      Copy(scriptHost_, kept);
    }
    ASSERT_TRUE(CopyFileW(ui::EnvPath("TIUP_PROBE").c_str(), scriptHost_.c_str(), FALSE));
    // Wine reads the override from the environment its loader started with (set by the test
    // runner); a change made here would not reach the processes the program starts.
    wchar_t overrides[1024] = {};
    GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 1024);
    ASSERT_NE(std::wstring(overrides).find(L"wscript.exe=n"), std::wstring::npos);
  }
  static void TearDownTestSuite() {
    const fs::path kept = fs::path(ui::ArtefactsFolder()) / L"wscript.exe.original";
    if (CopyFileW(kept.c_str(), scriptHost_.c_str(), FALSE)) {
      fs::remove(kept);
    }
  }

  void SetUp() override {
    fs::remove(ProbeLog());
    ASSERT_TRUE(SetEnvironmentVariableW(L"TIUP_PROBE_LOG", ProbeLog().c_str()));
    for (const wchar_t* name :
         {kFonts[0].file, kFonts[1].file, kFonts[2].file, kHiddenFont, kOtherNameFont}) {
      // A read-only copy left by a failed run would refuse to go.
      SetFileAttributesW((FontsFolder() / name).c_str(), FILE_ATTRIBUTE_NORMAL);
      fs::remove(FontsFolder() / name);
    }
    for (const FontFile& font : kFonts) {
      RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kFontsKey, font.registryName);
    }
  }
  void TearDown() override {
    if (program_ && program_->IsRunning()) {
      program_->Kill();
    }
  }

  enum class Fonts { Full, Empty, Missing };

  // A distribution folder as a user receives it: the program, the probe as the layout's setup
  // program, and the fonts with a few files that must be left alone.
  void MakeDistribution(const fs::path& folder, Fonts fonts = Fonts::Full, bool withSetup = true) {
    if (folder == folder.root_path()) {
      // A drive root cannot go; empty it (listed by the system: MinGW's directory iterator
      // cannot open a root).
      std::vector<fs::path> entries;
      WIN32_FIND_DATAW found{};
      const UniqueFindHandle search(FindFirstFileW((folder / L"*").c_str(), &found));
      if (search) {
        do {
          const std::wstring name = found.cFileName;
          if (name != L"." && name != L"..") {
            entries.push_back(folder / name);
          }
        } while (FindNextFileW(search.Get(), &found));
      }
      for (const fs::path& entry : entries) {
        fs::remove_all(entry);
      }
    } else {
      // A probe the last run started (as setup.exe) may still be ending; its file cannot go
      // until it has.
      std::error_code removed;
      ui::WaitUntil([&] {
        fs::remove_all(folder, removed);
        return !removed;
      });
      fs::remove_all(folder);
      fs::create_directories(folder);
    }
    appFolder_ = folder.wstring();
    program_path_ = folder / L"Tamlorix Install Urdu Phonetic.exe";
    Copy(ui::ProgramPath(), program_path_);
    if (withSetup) {
      fs::create_directories(folder / L"lyurdu");
      Copy(ui::EnvPath("TIUP_PROBE"), folder / L"lyurdu" / L"setup.exe");
    }
    if (fonts == Fonts::Missing) {
      return;
    }
    const fs::path source = folder / L"urdu fonts";
    fs::create_directories(source);
    if (fonts == Fonts::Empty) {
      return;
    }
    for (const FontFile& font : kFonts) {
      Copy(kFontSource / font.file, source / font.file);
    }
    Copy(kFontSource / kHiddenFont, source / kHiddenFont);
    ASSERT_TRUE(SetFileAttributesW((source / kHiddenFont).c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_NE(GetFileAttributesW((source / kHiddenFont).c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
    Copy(kFontSource / L"NotoSansHatran-Regular.ttf", source / kOtherNameFont);
    WriteBytes(source / L"readme.txt", "not a font");
    fs::create_directories(source / L"folder.ttf");
  }

  // Programs that must never run: what an unquoted path or a search for "Wscript.exe" would
  // start instead.
  void PlantDecoys(const std::vector<fs::path>& decoys) {
    for (const fs::path& decoy : decoys) {
      Copy(ui::EnvPath("TIUP_PROBE"), decoy);
    }
  }

  HWND StartProgram() {
    program_ = std::make_unique<ui::Program>(ui::Program::Start(program_path_.wstring()));
    const HWND window = program_->WaitForWindow(std::wstring(kfrmMain.caption));
    EXPECT_NE(window, nullptr) << "main window did not appear";
    return window;
  }

  void Click(HWND window, MainAction action) {
    for (const ButtonSpec& item : kfrmMainButtons) {
      if (item.action == action) {
        // The button's own click, as the mouse gives it, without racing for the foreground.
        const HWND button = ui::FindChildByText(window, std::wstring(item.caption));
        ASSERT_NE(button, nullptr);
        PostMessageW(button, BM_CLICK, 0, 0);
        return;
      }
    }
    FAIL() << "no such button";
  }

  // Waits for the one message box, checks it and answers it.
  void Expect(std::wstring_view text, std::wstring_view title, bool icon, std::vector<int> buttons,
              int answer) {
    const auto box = WaitForMessageBox(*program_);
    ASSERT_TRUE(box) << "no message box; expected: " << fs::path(text).string();
    EXPECT_EQ(box->text, text);
    EXPECT_EQ(box->title, title);
    EXPECT_EQ(box->icon, icon);
    EXPECT_EQ(box->buttons, buttons);
    Press(*box, answer);
  }
  void ExpectInstalled() { Expect(kInstalled, kfrmMain.caption, true, {IDOK}, IDOK); }

  std::wstring SetupPath() const { return appFolder_ + L"\\lyurdu\\setup.exe"; }
  std::wstring ScriptPath() const { return appFolder_ + L"\\install.vbs"; }

  void ExpectSetupStart(const Started& started) {
    EXPECT_EQ(started.arguments, std::vector<std::wstring>{SetupPath()});
    EXPECT_EQ(Normal(started.program), Normal(SetupPath()));
    EXPECT_EQ(started.showCode, SW_SHOWMINIMIZED);
  }
  // The program names the script host in System32; what runs is the host of its own bitness
  // (on 64-bit Windows a 32-bit program gets the one in SysWOW64), and it names itself so.
  void ExpectScriptHostStart(const Started& started) {
    EXPECT_EQ(started.arguments, (std::vector<std::wstring>{
                                     (SystemFolder() / L"wscript.exe").wstring(), ScriptPath()}));
    EXPECT_EQ(Normal(started.program),
              Normal((SystemFolderAsStarted() / L"wscript.exe").wstring()));
    EXPECT_TRUE(SameFile(started.program, scriptHost_)) << fs::path(started.program);
    EXPECT_EQ(started.showCode, SW_SHOWMINIMIZED);
  }
  // The setup program and the script host, started one right after the other and waited for by
  // no one: either may log first.
  void ExpectSetupAndScriptHostStarts(const Started& one, const Started& other) {
    const bool oneIsSetup = Normal(one.program) == Normal(SetupPath());
    ExpectSetupStart(oneIsSetup ? one : other);
    ExpectScriptHostStart(oneIsSetup ? other : one);
  }

  // Each of these fonts is in the Fonts folder byte for byte and registered under its name.
  void ExpectInstalledFonts(const std::vector<FontFile>& fonts) {
    for (const FontFile& font : fonts) {
      const fs::path copied = FontsFolder() / font.file;
      ASSERT_TRUE(fs::exists(copied)) << copied;
      EXPECT_EQ(Bytes(copied), Bytes(kFontSource / font.file)) << copied;
      EXPECT_EQ(RegisteredFont(font.registryName), font.file);
    }
  }
  void ExpectNotInstalled(const FontFile& font) {
    EXPECT_FALSE(fs::exists(FontsFolder() / font.file));
    EXPECT_FALSE(RegisteredFont(font.registryName));
  }
  void ExpectLeftAlone() {
    EXPECT_FALSE(fs::exists(FontsFolder() / kHiddenFont));
    EXPECT_FALSE(fs::exists(FontsFolder() / kOtherNameFont));
    EXPECT_FALSE(fs::exists(FontsFolder() / L"readme.txt"));
  }

  bool EndsSoon() { return program_->WaitForExit(10s); }

  // Waits until the probes have been started `count` times, and then until nothing more can
  // start: the program (and `other`, a second copy) has finished what it was doing (see
  // ui::Program::Answers), and nothing it started is still running. Each probe logs its start
  // before it ends, so the log then holds every start, a start too many included.
  std::vector<Started> WaitForStarts(std::size_t count, const ui::Program* other = nullptr) const {
    ui::WaitUntil([&] { return ProbeStarts().size() >= count; }, 15s);
    std::vector<DWORD> starters;
    for (const ui::Program* program : {static_cast<const ui::Program*>(program_.get()), other}) {
      if (program != nullptr) {
        program->Answers();
        starters.push_back(program->Id());
      }
    }
    std::wstring stillRunning;
    EXPECT_TRUE(ui::WaitUntil(
        [&] {
          stillRunning.clear();
          for (const ui::RunningProcess& running : ui::RunningProcesses()) {
            // Wine starts its desktop process (explorer.exe) from the first program of a fresh
            // session that creates a window; it stays for the session and is not ours.
            if (std::find(starters.begin(), starters.end(), running.parentId) != starters.end() &&
                _wcsicmp(running.file.c_str(), L"explorer.exe") != 0) {
              stillRunning += running.file + L" ";
            }
          }
          return stillRunning.empty();
        },
        15s))
        << "a program the program started is still running: " << stillRunning;
    return ProbeStarts();
  }

  // The bytes of install.vbs as the script host must get them, kept beside the tests, and as
  // the program wrote them.
  static std::string KeptScript() {
    const std::vector<char> bytes =
        Bytes(fs::path(ui::EnvPath("TIUP_SOURCE")) / L"tests" / L"expected" / L"install.vbs");
    return {bytes.begin(), bytes.end()};
  }
  std::string WrittenScript() const {
    const std::vector<char> bytes = Bytes(ScriptPath());
    return {bytes.begin(), bytes.end()};
  }

  static inline fs::path scriptHost_;
  std::unique_ptr<ui::Program> program_;
  fs::path program_path_;
  std::wstring appFolder_;
};

}  // namespace install_test
