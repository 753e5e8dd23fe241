// The two install flows and the font copier, step by step, against a stand-in system that
// records every step and can be told to fail at any one of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "install/InstallFlows.h"
#include "install/InstallScript.h"
#include "platform/SystemError.h"

namespace {

constexpr std::wstring_view kCaption = L"Tamlorix Install Urdu Phonetic";

struct Ended {};  // End() never returns: the stand-in unwinds the test's call instead

std::wstring Narrow(std::wstring_view text) { return std::wstring(text); }

std::vector<std::uint8_t> FontBytes(std::u16string_view fullName) {
  // A minimal font whose 'name' table holds one Windows English full name.
  std::vector<std::uint8_t> f = {0,   1,   0,   0,   0, 1, 0, 16, 0, 0, 0, 0,
                                 'n', 'a', 'm', 'e', 0, 0, 0, 0,  0, 0, 0, 28};
  const std::size_t length = 6 + 12 + fullName.size() * 2;
  for (int shift : {24, 16, 8, 0}) {
    f.push_back(static_cast<std::uint8_t>(length >> shift));
  }
  const std::uint8_t header[] = {0, 0, 0, 1, 0, 18, 0, 3, 0, 1, 4, 9, 0, 4};
  f.insert(f.end(), std::begin(header), std::end(header));
  f.push_back(static_cast<std::uint8_t>(fullName.size() * 2 >> 8));
  f.push_back(static_cast<std::uint8_t>(fullName.size() * 2));
  f.push_back(0);
  f.push_back(0);
  for (const char16_t c : fullName) {
    f.push_back(static_cast<std::uint8_t>(c >> 8));
    f.push_back(static_cast<std::uint8_t>(c));
  }
  return f;
}

class RecordingSystem final : public InstallSystem {
 public:
  std::wstring appFolder = L"C:\\Program Files\\Urdu";
  std::wstring systemFolder = L"C:\\Windows\\system32";
  std::wstring fontsFolder = L"C:\\Windows\\Fonts";
  int answer = kAnswerYes;
  std::vector<std::wstring> listed;                         // what the enumeration yields
  std::map<std::wstring, std::vector<std::uint8_t>> files;  // readable files by full path
  std::set<std::wstring> failing;                           // steps (as recorded) that throw
  std::vector<std::wstring> steps;
  std::string written;

  std::wstring AppFolder() override { return appFolder; }
  std::wstring SystemFolder() override { return systemFolder; }
  int ShowMessage(std::wstring_view prompt, unsigned code, std::wstring_view title) override {
    steps.push_back(L"box " + Narrow(prompt) + L" | " + std::to_wstring(code) + L" | " +
                    Narrow(title));
    return answer;
  }
  void Launch(const std::wstring& application, const std::wstring& commandLine,
              int showCode) override {
    Record(L"launch " + application + L" | " + commandLine + L" | " + std::to_wstring(showCode));
  }
  void WriteFileBytes(const std::wstring& path, const std::string& bytes) override {
    Record(L"write " + path);
    written = bytes;
  }
  // A file from `files`; its copy is recorded and lands in `files` too.
  class OpenFile final : public FileForReading {
   public:
    OpenFile(RecordingSystem& system, std::wstring path)
        : system_(system), path_(std::move(path)) {}
    std::vector<std::uint8_t> ReadAt(std::uint64_t offset, std::size_t length) override {
      const std::vector<std::uint8_t>& bytes = system_.files.at(path_);
      const std::size_t from = std::min<std::size_t>(offset, bytes.size());
      const std::size_t to = from + std::min(length, bytes.size() - from);
      return {bytes.begin() + static_cast<std::ptrdiff_t>(from),
              bytes.begin() + static_cast<std::ptrdiff_t>(to)};
    }
    void CopyTo(const std::wstring& destination) override {
      system_.Record(L"copy " + path_ + L" > " + destination);
      system_.files[destination] = system_.files.at(path_);
    }

