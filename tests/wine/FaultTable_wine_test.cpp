// The fault table: one test per row, each a way a user's machine or a copy of the distribution
// can be wrong, run in the real program from a test distribution. Each row checks what the user
// sees (the exact message box), that the program never hangs (every wait is bounded and a box
// that does not come fails the row), and that nothing the user had is lost or corrupted: the
// Fonts folder (names, sizes, contents) and the registry keys an install touches are compared
// before and after, and only the expected fonts may have been added.
// The README's fault table lists the rows under the same names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "InstallKit_win.h"
#include "MachineSnapshot_win.h"
#include "SmallDisk_win.h"

namespace {

using namespace install_test;

const wchar_t* const kLayoutsKey = L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts";
const wchar_t* const kUninstallKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// Put in place by the test runner, read-only (see tests/wine/CMakeLists.txt).
const FontFile kReadOnlyFont = {L"NotoSansCarian-Regular.ttf",
                                L"Noto Sans Carian Regular (TrueType)"};
const wchar_t* const kNotAFont = L"NotoSansBroken-Regular.ttf";

fs::path RowFolder(const wchar_t* row) {
  return fs::path(ui::ArtefactsFolder()) / L"fault-table" / row / L"Urdu Phonetic";
}

// What the user has that an install may touch.
Snapshot UserState() {
  Snapshot s;
  DumpFolder(FontsFolder().wstring(), false, s, /*hashEveryFile=*/true);
  DumpKey(HKEY_LOCAL_MACHINE, L"HKLM", kFontsKey, s);
  DumpKey(HKEY_LOCAL_MACHINE, L"HKLM", kLayoutsKey, s);
  DumpKey(HKEY_LOCAL_MACHINE, L"HKLM", kUninstallKey, s);
  DumpKey(HKEY_CURRENT_USER, L"HKCU", L"Keyboard Layout", s);
  return s;
}

class FaultTable : public Install {
 protected:
  void SetUp() override {
    Install::SetUp();
    before_ = UserState();
  }

  // The state now is the state before plus exactly these fonts, each in the Fonts folder byte
  // for byte and registered.
  void ExpectOnlyAdded(const std::vector<FontFile>& fonts) {
    ExpectInstalledFonts(fonts);
    const Snapshot after = UserState();
    Snapshot expected = before_;
    for (const FontFile& font : fonts) {
      for (const std::wstring& entry :
           {(FontsFolder() / font.file).wstring(),
            std::wstring(L"HKLM\\") + kFontsKey + L"|" + font.registryName}) {
        const auto found = after.find(entry);
        expected[entry] = found != after.end() ? found->second : L"(missing)";
      }
    }
    EXPECT_SAME_STATE(expected, after);
  }
  void ExpectNothingChanged() { ExpectOnlyAdded({}); }

  // A program that is still running answers at once.
  static bool Responsive(HWND window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
  }

  // The Windows 7 install from `folder`, start to finish, as it goes when all is well.
  void InstallsNormallyFrom(const fs::path& folder) {
    ASSERT_NO_FATAL_FAILURE(MakeDistribution(folder));
    const HWND window = StartProgram();
    ASSERT_NE(window, nullptr);
    Click(window, MainAction::Windows7Install);
    ExpectInstalled();
    const auto starts = WaitForStarts(1);
    ASSERT_EQ(starts.size(), 1u);
    ExpectSetupStart(starts[0]);
    ExpectLeftAlone();
    ExpectOnlyAdded(kFonts);
    EXPECT_TRUE(Responsive(window));
  }

  // The uncaught-error report: the application's title, the number and the path at fault; then
  // the program ends.
  void ExpectErrorReportNaming(const std::wstring& path) {
    const auto box = WaitForMessageBox(*program_);
    ASSERT_TRUE(box) << "no error report";
    std::printf("error report: %s\n", fs::path(box->text).string().c_str());
    EXPECT_EQ(box->title, TIUP_WIDE(TIUP_APPLICATION_TITLE));
    EXPECT_EQ(box->text.rfind(L"Error ", 0), 0u) << fs::path(box->text).string();
    EXPECT_NE(box->text.find(path), std::wstring::npos) << fs::path(box->text).string();
    EXPECT_EQ(box->buttons, std::vector<int>{IDOK});
    Press(*box, IDOK);
    EXPECT_TRUE(EndsSoon());
  }

