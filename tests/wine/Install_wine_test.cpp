// Both install flows and the font copier, run in the real program from test distributions in
// awkward places (a folder with spaces, a folder named in Urdu, the root of a drive). Probes
// stand in for the layout's setup program and for the script host and record how they were
// started; the fonts are real ones and must arrive byte for byte and registered.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string_view>

#include "InstallKit_win.h"

namespace {

using namespace install_test;

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
  EXPECT_EQ(WrittenScript(), KeptScript());
  ExpectInstalledFonts(kFonts);
  starts = WaitForStarts(4);
  ASSERT_EQ(starts.size(), 4u);
  ExpectSetupAndScriptHostStarts(starts[2], starts[3]);
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
  EXPECT_NE(box->text.find(L"This concerned the program " + SetupPath() + L"."),
            std::wstring::npos);
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
  EXPECT_EQ(WrittenScript(), KeptScript());
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

// Links planted at "install.vbs" -------------------------------------------------------------

// Runs `command` on the host's shell with the Unix names of `paths` after it, and waits until
// it has succeeded: Wine starts Unix programs too, though it gives no handle to wait on, so the
// shell leaves a mark when the command succeeded.
void RunOnHost(const std::wstring& command, std::initializer_list<fs::path> paths) {
  using ToUnixFn = char*(CDECL*)(LPCWSTR);
  const auto toUnix = reinterpret_cast<ToUnixFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  ASSERT_NE(toUnix, nullptr);
  const auto quoted = [&](const fs::path& path) {
    char* unixPath = toUnix(path.c_str());
    const std::wstring name =
        unixPath != nullptr ? std::wstring(unixPath, unixPath + std::strlen(unixPath)) : L"";
    HeapFree(GetProcessHeap(), 0, unixPath);
    return L" '" + name + L"'";
  };
  const fs::path done = fs::path(ui::ArtefactsFolder()) / L"host-command.done";
  fs::remove(done);
  std::wstring commandLine = L"/bin/sh -c \"" + command;
  for (const fs::path& path : paths) {
    commandLine += quoted(path);
  }
  commandLine += L" && : >" + quoted(done) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  ASSERT_TRUE(CreateProcessW(L"Z:\\bin\\sh", commandLine.data(), nullptr, nullptr, FALSE, 0,
                             nullptr, nullptr, &startup, &started));
  const UniqueKernelHandle process(started.hProcess);
  const UniqueKernelHandle thread(started.hThread);
  ASSERT_TRUE(ui::WaitUntil([&] { return fs::exists(done); })) << fs::path(commandLine).string();
}

// A link as another account could plant it in a folder it can write. Wine 8 makes no links of
// its own (CreateSymbolicLinkW does nothing), but its file calls follow a Unix symbolic link as
// Windows follows a link, so the host's ln makes one.
void PlantLink(const fs::path& link, const fs::path& target) {
  ASSERT_NO_FATAL_FAILURE(RunOnHost(L"ln -s", {target, link}));
}

// Removed by the host: Wine 8 deletes what a link leads to in place of the link itself.
void RemoveWithLinks(const fs::path& folder) {
  ASSERT_NO_FATAL_FAILURE(RunOnHost(L"rm -rf", {folder}));
}

// What the script host read of its script, as the probe standing in for it left it.
std::string ScriptHostRead() {
  const std::vector<char> bytes = Bytes(ProbeLog().wstring() + L".read");
  return {bytes.begin(), bytes.end()};
}

// Files the program left beside the script while writing it.
std::vector<std::wstring> LeftBeside(const fs::path& folder) {
  std::vector<std::wstring> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::wstring name = entry.path().filename().wstring();
    if (name.rfind(L"install.vbs.", 0) == 0) {
      names.push_back(name);
    }
  }
  return names;
}

fs::path Elsewhere() { return TestRoot() / L"elsewhere"; }

// The install tests that go as far as the script: the Windows XP button, and Yes to the CD.
class ScriptFile : public Install {
 protected:
  void ChooseWindowsXpAndAnswerYes(HWND window) {
    Click(window, MainAction::WindowsXpInstall);
    Expect(kInsertCd, kfrmMain.caption, true, {IDYES, IDNO}, IDYES);
  }
};
constexpr std::string_view kPrecious = "a file the program must never write";