   private:
    RecordingSystem& system_;
    std::wstring path_;
  };
  std::unique_ptr<FileForReading> OpenForReading(const std::wstring& path) override {
    Record(L"read " + path);
    return std::make_unique<OpenFile>(*this, path);
  }
  std::vector<std::wstring> OrdinaryFiles(const std::wstring& pattern) override {
    Record(L"list " + pattern);
    return listed;
  }
  bool HoldsSameBytes(const std::wstring& path, const std::wstring& original) override {
    Record(L"compare " + path);
    return files.count(path) > 0 && files.at(path) == files.at(original);
  }
  void ClearReadOnly(const std::wstring& path) override { Record(L"ordinary " + path); }
  std::wstring SpecialFolder(int folderId) override {
    Record(L"folder " + std::to_wstring(folderId));
    return fontsFolder;
  }
  void RegisterFont(const std::wstring& valueName, const std::wstring& fileName,
                    const std::wstring& path) override {
    Record(L"register " + valueName + L" = " + fileName + L" @ " + path);
  }
  void AnnounceFontChange() override { Record(L"announce"); }
  [[noreturn]] void End() override {
    steps.push_back(L"end");
    throw Ended{};
  }

 private:
  void Record(std::wstring step) {
    steps.push_back(step);
    if (failing.count(step) > 0) {
      throw SystemError(32, L"The file is in use.", step);
    }
  }
};

class Flows : public ::testing::Test {
 protected:
  void SetUp() override {
    system.listed = {L"Nafees.ttf", L"Alvi Nastaleeq.TTF"};
    system.files[kSource + L"Nafees.ttf"] = FontBytes(u"Nafees Web Naskh");
    system.files[kSource + L"Alvi Nastaleeq.TTF"] = FontBytes(u"Alvi Nastaleeq Regular");
  }
  void RunWindows7() { Windows7Flow(system, kCaption); }
  void RunWindowsXp() { WindowsXpFlow(system, kCaption, BuildInstallScript()); }