  // The font copier's own message, then the end.
  void ExpectCopyFailedAndEnd() {
    Expect(kCopyFailed, TIUP_WIDE(TIUP_APPLICATION_TITLE), false, {IDOK}, IDOK);
    EXPECT_TRUE(EndsSoon());
  }

  // The ".ttf" files of "urdu fonts" in the order the program meets them (the folder's own).
  std::vector<std::wstring> FontOrder() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const UniqueFindHandle search(
        FindFirstFileW((fs::path(appFolder_) / L"urdu fonts" / L"*.ttf").c_str(), &found));
    if (search) {
      do {
        if ((found.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY)) == 0) {
          names.emplace_back(found.cFileName);
        }
      } while (FindNextFileW(search.Get(), &found));
    }
    return names;
  }
  // The fonts of kFonts that come before `name` in that order.
  std::vector<FontFile> FontsBefore(const std::wstring& name) const {
    std::vector<FontFile> fonts;
    for (const std::wstring& file : FontOrder()) {
      if (file == name) {
        break;
      }
      for (const FontFile& font : kFonts) {
        if (file == font.file) {
          fonts.push_back(font);
        }
      }
    }
    return fonts;
  }

  // Takes the read-only attribute off every file under `folder`, so that it can be removed.
  static void MakeWritable(const fs::path& folder) {
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(folder, error)) {
      if (entry.is_regular_file()) {
        SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
      }
    }
  }

  // Windows holds a font it has loaded open for reading: others may read the file, but neither
  // write nor delete it, so it cannot be overwritten.
  static constexpr DWORD kLoadedFontSharing = FILE_SHARE_READ;
  static UniqueFileHandle Hold(const fs::path& file, DWORD sharing) {
    return UniqueFileHandle(CreateFileW(file.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  }

  // The second of the fonts in the order the program meets them, so that one comes before it.
  std::wstring SecondFont() const {
    const std::vector<std::wstring> order = FontOrder();
    EXPECT_EQ(order.size(), 3u);
    return order.size() > 1 ? order[1] : std::wstring();
  }

  // Puts `bytes` in the Fonts folder as `name`, holds the file open with `sharing` (as another
  // program, or Windows with a font it has loaded, does), clicks Install and expects Installed
  // or the copier's failure; the file is let go afterwards.
  void InstallPastAHeldFont(const std::wstring& name, std::string_view bytes, DWORD sharing,
                            bool installs) {
    WriteBytes(FontsFolder() / name, bytes);
    before_ = UserState();
    const UniqueFileHandle holder(CreateFileW((FontsFolder() / name).c_str(), GENERIC_READ, sharing,
                                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                              nullptr));
    ASSERT_TRUE(holder);
    const HWND window = StartProgram();
    ASSERT_NE(window, nullptr);
    Click(window, MainAction::Windows7Install);
    if (installs) {
      ExpectInstalled();
    } else {
      ExpectCopyFailedAndEnd();
    }
  }

  // Logging off or shutting down: the system asks every top-level window first.
  static void QueryEndSession(HWND window) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 10000,
                        &result);
  }

  Snapshot before_;
};

// Where the program is run from.

TEST_F(FaultTable, RunFromTheRootOfADrive) {
  InstallsNormallyFrom(fs::path(ui::EnvPath("TIUP_INSTALL_DRIVE") + L"\\"));
}

TEST_F(FaultTable, RunFromAFolderWithSpaces) {
  InstallsNormallyFrom(RowFolder(L"Program Files") / L"Urdu Phonetic Keyboard");
}

TEST_F(FaultTable, RunFromAFolderNamedInUrdu) {
  InstallsNormallyFrom(RowFolder(L"urdu") /
                       L"\u0627\u0631\u062F\u0648 \u06A9\u06CC \u0628\u0648\u0631\u0688");
}

