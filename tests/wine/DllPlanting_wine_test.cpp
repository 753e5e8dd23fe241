// DLL planting: the program, copied into a folder where DLLs named like system DLLs were left
// (as in a Downloads folder), must load none of them. Wine is told to prefer such native DLLs
// over its built-in ones (WINEDLLOVERRIDES NAMES=n,b, from tests/wine/CMakeLists.txt), so that any
// search reaching the program's folder finds the planted copy; each copy leaves a marker file when
// loaded.
//
// Not planted: DLLs that Wine, unlike Windows, resolves from the program's folder whatever the
// program does, so a test of them would measure Wine and not the program:
// - imm32, sechost, version: Wine's own user32 and advapi32 import them statically, so they are
//   loaded before the program's first instruction; on Windows the first two are KnownDLLs (never
//   searched for) and user32 does not import version.dll;
// - ole32: Wine's imm32 delay-loads it on the first keyboard input through a search that ignores
//   the process's DLL directory settings (the control with the restriction shows it too); on
//   Windows it is a KnownDLL.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "UiDriver_win.h"
#include "windows/frmMainLayout.h"

namespace {

using namespace std::chrono_literals;

std::wstring EnvOr(const wchar_t* name) {
  wchar_t value[4096];
  const DWORD length = GetEnvironmentVariableW(name, value, 4096);
  return length > 0 && length < 4096 ? std::wstring(value, length) : std::wstring();
}

class DllPlanting : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::wstring root = ui::ArtefactsFolder() + L"\\dll-planting";
    appFolder_ = root + L"\\Downloads";
    markers_ = root + L"\\markers";
    CreateDirectoryW(root.c_str(), nullptr);
    CreateDirectoryW(appFolder_.c_str(), nullptr);
    CreateDirectoryW(markers_.c_str(), nullptr);
    const std::wstring original = ui::ProgramPath();
    program_ = appFolder_ + original.substr(original.find_last_of(L'\\'));
    probe_ = appFolder_ + L"\\probe.exe";
    setup_ = appFolder_ + L"\\setup.exe";
    ASSERT_TRUE(CopyFileW(ui::EnvPath("TIUP_SETUP").c_str(), setup_.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(ui::ProgramPath().c_str(), program_.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(ui::EnvPath("TIUP_UNPROTECTED_WINDOW").c_str(), probe_.c_str(), FALSE));
    const std::wstring planted = ui::EnvPath("TIUP_PLANTED_DLL");
    const std::vector<std::wstring> names = PlantedNames();
    ASSERT_FALSE(names.empty()) << "WINEDLLOVERRIDES names no DLL to prefer from the folder";
    for (const std::wstring& name : names) {
      const std::wstring copy = appFolder_ + L"\\" + name + L".dll";
      ASSERT_TRUE(CopyFileW(planted.c_str(), copy.c_str(), FALSE));
    }
    SetEnvironmentVariableW(L"TIUP_PLANT_MARKERS", markers_.c_str());
  }
  static void TearDownTestSuite() { SetEnvironmentVariableW(L"TIUP_PLANT_MARKERS", nullptr); }

  // The DLLs that Wine is told to prefer from the program's folder (WINEDLLOVERRIDES, set for
  // this test by ctest: Wine reads it when a process starts, so it cannot be set from here):
  // system DLLs that the program or the system DLLs it uses load on demand, after start-up.
  static std::vector<std::wstring> PlantedNames() {
    const std::wstring overrides = EnvOr(L"WINEDLLOVERRIDES");
    std::vector<std::wstring> names;
    std::size_t start = 0;
    while (start < overrides.size()) {
      std::size_t end = overrides.find(L';', start);
      if (end == std::wstring::npos) {
        end = overrides.size();
      }
      const std::wstring entry = overrides.substr(start, end - start);
      const std::size_t equals = entry.find(L'=');
      if (equals != std::wstring::npos && entry.substr(equals) == L"=n,b") {
        std::size_t from = 0;
        while (from < equals) {
          std::size_t comma = entry.find(L',', from);
          if (comma == std::wstring::npos || comma > equals) {
            comma = equals;
          }
          names.push_back(entry.substr(from, comma - from));
          from = comma + 1;
        }
      }
      start = end + 1;
    }
    return names;
  }
  void SetUp() override {
    for (const std::wstring& marker : Markers()) {
      DeleteFileW((markers_ + L"\\" + marker).c_str());
    }
  }
  void TearDown() override {
    if (running_ && running_->IsRunning()) {
      running_->Kill();
    }
  }

  static std::vector<std::wstring> Markers() {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const UniqueFindHandle search(FindFirstFileW((markers_ + L"\\*.loaded").c_str(), &found));
    if (!search) {
      return names;
    }
    do {
      names.emplace_back(found.cFileName);
    } while (FindNextFileW(search.Get(), &found));
    return names;
  }
  static std::string Joined(const std::vector<std::wstring>& names) {
    std::string text;
    for (const std::wstring& name : names) {
      text += (text.empty() ? "" : ", ") + std::string(name.begin(), name.end());
    }
    return text;
  }

  // Starts `exe` from the planted folder (also its working folder, as when double-clicked
  // there) and waits for its window.
  HWND StartFromPlantedFolder(const std::wstring& exe, const std::wstring& caption,
                              const std::wstring& arguments = L"") {
    running_ = std::make_unique<ui::Program>(ui::Program::Start(exe, arguments, appFolder_));
    return running_->WaitForWindow(caption);
  }
  // Whether the thread that owns `window` is showing a menu.
  static bool InMenu(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) &&
           (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE)) != 0;
  }
  // Draws the window and all of its children afresh, returning once they have painted: asked
  // this way, the system sends each its WM_PAINT and waits for it.
  static void RepaintNow(HWND window) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }
  // Uses the window as anyone would: a click in it, its system menu opened and closed, all of
  // it drawn afresh. The system loads theming and drawing helpers on demand as these happen;
  // each is waited for, so they have happened when this returns.
  static void UseWindow(HWND window) {
    ui::BringToFront(window);
    RECT client = ui::ClientRectOnScreen(window);
    ui::ClickAt({client.left + 2, client.top + 2});
    ui::PressKey(VK_SPACE, /*alt=*/true);  // the system menu
    EXPECT_TRUE(ui::WaitUntil([&] { return InMenu(window); }, 5s)) << "no system menu";
    // The first Escape closes the menu, the second leaves menu mode (or reaches the window,
    // which ignores it).
    ui::PressKey(VK_ESCAPE);
    ui::PressKey(VK_ESCAPE);
    EXPECT_TRUE(ui::WaitUntil([&] { return !InMenu(window); }, 5s)) << "the menu stayed";
    RepaintNow(window);
  }

  static inline std::wstring appFolder_;
  static inline std::wstring markers_;
  static inline std::wstring program_;
  static inline std::wstring probe_;
  static inline std::wstring setup_;
  std::unique_ptr<ui::Program> running_;
};

