// Both install flows and the font copier, run in the real program from test distributions in
// awkward places (a folder with spaces, a folder named in Urdu, the root of a drive). Probes
// stand in for the layout's setup program and for the script host and record how they were
// started; the fonts are real ones and must arrive byte for byte and registered.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "UiDriver_win.h"
#include "app/Identity.h"
#include "windows/frmMainLayout.h"

namespace {

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

std::vector<char> Bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteBytes(const fs::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Copies over whatever is there (MinGW's std::filesystem refuses to overwrite).
void Copy(const fs::path& from, const fs::path& to) {
  ASSERT_TRUE(CopyFileW(from.c_str(), to.c_str(), FALSE)) << from << " -> " << to;
}

fs::path FontsFolder() {
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  return fs::path(windows) / L"Fonts";
}

fs::path SystemFolder() {
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  return system;
}

std::optional<std::wstring> RegisteredFont(const wchar_t* valueName) {
  wchar_t data[MAX_PATH] = {};
  DWORD size = sizeof(data);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kFontsKey, valueName, RRF_RT_REG_SZ, nullptr, data, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(data);
}

// The same path whatever its case or doubled backslashes.
std::wstring Normal(std::wstring path) {
  std::wstring out;
  for (wchar_t c : path) {
    if (c == L'\\' && !out.empty() && out.back() == L'\\') {
      continue;
    }
    out += static_cast<wchar_t>(towlower(c));
  }
  return out;
}

// One start of a probe: which file ran, the arguments it was given and its show code.
struct Started {
  std::wstring program;
  std::vector<std::wstring> arguments;
  int showCode;
};

fs::path ProbeLog() { return fs::path(ui::ArtefactsFolder()) / L"install-probe.log"; }

std::vector<Started> ProbeStarts() {
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

// Waits until the probes have been started `count` times, then a moment more so that a start
// too many shows up as well.
std::vector<Started> WaitForStarts(std::size_t count) {
  ui::WaitUntil([&] { return ProbeStarts().size() >= count; }, 15s);
  Sleep(300);
  return ProbeStarts();
}

struct MessageBoxSeen {
  HWND window = nullptr;
  std::wstring title;
  std::wstring text;
  bool icon = false;
  std::vector<int> buttons;
};

std::optional<MessageBoxSeen> WaitForMessageBox(const ui::Program& program) {
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

void Press(const MessageBoxSeen& box, int id) {
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
    for (const ButtonSpec& spec : kfrmMainButtons) {
      if (spec.action == action) {
        // The button's own click, as the mouse gives it, without racing for the foreground.
        const HWND button = ui::FindChildByText(window, std::wstring(spec.caption));
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
  void ExpectScriptHostStart(const Started& started) {
    EXPECT_EQ(started.arguments, (std::vector<std::wstring>{
                                     (SystemFolder() / L"wscript.exe").wstring(), ScriptPath()}));
    EXPECT_EQ(Normal(started.program), Normal(scriptHost_.wstring()));
    EXPECT_EQ(started.showCode, SW_SHOWMINIMIZED);
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

  static inline fs::path scriptHost_;
  std::unique_ptr<ui::Program> program_;
  fs::path program_path_;
  std::wstring appFolder_;
};

fs::path TestRoot() { return fs::path(ui::ArtefactsFolder()) / L"install"; }

// Where the program lives: both flows, everything they do, checked from each place.
struct Place {
  const char* name;
  fs::path (*folder)();
  std::vector<fs::path> (*decoys)();
};

class InstallFrom : public Install, public ::testing::WithParamInterface<Place> {};

TEST_P(InstallFrom, BothFlowsLaunchInstallAndConfirmAndNoDecoyEverRuns) {
  const fs::path folder = GetParam().folder();
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(folder));
  PlantDecoys(GetParam().decoys());
  PlantDecoys({folder / L"Wscript.exe", folder / L"wscript.exe.exe"});
  const HWND window = StartProgram();
  ASSERT_NE(window, nullptr);

  // Windows 7, twice: the setup program starts once per click; the fonts arrive each time.
  Click(window, MainAction::Windows7Install);
  ExpectInstalled();
  ExpectInstalledFonts(kFonts);
  ExpectLeftAlone();
  Click(window, MainAction::Windows7Install);
  ExpectInstalled();
  auto starts = WaitForStarts(2);
  ASSERT_EQ(starts.size(), 2u);
  ExpectSetupStart(starts[0]);
  ExpectSetupStart(starts[1]);

  // Windows XP, No: nothing written, nothing started.
  Click(window, MainAction::WindowsXpInstall);
  Expect(kInsertCd, kfrmMain.caption, true, {IDYES, IDNO}, IDNO);
  EXPECT_FALSE(fs::exists(ScriptPath()));
  EXPECT_EQ(WaitForStarts(2).size(), 2u);

  // Windows XP, Yes: the script, then the script host on it and the setup program.
  for (const FontFile& font : kFonts) {
    fs::remove(FontsFolder() / font.file);
  }
  Click(window, MainAction::WindowsXpInstall);
  Expect(kInsertCd, kfrmMain.caption, true, {IDYES, IDNO}, IDYES);
  ExpectInstalled();
  const std::vector<char> script = Bytes(ScriptPath());
  EXPECT_EQ(script.size(), 574u);
  EXPECT_EQ(std::string(script.begin(), script.begin() + 12), "Dim oShell\r\n");
  EXPECT_EQ(std::string(script.end() - 4, script.end()), "\r\n\r\n");
  ExpectInstalledFonts(kFonts);
  starts = WaitForStarts(4);
  ASSERT_EQ(starts.size(), 4u);
  // The two start right after one another; either may log first.
  const bool hostFirst = Normal(starts[2].program) == Normal(scriptHost_.wstring());
  ExpectScriptHostStart(starts[hostFirst ? 2 : 3]);
  ExpectSetupStart(starts[hostFirst ? 3 : 2]);
  EXPECT_TRUE(program_->IsRunning());
}

INSTANTIATE_TEST_SUITE_P(
    Places, InstallFrom,
    ::testing::Values(
        // "C:\Program Files\..." unquoted would start "C:\Program.exe".
        Place{"FolderWithSpaces", [] { return TestRoot() / L"Program Files" / L"Urdu Phonetic"; },
              [] {
                return std::vector<fs::path>{TestRoot() / L"Program.exe",
                                             TestRoot() / L"Program Files" / L"Urdu.exe"};
              }},
        Place{"FolderNamedInUrdu",
              [] {
                return TestRoot() /
                       L"\u0627\u0631\u062F\u0648 \u06A9\u06CC \u0628\u0648\u0631\u0688";
              },
              [] { return std::vector<fs::path>{TestRoot() / L"\u0627\u0631\u062F\u0648.exe"}; }},
        Place{"DriveRoot", [] { return fs::path(ui::EnvPath("TIUP_INSTALL_DRIVE") + L"\\"); },
              [] { return std::vector<fs::path>{}; }}),
    [](const ::testing::TestParamInfo<Place>& info) { return std::string(info.param.name); });

fs::path FailureFolder() { return TestRoot() / L"failures" / L"Urdu Phonetic"; }

TEST_F(Install, AFontInUseStopsTheCopyWithTheMessageAndEndsKeepingWhatWasDone) {
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(FailureFolder()));
  // The order in which the program will meet the fonts is the folder's own.
  std::vector<FontFile> order;
  WIN32_FIND_DATAW found{};
  const UniqueFindHandle search(
      FindFirstFileW((FailureFolder() / L"urdu fonts" / L"*.ttf").c_str(), &found));
  ASSERT_TRUE(search);
  do {
    for (const FontFile& font : kFonts) {
      if (found.cFileName == std::wstring(font.file)) {
        order.push_back(font);
      }
    }
  } while (FindNextFileW(search.Get(), &found));
  ASSERT_EQ(order.size(), 3u);

  const fs::path held = FontsFolder() / order[1].file;
  WriteBytes(held, "an older font, held open by another program");
  {
    const UniqueFileHandle holder(CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);
    const HWND window = StartProgram();
    ASSERT_NE(window, nullptr);
    Click(window, MainAction::Windows7Install);
    Expect(kCopyFailed, TIUP_WIDE(TIUP_APPLICATION_TITLE), false, {IDOK}, IDOK);
    EXPECT_TRUE(EndsSoon());
  }
  ExpectInstalledFonts({order[0]});
  const std::vector<char> heldBytes = Bytes(held);
  EXPECT_EQ(std::string(heldBytes.begin(), heldBytes.end()),
            "an older font, held open by another program");
  EXPECT_FALSE(RegisteredFont(order[1].registryName));
  ExpectNotInstalled(order[2]);
  fs::remove(held);
}

TEST_F(Install, AMissingSetupProgramIsReportedAndEndsTheProgram) {
  // Windows 7: nothing done before the failure, nothing after it.
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(FailureFolder(), Fonts::Full, false));
  HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  Click(window, MainAction::Windows7Install);
  auto box = WaitForMessageBox(*program_);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->title, TIUP_WIDE(TIUP_APPLICATION_TITLE));
  EXPECT_EQ(box->text.rfind(L"Error ", 0), 0u) << fs::path(box->text).string();
  EXPECT_NE(box->text.find(SetupPath()), std::wstring::npos);
  Press(*box, IDOK);
  EXPECT_TRUE(EndsSoon());
  ExpectNotInstalled(kFonts[0]);

  // Windows XP: the script is written and started before the setup program is missed.
  window = StartProgram();
  ASSERT_NE(window, nullptr);
  Click(window, MainAction::WindowsXpInstall);
  Expect(kInsertCd, kfrmMain.caption, true, {IDYES, IDNO}, IDYES);
  box = WaitForMessageBox(*program_);
  ASSERT_TRUE(box);
  EXPECT_NE(box->text.find(SetupPath()), std::wstring::npos);
  Press(*box, IDOK);
  EXPECT_TRUE(EndsSoon());
  EXPECT_EQ(Bytes(ScriptPath()).size(), 574u);
  const auto starts = WaitForStarts(1);
  ASSERT_EQ(starts.size(), 1u);
  ExpectScriptHostStart(starts[0]);
  ExpectNotInstalled(kFonts[0]);
}

TEST_F(Install, AScriptThatCannotBeWrittenIsReportedAndNothingStarts) {
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(FailureFolder()));
  // Wine run as root writes through read-only attributes, so the script's place is taken by
  // a folder: the file cannot be created, as on read-only media.
  fs::create_directories(fs::path(ScriptPath()) / L"kept");
  const HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  Click(window, MainAction::WindowsXpInstall);
  Expect(kInsertCd, kfrmMain.caption, true, {IDYES, IDNO}, IDYES);
  const auto box = WaitForMessageBox(*program_);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->title, TIUP_WIDE(TIUP_APPLICATION_TITLE));
  EXPECT_NE(box->text.find(ScriptPath()), std::wstring::npos) << fs::path(box->text).string();
  Press(*box, IDOK);
  EXPECT_TRUE(EndsSoon());
  EXPECT_TRUE(WaitForStarts(0).empty());
  EXPECT_TRUE(fs::is_directory(fs::path(ScriptPath()) / L"kept"));
}

TEST_F(Install, AnEmptyOrMissingFontsFolderIsNoError) {
  for (const Fonts fonts : {Fonts::Empty, Fonts::Missing}) {
    ASSERT_NO_FATAL_FAILURE(MakeDistribution(FailureFolder(), fonts));
    const HWND window = StartProgram();
    ASSERT_NE(window, nullptr);
    Click(window, MainAction::Windows7Install);
    ExpectInstalled();
    EXPECT_TRUE(program_->IsRunning());
    program_->Kill();
  }
  ExpectNotInstalled(kFonts[0]);
}

}  // namespace