TEST_F(FaultTable, RunFromReadOnlyMedia) {
  // Windows 7 reads from the program's folder only; the Windows XP install writes its script
  // there. Wine run as root writes through read-only attributes and permissions, so the
  // script's place is taken by a folder: the file cannot be created, as on a CD.
  const fs::path folder = RowFolder(L"read-only media");
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(folder));
  fs::create_directories(fs::path(ScriptPath()) / L"kept");
  const HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  Click(window, MainAction::Windows7Install);
  ExpectInstalled();
  Click(window, MainAction::WindowsXpInstall);
  Expect(kInsertCd, kfrmMain.caption, true, {IDYES, IDNO}, IDYES);
  ExpectErrorReportNaming(ScriptPath());
  const auto starts = WaitForStarts(1);
  ASSERT_EQ(starts.size(), 1u) << "something started after the script could not be written";
  ExpectSetupStart(starts[0]);
  EXPECT_TRUE(fs::is_directory(fs::path(ScriptPath()) / L"kept"));
  ExpectOnlyAdded(kFonts);
}

TEST_F(FaultTable, RunFromAPathNearTheLengthLimit) {
  // The program's own path 259 characters long, the longest that fits MAX_PATH with its end;
  // the fonts' paths in the distribution go past it.
  const fs::path base = fs::path(ui::ArtefactsFolder()) / L"fault-table" / L"long";
  const std::size_t programName = std::wstring(L"\\Tamlorix Install Urdu Phonetic.exe").size();
  std::wstring folder = base.wstring() + L"\\";
  while (folder.size() + programName < 259) {
    folder += (folder.size() % 40 == 0) ? L'\\' : L'x';
  }
  ASSERT_EQ(folder.size() + programName, 259u);
  ASSERT_NE(folder.back(), L'\\');
  InstallsNormallyFrom(folder);
  EXPECT_GT((fs::path(appFolder_) / L"urdu fonts" / kFonts[0].file).wstring().size(), 259u);
}

TEST_F(FaultTable, RunFromANetworkShare) {
  // Wine keeps \\server\share in the prefix's dosdevices\unc\server\share.
  const fs::path share = fs::path(ui::EnvPath("TIUP_BUILD")) / L"wine" / L"prefix" / L"dosdevices" /
                         L"unc" / L"tiupserver" / L"share";
  fs::create_directories(share);
  InstallsNormallyFrom(L"\\\\tiupserver\\share\\Urdu Phonetic");
  EXPECT_EQ(appFolder_.rfind(L"\\\\tiupserver\\share\\", 0), 0u);
  EXPECT_TRUE(fs::exists(share / L"Urdu Phonetic" / L"lyurdu" / L"setup.exe"));
}

// What is missing or broken in the distribution.

TEST_F(FaultTable, NoLyurduFolder) {
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(RowFolder(L"no lyurdu"), Fonts::Full, false));
  const HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  Click(window, MainAction::Windows7Install);
  ExpectErrorReportNaming(SetupPath());
  EXPECT_TRUE(WaitForStarts(0).empty());
  ExpectNothingChanged();
}

TEST_F(FaultTable, NoSetupProgramInLyurdu) {
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(RowFolder(L"no setup")));
  fs::remove(SetupPath());
  const HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  Click(window, MainAction::Windows7Install);
  ExpectErrorReportNaming(SetupPath());
  EXPECT_TRUE(WaitForStarts(0).empty());
  ExpectNothingChanged();
}

TEST_F(FaultTable, NoFontsFolder) {
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(RowFolder(L"no fonts"), Fonts::Missing));
  const HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  Click(window, MainAction::Windows7Install);
  ExpectInstalled();
  EXPECT_EQ(WaitForStarts(1).size(), 1u);
  EXPECT_TRUE(Responsive(window));
  ExpectNothingChanged();
}

TEST_F(FaultTable, AnEmptyFontsFolder) {
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(RowFolder(L"empty fonts"), Fonts::Empty));
  const HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  Click(window, MainAction::Windows7Install);
  ExpectInstalled();
  EXPECT_EQ(WaitForStarts(1).size(), 1u);
  EXPECT_TRUE(Responsive(window));
  ExpectNothingChanged();
}