  const std::wstring kSource = L"C:\\Program Files\\Urdu\\urdu fonts\\";
  const std::wstring kLaunchSetup =
      L"launch C:\\Program Files\\Urdu\\lyurdu\\setup.exe | "
      L"\"C:\\Program Files\\Urdu\\lyurdu\\setup.exe\" | 2";
  const std::wstring kCopyNafees =
      L"copy C:\\Program Files\\Urdu\\urdu fonts\\Nafees.ttf > C:\\Windows\\Fonts\\Nafees.ttf";
  const std::wstring kRegisterNafees =
      L"register Nafees Web Naskh (TrueType) = Nafees.ttf @ C:\\Windows\\Fonts\\Nafees.ttf";
  const std::wstring kCopyAlvi =
      L"copy C:\\Program Files\\Urdu\\urdu fonts\\Alvi Nastaleeq.TTF > "
      L"C:\\Windows\\Fonts\\Alvi Nastaleeq.TTF";
  // Each font: its name read, the Fonts folder's file compared, copied, registered; then one
  // announcement.
  const std::vector<std::wstring> kCopyBoth = {
      L"folder 20",
      L"list C:\\Program Files\\Urdu\\urdu fonts\\*.ttf",
      L"read C:\\Program Files\\Urdu\\urdu fonts\\Nafees.ttf",
      L"compare C:\\Windows\\Fonts\\Nafees.ttf",
      kCopyNafees,
      kRegisterNafees,
      L"read C:\\Program Files\\Urdu\\urdu fonts\\Alvi Nastaleeq.TTF",
      L"compare C:\\Windows\\Fonts\\Alvi Nastaleeq.TTF",
      kCopyAlvi,
      L"register Alvi Nastaleeq Regular (TrueType) = Alvi Nastaleeq.TTF @ "
      L"C:\\Windows\\Fonts\\Alvi Nastaleeq.TTF",
      L"announce"};
  const std::wstring kInstalled =
      L"box Urdu Phonetic Keyboard Installed. | 64 | Tamlorix Install Urdu Phonetic";
  const std::wstring kCopyFailed =
      L"box There was a problem copying the Drawings | 0 | TamlorixInstallUrduPhonetic";
  RecordingSystem system;
};

std::vector<std::wstring> Join(std::initializer_list<std::vector<std::wstring>> parts) {
  std::vector<std::wstring> all;
  for (const auto& part : parts) {
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

TEST_F(Flows, Windows7StartsSetupThenInstallsEveryFontThenConfirms) {
  RunWindows7();
  EXPECT_EQ(system.steps, Join({{kLaunchSetup}, kCopyBoth, {kInstalled}}));
  // A second click finds the same bytes in the Fonts folder: nothing is copied again (Windows
  // holds a loaded font open, so a copy would fail), the files are made ordinary (a copy from
  // read-only media may not be) and every font is registered again.
  system.steps.clear();
  RunWindows7();
  std::vector<std::wstring> again = kCopyBoth;
  std::replace(again.begin(), again.end(), kCopyNafees,
               std::wstring(L"ordinary C:\\Windows\\Fonts\\Nafees.ttf"));
  std::replace(again.begin(), again.end(), kCopyAlvi,
               std::wstring(L"ordinary C:\\Windows\\Fonts\\Alvi Nastaleeq.TTF"));
  EXPECT_EQ(system.steps, Join({{kLaunchSetup}, again, {kInstalled}}));
  // A different file of that name is copied over.
  system.files[L"C:\\Windows\\Fonts\\Nafees.ttf"] = FontBytes(u"Nafees 1.0");
  system.steps.clear();
  RunWindows7();
  EXPECT_EQ(std::count(system.steps.begin(), system.steps.end(), kCopyNafees), 1);
  EXPECT_EQ(std::count(system.steps.begin(), system.steps.end(), kCopyAlvi), 0);
}

TEST_F(Flows, WindowsXpAsksForTheCdAndOnNoDoesNothingElse) {
  system.answer = 7;  // No
  RunWindowsXp();
  EXPECT_EQ(system.steps,
            std::vector<std::wstring>{
                L"box Insert Windows XP (Service Pack - II) CD in your CD/DVD-ROM and click on yes "
                L"button. | 68 | Tamlorix Install Urdu Phonetic"});
  EXPECT_TRUE(system.written.empty());
}

TEST_F(Flows, WindowsXpOnYesWritesTheScriptStartsItAndSetupThenInstallsFonts) {
  RunWindowsXp();
  EXPECT_EQ(system.steps,
            Join({{L"box Insert Windows XP (Service Pack - II) CD in your CD/DVD-ROM and click on "
                   L"yes button. | 68 | Tamlorix Install Urdu Phonetic",
                   L"write C:\\Program Files\\Urdu\\install.vbs",
                   L"launch C:\\Windows\\system32\\wscript.exe | "
                   L"\"C:\\Windows\\system32\\wscript.exe\" "
                   L"\"C:\\Program Files\\Urdu\\install.vbs\" | 2",
                   kLaunchSetup},
                  kCopyBoth,
                  {kInstalled}}));
  EXPECT_EQ(system.written, InstallScriptFileBytes(BuildInstallScript()));
  EXPECT_EQ(system.written.size(), 574u);
}

TEST_F(Flows, AtADriveRootThePathsCarryTheRootsBackslash) {
  system.appFolder = L"E:\\";
  system.listed.clear();
  RunWindowsXp();
  ASSERT_GE(system.steps.size(), 4u);
  EXPECT_EQ(system.steps[1], L"write E:\\\\install.vbs");
  EXPECT_EQ(system.steps[2],
            L"launch C:\\Windows\\system32\\wscript.exe | \"C:\\Windows\\system32\\wscript.exe\" "
            L"\"E:\\\\install.vbs\" | 2");
  EXPECT_EQ(system.steps[3], L"launch E:\\\\lyurdu\\setup.exe | \"E:\\\\lyurdu\\setup.exe\" | 2");
}

TEST_F(Flows, ErrorsOutsideTheCopierStopTheFlowAndReachTheCaller) {
  // A setup program that cannot be started: in the XP flow the script is already written.
  system.failing.insert(kLaunchSetup);
  EXPECT_THROW(RunWindowsXp(), SystemError);
  EXPECT_EQ(system.steps.back(), kLaunchSetup);
  EXPECT_EQ(system.steps.size(), 4u);
  EXPECT_EQ(system.written.size(), 574u);

  system.steps.clear();
  EXPECT_THROW(RunWindows7(), SystemError);
  EXPECT_EQ(system.steps, std::vector<std::wstring>{kLaunchSetup});

  // A script that cannot be written: nothing is started.
  system.failing = {L"write C:\\Program Files\\Urdu\\install.vbs"};
  system.steps.clear();
  EXPECT_THROW(RunWindowsXp(), SystemError);
  EXPECT_EQ(system.steps.size(), 2u);
}

TEST_F(Flows, AnEmptyOrMissingFontsFolderIsNoError) {
  system.listed.clear();
  RunWindows7();
  EXPECT_EQ(system.steps, (std::vector<std::wstring>{
                              kLaunchSetup, L"folder 20",
                              L"list C:\\Program Files\\Urdu\\urdu fonts\\*.ttf", kInstalled}));
}

TEST_F(Flows, NamesThatOnlyLookLikeTtfAreLeftAlone) {
  system.listed = {L"readme.ttfx", L"Nafees.ttf"};
  RunWindows7();
  for (const std::wstring& step : system.steps) {
    EXPECT_EQ(step.find(L"readme"), std::wstring::npos) << step;
  }
  EXPECT_EQ(system.steps.back(), kInstalled);
}

class CopyFailures : public Flows {
 protected:
  // Runs the Windows 7 flow expecting the copier's failure: its message, then the end, and
  // never the confirmation.
  void ExpectCopyFailure() {
    EXPECT_THROW(RunWindows7(), Ended);
    ASSERT_GE(system.steps.size(), 2u);
    EXPECT_EQ(system.steps[system.steps.size() - 2], kCopyFailed);
    EXPECT_EQ(system.steps.back(), L"end");
  }
};

TEST_F(CopyFailures, AFontInUseStopsTheLoopAfterAnnouncingTheFontsAlreadyInstalled) {
  system.failing.insert(kCopyAlvi);
  ExpectCopyFailure();
  EXPECT_EQ(system.steps, Join({{kLaunchSetup},
                                {kCopyBoth.begin(), kCopyBoth.begin() + 9},
                                {L"announce", kCopyFailed, L"end"}}));
}

TEST_F(CopyFailures, TheFirstFailureAnnouncesNothing) {
  system.failing.insert(kCopyNafees);
  ExpectCopyFailure();
  EXPECT_EQ(std::count(system.steps.begin(), system.steps.end(), L"announce"), 0);
}

TEST_F(CopyFailures, AFailedRegistrationOrListingIsACopyFailure) {
  system.failing.insert(kRegisterNafees);
  ExpectCopyFailure();
  system.steps.clear();
  system.failing = {kCopyBoth[1]};
  ExpectCopyFailure();
}

TEST_F(CopyFailures, AFileThatIsNoFontIsNeitherCopiedNorRegistered) {
  system.files[kSource + L"Nafees.ttf"] = {'n', 'o', 't', ' ', 'a', ' ', 'f', 'o', 'n', 't'};
  ExpectCopyFailure();
  for (const std::wstring& step : system.steps) {
    EXPECT_NE(step.rfind(L"copy ", 0), 0u) << step;
  }
}

TEST_F(CopyFailures, AnUnresolvedFontsFolderCopiesNothingAnywhere) {
  system.fontsFolder.clear();
  ExpectCopyFailure();
  EXPECT_EQ(system.steps,
            (std::vector<std::wstring>{kLaunchSetup, L"folder 20", kCopyFailed, L"end"}));
}

TEST_F(CopyFailures, TheWindowsXpFlowEndsTheSameWayWithoutConfirming) {
  system.failing.insert(kCopyNafees);
  EXPECT_THROW(RunWindowsXp(), Ended);
  EXPECT_EQ(std::count(system.steps.begin(), system.steps.end(), kInstalled), 0);
  EXPECT_EQ(system.steps.back(), L"end");
}

}  // namespace