// The control: without the restriction, a plain windowed program loads a planted DLL from its
// folder, so the markers do show a planted DLL when one is loaded.
TEST_F(DllPlanting, AnUnprotectedProgramLoadsAPlantedDllAndTheMarkerShowsIt) {
  const HWND window = StartFromPlantedFolder(probe_, L"Unprotected probe");
  ASSERT_NE(window, nullptr);
  UseWindow(window);
  EXPECT_TRUE(ui::WaitUntil([] { return !Markers().empty(); }, 5s))
      << "the planted DLLs were never loaded: this test could not see a planting";
}

// The same program, restricting its search first as the program does, loads none.
TEST_F(DllPlanting, RestrictingTheSearchKeepsTheSameProgramFromLoadingThem) {
  const HWND window = StartFromPlantedFolder(probe_, L"Protected probe", L"--protected");
  ASSERT_NE(window, nullptr);
  UseWindow(window);
  EXPECT_TRUE(Markers().empty()) << "loaded from the program's folder: " << Joined(Markers());
}

// Where SetDefaultDllDirectories is missing (Windows XP, Windows 7 without its update) only the
// current directory leaves the search; the program's folder stays first in it. Loading the shell
// by full path is then not enough: its own imports are searched for from the program's folder
// (the control), unless the search for them starts in the system folder, as SystemLibrary does.
// (What Windows itself loads by name later, such as the theme DLL when a window is shown, is
// searched for from the program's folder there whatever the program does; the probe shows no
// window in these runs.)
TEST_F(DllPlanting, WithoutDefaultDirectoriesTheShellIsLoadedWithoutThePlantedDlls) {
  const auto run = [&](const wchar_t* mode) {
    SetUp();
    const ui::Program probe = ui::Program::Start(probe_, mode, appFolder_);
    EXPECT_TRUE(probe.WaitForExit(30s));
    EXPECT_EQ(probe.ExitCode(), 0u) << "the shell was not loaded";
    return Markers();
  };
  const std::vector<std::wstring> plain = run(L"--as-on-xp-plain-load");
  EXPECT_FALSE(plain.empty())
      << "loading the shell by full path took nothing from the folder: this test sees no risk";
  std::printf("a plain load of the shell took: %s\n", Joined(plain).c_str());
  const std::vector<std::wstring> altered = run(L"--as-on-xp");
  EXPECT_TRUE(altered.empty()) << "loaded from the program's folder: " << Joined(altered);
}

TEST_F(DllPlanting, TheProgramLoadsNoDllFromItsOwnFolder) {
  const HWND window = StartFromPlantedFolder(program_, std::wstring(kfrmMain.caption));
  ASSERT_NE(window, nullptr) << "the program did not start beside the planted DLLs";
  UseWindow(window);
  // Its buttons' owner-drawn faces and the focus moving through them.
  for (int i = 0; i < 6; ++i) {
    const HWND focused = ui::FocusOf(window);
    ui::PressKey(VK_TAB);
    EXPECT_TRUE(ui::WaitUntil([&] { return ui::FocusOf(window) != focused; }, 5s));
  }
  RepaintNow(window);
  EXPECT_TRUE(running_->IsRunning());
  EXPECT_TRUE(Markers().empty()) << "loaded from the program's folder: " << Joined(Markers());
}

// The layout's setup program, downloaded into the same folder, run to its end as Apps &
// features runs it when nothing is installed: its start, its arguments, the folders it works in
// and the registry it reads. (Its message box is not covered: there Wine loads msimg32.dll from
// the program's folder, which is still to be explained.)
TEST_F(DllPlanting, TheSetupProgramLoadsNoDllFromItsOwnFolder) {
  const ui::Program quiet = ui::Program::Start(setup_, L"/uninstall /quiet", appFolder_);
  const bool ended = quiet.WaitForExit(30s);
  if (!ended) {
    quiet.Kill();
  }
  EXPECT_TRUE(ended) << "setup did not end";
  EXPECT_TRUE(Markers().empty()) << "loaded from setup's folder: " << Joined(Markers());
}

}  // namespace