TEST_F(FaultTable, AFontReadOnlyAtTheDestination) {
  // An older copy of one of the fonts, read-only in the Fonts folder. The test runner makes it
  // immutable as well, because Wine run as root would write through the read-only attribute.
  const fs::path held = FontsFolder() / kReadOnlyFont.file;
  if (!fs::exists(held)) {
    GTEST_SKIP() << "the runner could not make a read-only font (chattr +i): " << held;
  }
  ASSERT_NE(GetFileAttributesW(held.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(RowFolder(L"read-only font")));
  Copy(kFontSource / kReadOnlyFont.file, fs::path(appFolder_) / L"urdu fonts" / kReadOnlyFont.file);
  const HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  Click(window, MainAction::Windows7Install);
  ExpectCopyFailedAndEnd();
  // Its registry value, if any (Wine writes one for a font it finds in the folder), is
  // compared with the rest.
  ExpectOnlyAdded(FontsBefore(kReadOnlyFont.file));
}

TEST_F(FaultTable, AFontInUseAtTheDestination) {
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(RowFolder(L"font in use")));
  const std::wstring held = SecondFont();
  InstallPastAHeldFont(held, "an older font, held open by another program", 0, false);
  ExpectOnlyAdded(FontsBefore(held));
  fs::remove(FontsFolder() / held);
}

TEST_F(FaultTable, AnIdenticalFontLoadedAtTheDestination) {
  // An earlier install stopped after copying a font (or Windows has it loaded since the last
  // one): the same bytes are in the Fonts folder, unregistered, held as Windows holds a loaded
  // font. The copier must not copy over it (it could not) but register it.
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(RowFolder(L"identical font loaded")));
  const std::wstring held = SecondFont();
  const std::vector<char> bytes = Bytes(kFontSource / held);
  InstallPastAHeldFont(held, {bytes.data(), bytes.size()}, kLoadedFontSharing, true);
  ExpectOnlyAdded(kFonts);
}

TEST_F(FaultTable, ADifferentFontLoadedAtTheDestination) {
  // The same size as ours, one byte different, held as Windows holds a loaded font: not ours,
  // so it is not registered in our name, and it cannot be replaced.
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(RowFolder(L"different font loaded")));
  const std::wstring held = SecondFont();
  std::vector<char> bytes = Bytes(kFontSource / held);
  ASSERT_FALSE(bytes.empty());
  bytes.back() = static_cast<char>(bytes.back() ^ 0x55);
  InstallPastAHeldFont(held, {bytes.data(), bytes.size()}, kLoadedFontSharing, false);
  ExpectOnlyAdded(FontsBefore(held));
  fs::remove(FontsFolder() / held);
}

TEST_F(FaultTable, AFileThatIsNotAFont) {
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(RowFolder(L"not a font")));
  WriteBytes(fs::path(appFolder_) / L"urdu fonts" / kNotAFont, std::string(4096, 'x'));
  const HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  Click(window, MainAction::Windows7Install);
  ExpectCopyFailedAndEnd();
  EXPECT_FALSE(fs::exists(FontsFolder() / kNotAFont));
  ExpectOnlyAdded(FontsBefore(kNotAFont));
}

TEST_F(FaultTable, ReadOnlyFontsInTheDistribution) {
  // Fonts copied from a CD keep the read-only attribute: the installed copies must not.
  const fs::path folder = RowFolder(L"read-only fonts");
  MakeWritable(folder);
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(folder));
  for (const FontFile& font : kFonts) {
    const fs::path source = folder / L"urdu fonts" / font.file;
    ASSERT_TRUE(SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_NE(GetFileAttributesW(source.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  }
  const HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  Click(window, MainAction::Windows7Install);
  ExpectInstalled();
  for (const FontFile& font : kFonts) {
    const DWORD attributes = GetFileAttributesW((FontsFolder() / font.file).c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << fs::path(font.file);
    EXPECT_EQ(attributes & FILE_ATTRIBUTE_READONLY, 0u) << fs::path(font.file);
  }
  ExpectOnlyAdded(kFonts);
  MakeWritable(folder);
}

TEST_F(FaultTable, AFontOfTheSameNameFromAnotherFile) {
  // Another file in the Fonts folder is registered under one of our fonts' names. As Windows'
  // own installer does when told to replace a font: ours is installed and takes the name; the
  // other file stays in the Fonts folder as it was.
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(RowFolder(L"same name")));
  const fs::path other = FontsFolder() / L"Lycian (an older copy).ttf";
  Copy(kFontSource / kFonts[0].file, other);
  ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, kFontsKey, kFonts[0].registryName, REG_SZ,
                            L"Lycian (an older copy).ttf", sizeof(L"Lycian (an older copy).ttf")),
            ERROR_SUCCESS);
  before_ = UserState();
  const HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  Click(window, MainAction::Windows7Install);
  ExpectInstalled();
  // The name now leads to our file; the other file is compared, unchanged, with the rest.
  ExpectOnlyAdded(kFonts);
  fs::remove(other);
}