TEST_F(ScriptFile, ALinkOrHardLinkAtTheScriptsNameIsReplacedAndWhatItLedToIsUntouched) {
  const fs::path precious = Elsewhere() / L"precious.txt";
  const fs::path notYetThere = Elsewhere() / L"not-yet-there.vbs";
  const struct {
    const char* name;
    void (*plant)(const fs::path& at, const fs::path& precious, const fs::path& notYetThere);
  } plants[] = {
      {"a link to a file",
       [](const fs::path& at, const fs::path& target, const fs::path&) { PlantLink(at, target); }},
      {"a link that leads nowhere", [](const fs::path& at, const fs::path&,
                                       const fs::path& nowhere) { PlantLink(at, nowhere); }},
      {"a hard link",
       [](const fs::path& at, const fs::path& target, const fs::path&) {
         ASSERT_TRUE(CreateHardLinkW(at.c_str(), target.c_str(), nullptr));
       }},
  };
  for (const auto& plant : plants) {
    SCOPED_TRACE(plant.name);
    ASSERT_NO_FATAL_FAILURE(RemoveWithLinks(Elsewhere()));
    ASSERT_NO_FATAL_FAILURE(RemoveWithLinks(FailureFolder()));
    fs::create_directories(Elsewhere());
    WriteBytes(precious, kPrecious);
    ASSERT_NO_FATAL_FAILURE(MakeDistribution(FailureFolder()));
    ASSERT_NO_FATAL_FAILURE(plant.plant(ScriptPath(), precious, notYetThere));
    fs::remove(ProbeLog());
    fs::remove(ProbeLog().wstring() + L".read");

    const HWND window = StartProgram();
    ASSERT_NE(window, nullptr);
    ChooseWindowsXpAndAnswerYes(window);
    ExpectInstalled();
    const auto starts = WaitForStarts(2);
    ASSERT_EQ(starts.size(), 2u);

    const std::string script = WrittenScript();
    EXPECT_EQ(script, KeptScript());
    EXPECT_EQ(ScriptHostRead(), script);
    const std::vector<char> after = Bytes(precious);
    EXPECT_EQ(std::string(after.begin(), after.end()), kPrecious);
    EXPECT_FALSE(fs::exists(notYetThere));
    EXPECT_TRUE(LeftBeside(FailureFolder()).empty());
    program_->Kill();
  }
}

TEST_F(ScriptFile, ALinkToAFolderAtTheScriptsNameIsReportedAndNothingStarts) {
  ASSERT_NO_FATAL_FAILURE(RemoveWithLinks(Elsewhere()));
  ASSERT_NO_FATAL_FAILURE(RemoveWithLinks(FailureFolder()));
  fs::create_directories(Elsewhere() / L"folder");
  WriteBytes(Elsewhere() / L"folder" / L"kept.txt", kPrecious);
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(FailureFolder()));
  ASSERT_NO_FATAL_FAILURE(PlantLink(ScriptPath(), Elsewhere() / L"folder"));

  const HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  ChooseWindowsXpAndAnswerYes(window);
  const auto box = WaitForMessageBox(*program_);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text.rfind(L"Error 5: ", 0), 0u) << fs::path(box->text).string();
  EXPECT_NE(box->text.find(L"This concerned the file " + ScriptPath() + L"."), std::wstring::npos);
  Press(*box, IDOK);
  EXPECT_TRUE(EndsSoon());
  EXPECT_TRUE(WaitForStarts(0).empty());
  std::vector<std::wstring> inFolder;
  for (const auto& entry : fs::directory_iterator(Elsewhere() / L"folder")) {
    inFolder.push_back(entry.path().filename().wstring());
  }
  EXPECT_EQ(inFolder, std::vector<std::wstring>{L"kept.txt"});
  EXPECT_TRUE(LeftBeside(FailureFolder()).empty());
  ASSERT_NO_FATAL_FAILURE(RemoveWithLinks(FailureFolder()));
}

TEST_F(ScriptFile, IsWrittenAfreshOnANetworkShareToo) {
  // Wine keeps \\server\share in the prefix's dosdevices\unc\server\share.
  fs::create_directories(fs::path(ui::EnvPath("TIUP_BUILD")) / L"wine" / L"prefix" / L"dosdevices" /
                         L"unc" / L"tiupserver" / L"share");
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(L"\\\\tiupserver\\share\\Urdu Phonetic"));
  WriteBytes(ScriptPath(), "an older script");
  fs::remove(ProbeLog().wstring() + L".read");
  const HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  ChooseWindowsXpAndAnswerYes(window);
  ExpectInstalled();
  ASSERT_EQ(WaitForStarts(2).size(), 2u);
  const std::string script = WrittenScript();
  EXPECT_EQ(script, KeptScript());
  EXPECT_EQ(ScriptHostRead(), script);
  EXPECT_TRUE(LeftBeside(ScriptPath().substr(0, ScriptPath().rfind(L'\\'))).empty());
}

// Programs started where a planted DLL could not be found -----------------------------------

TEST_F(ScriptFile, TheScriptHostAndTheSetupProgramStartInTheSystemFolderNotTheProgramsOwn) {
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(FailureFolder()));
  const fs::path folders = ProbeLog().wstring() + L".folders";
  fs::remove(folders);
  // Opened from its own folder, as a double click in Explorer opens it.
  program_ = std::make_unique<ui::Program>(
      ui::Program::Start(program_path_.wstring(), L"", FailureFolder().wstring()));
  const HWND window = program_->WaitForWindow(std::wstring(kfrmMain.caption));
  ASSERT_NE(window, nullptr);
  ChooseWindowsXpAndAnswerYes(window);
  ExpectInstalled();
  ASSERT_EQ(WaitForStarts(2).size(), 2u);
  const std::vector<char> bytes = Bytes(folders);
  const std::string expected = SystemFolder().string() + "\n";
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected + expected);
}

}  // namespace