TEST_F(FaultTable, TheDiskFillsUpDuringACopy) {
  // Run by fault_table_disk_full_wine_test, with the Fonts folder on a small disk that fills
  // 400 KiB into the copy; a larger font waits beside the artefacts.
  const fs::path large = fs::path(ui::ArtefactsFolder()) / L"disk-full-font.ttf";
  if (!small_disk::Present() || !fs::exists(large)) {
    GTEST_SKIP() << "runs on a small disk only (fault_table_disk_full_wine_test)";
  }
  const wchar_t* const kLarge = L"NotoNastaliqUrdu-Regular.ttf";
  SetFileAttributesW((FontsFolder() / kLarge).c_str(), FILE_ATTRIBUTE_NORMAL);
  fs::remove(FontsFolder() / kLarge);
  before_ = UserState();
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(RowFolder(L"disk full")));
  // Moved, not copied: the test itself writes nothing the limit would stop.
  ASSERT_TRUE(MoveFileW(large.c_str(), (fs::path(appFolder_) / L"urdu fonts" / kLarge).c_str()));
  const HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(small_disk::LeaveRoom(400));
  Click(window, MainAction::Windows7Install);
  ExpectCopyFailedAndEnd();
  EXPECT_FALSE(fs::exists(FontsFolder() / kLarge)) << "a font cut short was left behind";
  ExpectOnlyAdded(FontsBefore(kLarge));
}

// What the user does.

TEST_F(FaultTable, ASecondCopyRunning) {
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(RowFolder(L"second copy")));
  const HWND first = StartProgram();
  ASSERT_NE(first, nullptr);
  const ui::Program second = ui::Program::Start(program_path_.wstring());
  const HWND secondWindow = second.WaitForWindow(std::wstring(kfrmMain.caption));
  ASSERT_NE(secondWindow, nullptr) << "the second copy did not start";
  EXPECT_NE(secondWindow, first);

  Click(first, MainAction::Windows7Install);
  ExpectInstalled();
  {
    // Windows now has the first copy's fonts loaded, and holds them open (Wine does not): the
    // second copy finds them in use, with its own bytes.
    std::vector<UniqueFileHandle> loaded;
    for (const FontFile& font : kFonts) {
      loaded.push_back(Hold(FontsFolder() / font.file, kLoadedFontSharing));
      ASSERT_TRUE(loaded.back()) << fs::path(font.file);
    }
    Click(secondWindow, MainAction::Windows7Install);
    const auto box = WaitForMessageBox(second);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, kInstalled);
    Press(*box, IDOK);
  }
  EXPECT_EQ(WaitForStarts(2, &second).size(), 2u);
  EXPECT_TRUE(Responsive(first));
  EXPECT_TRUE(Responsive(secondWindow));
  second.Kill();
  ExpectOnlyAdded(kFonts);
}

TEST_F(FaultTable, ASecondCopyThroughTheWindowsXpFlow) {
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(RowFolder(L"second copy, Windows XP")));
  const HWND first = StartProgram();
  const ui::Program second = ui::Program::Start(program_path_.wstring());
  const HWND secondWindow = second.WaitForWindow(std::wstring(kfrmMain.caption));
  ASSERT_TRUE(first != nullptr && secondWindow != nullptr);
  // The first copy holds its install.vbs until it ends: the second finds it held.
  using Running = std::pair<const ui::Program*, HWND>;
  for (const auto& [program, window] :
       {Running{program_.get(), first}, Running{&second, secondWindow}}) {
    Click(window, MainAction::WindowsXpInstall);
    for (const auto& [text, answer] : {std::pair{kInsertCd, IDYES}, std::pair{kInstalled, IDOK}}) {
      const auto box = WaitForMessageBox(*program);
      ASSERT_TRUE(box);
      EXPECT_EQ(box->text, text);
      Press(*box, answer);
    }
  }
  EXPECT_EQ(WaitForStarts(4, &second).size(), 4u);  // setup and the script host, each twice
  EXPECT_EQ(WrittenScript(), KeptScript());
  EXPECT_EQ(Bytes(ProbeLog().wstring() + L".read"), Bytes(ScriptPath())) << "the host read it";
  EXPECT_TRUE(Responsive(first) && Responsive(secondWindow));
  second.Kill();
  ExpectOnlyAdded(kFonts);
}

TEST_F(FaultTable, ADoubleClickOnAnInstallButton) {
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(RowFolder(L"double click")));
  const HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  const auto item = std::find_if(kfrmMainButtons.begin(), kfrmMainButtons.end(),
                                 [](auto& b) { return b.action == MainAction::Windows7Install; });
  const HWND button = ui::FindChildByText(window, std::wstring(item->caption));
  ASSERT_NE(button, nullptr);
  // What a double click delivers to the button: press, release, the second press as a double
  // click, release; in the button's own queue, so that nothing else on the desktop can take it.
  const LPARAM centre = MAKELPARAM(4, 4);
  PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, centre);
  PostMessageW(button, WM_LBUTTONUP, 0, centre);
  PostMessageW(button, WM_LBUTTONDBLCLK, MK_LBUTTON, centre);
  PostMessageW(button, WM_LBUTTONUP, 0, centre);
  // One install: one confirmation, one start of the setup program, and no second flow after it.
  // The OK was posted after the double click's messages, and a thread takes what is posted to
  // it in order: once the box has gone they have all been handled, and a second flow would
  // have shown its own box by now.
  ExpectInstalled();
  for (HWND shown : program_->TopLevelWindows()) {
    EXPECT_NE(ui::ClassName(shown), L"#32770")
        << "a second message box: " << fs::path(ui::WindowText(shown)).string();
  }
  EXPECT_EQ(WaitForStarts(1).size(), 1u);
  EXPECT_TRUE(Responsive(window));
  ExpectOnlyAdded(kFonts);
}

TEST_F(FaultTable, LoggingOffWhileTheCdPromptIsOpen) {
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(RowFolder(L"log off at the prompt")));
  const HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  Click(window, MainAction::WindowsXpInstall);
  const auto prompt = WaitForMessageBox(*program_);
  ASSERT_TRUE(prompt);
  EXPECT_EQ(prompt->text, kInsertCd);
  QueryEndSession(window);
  EXPECT_TRUE(EndsSoon()) << "the program held up the log-off";
  EXPECT_FALSE(fs::exists(ScriptPath()));
  EXPECT_TRUE(WaitForStarts(0).empty());
  ExpectNothingChanged();
}

TEST_F(FaultTable, LoggingOffWhileTheInstalledMessageIsOpen) {
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(RowFolder(L"log off at the end")));
  const HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  Click(window, MainAction::Windows7Install);
  const auto box = WaitForMessageBox(*program_);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, kInstalled);
  QueryEndSession(window);
  EXPECT_TRUE(EndsSoon()) << "the program held up the log-off";
  EXPECT_EQ(WaitForStarts(1).size(), 1u);
  ExpectOnlyAdded(kFonts);
}

TEST_F(FaultTable, LoggingOffWhileTheCopyFailedMessageIsOpen) {
  ASSERT_NO_FATAL_FAILURE(MakeDistribution(RowFolder(L"log off at a failure")));
  WriteBytes(fs::path(appFolder_) / L"urdu fonts" / kNotAFont, std::string(4096, 'x'));
  const HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  Click(window, MainAction::Windows7Install);
  const auto box = WaitForMessageBox(*program_);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, kCopyFailed);
  QueryEndSession(window);
  EXPECT_TRUE(EndsSoon()) << "the program held up the log-off";
  ExpectOnlyAdded(FontsBefore(kNotAFont));
}

}  // namespace
