// The real program under Wine, seen and used as a person would: its main window's caption,
// size, place, buttons, colours, line and keyboard handling, and what each button does. What the
// user sees is written out here, not read from the window's table.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "InstallKit_win.h"
#include "UiDriver_win.h"
#include "WebsiteProbe_win.h"

namespace {

using namespace std::chrono_literals;

constexpr wchar_t kCaption[] = L"Tamlorix Install Urdu Phonetic";
constexpr wchar_t kWindows7[] = L"Install Urdu Phonetic - Windows 7";
constexpr wchar_t kWindowsXp[] = L"Install Urdu Phonetic - Windows XP (SP-2)";
constexpr wchar_t kVisitWebsite[] = L"&Visit Website";
constexpr wchar_t kAbout[] = L"&About Tamlorix Install Urdu Phonetic";
constexpr wchar_t kAboutProgrammer[] = L"&About Programmer";
constexpr wchar_t kClose[] = L"&Close";

// The buttons top to bottom as the test display (96 DPI) shows them: each 273 x 33 pixels at
// x = 64, in its own colour.
struct SeenButton {
  const wchar_t* caption;
  int top;
  const char* colour;
};
constexpr SeenButton kButtons[] = {
    {kWindows7, 24, "C0 C0 C0"},         {kWindowsXp, 64, "C0 C0 FF"},
    {kVisitWebsite, 104, "FF C0 FF"},    {kAbout, 144, "FF E0 C0"},
    {kAboutProgrammer, 184, "FF FF C0"}, {kClose, 240, "FF C0 C0"},
};
// Tab order is not the visual order: Close comes third.
const std::vector<std::wstring> kTabOrder = {kWindows7,     kWindowsXp, kClose,
                                             kVisitWebsite, kAbout,     kAboutProgrammer};

std::string Hex(COLORREF c) {
  char text[16];
  snprintf(text, sizeof(text), "%02X %02X %02X", GetRValue(c), GetGValue(c), GetBValue(c));
  return text;
}

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = std::make_unique<ui::Program>(ui::Program::Start(ui::ProgramPath()));
    window_ = program_->WaitForWindow(kCaption);
    ASSERT_NE(window_, nullptr) << "main window did not appear";
    ui::BringToFront(window_);
    ASSERT_TRUE(ui::WaitUntil([&] { return ui::FocusOf(window_) != nullptr; }));
  }
  void TearDown() override {
    if (program_ && program_->IsRunning()) {
      program_->Kill();
    }
  }
  HWND Button(const std::wstring& caption) const { return ui::FindChildByText(window_, caption); }
  std::wstring Focused() const { return ui::WindowText(ui::FocusOf(window_)); }
  bool FocusComesTo(const std::wstring& caption) const {
    return ui::WaitForFocus(window_, Button(caption));
  }

  std::unique_ptr<ui::Program> program_;
  HWND window_ = nullptr;
};

TEST_F(MainWindow, HasItsCaptionSizeAndPlaceCentredOnTheScreen) {
  EXPECT_EQ(ui::WindowText(window_), kCaption);
  RECT client{};
  GetClientRect(window_, &client);
  EXPECT_EQ(client.right, 405);
  EXPECT_EQ(client.bottom, 294);
  RECT frame{};
  GetWindowRect(window_, &frame);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_NEAR((frame.left + frame.right) / 2.0, screenWidth / 2.0, 1.0);
  EXPECT_NEAR((frame.top + frame.bottom) / 2.0, screenHeight / 2.0, 1.0);
}

TEST(ProgramFile, CarriesOneIconOf32By32PixelsIn256Colours) {
  const UniqueModule exe(
      LoadLibraryExW(ui::ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(exe);
  const HRSRC group =
      FindResourceW(exe.Get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
  ASSERT_NE(group, nullptr);
  const auto* directory = static_cast<const BYTE*>(LockResource(LoadResource(exe.Get(), group)));
  ASSERT_NE(directory, nullptr);
  // GRPICONDIR: reserved, type, count; then one 14-byte entry per image.
  const WORD count = *reinterpret_cast<const WORD*>(directory + 4);
  ASSERT_EQ(count, 1);
  const BYTE* entry = directory + 6;
  EXPECT_EQ(entry[0], 32);                                  // width
  EXPECT_EQ(entry[1], 32);                                  // height
  EXPECT_EQ(*reinterpret_cast<const WORD*>(entry + 6), 8);  // bits per pixel: 256 colours
}

TEST_F(MainWindow, ShowsSixColouredButtonsInOneColumnAndTheOrangeLine) {
  ASSERT_EQ(ui::ChildrenInZOrder(window_).size(), 6u);
  for (const SeenButton& seen : kButtons) {
    SCOPED_TRACE(testing::Message() << seen.top);
    const HWND button = Button(seen.caption);
    ASSERT_NE(button, nullptr);
    const RECT r = ui::RectInParent(button);
    EXPECT_EQ(r.left, 64);
    EXPECT_EQ(r.top, seen.top);
    EXPECT_EQ(r.right - r.left, 273);
    EXPECT_EQ(r.bottom - r.top, 33);
    // Inside the raised edge, left of the centred caption: the button's own colour.
    EXPECT_EQ(Hex(ui::ClientPixel(window_, r.left + 8, (r.top + r.bottom) / 2)), seen.colour);
  }
  EXPECT_EQ(Hex(ui::ClientPixel(window_, 20, 10)), "C0 FF C0");
  // The line at 3480 twips (232 pixels), from the left edge to 6000 twips (400 pixels).
  for (int x : {0, 30, 200, 399}) {
    EXPECT_EQ(Hex(ui::ClientPixel(window_, x, 232)), "FF 80 00") << x;
  }
  EXPECT_EQ(Hex(ui::ClientPixel(window_, 402, 232)), "C0 FF C0");
  EXPECT_EQ(Hex(ui::ClientPixel(window_, 30, 230)), "C0 FF C0");

  ui::SaveScreenshot(window_, ui::ArtefactsFolder() + L"\\main-window.bmp");
}

TEST_F(MainWindow, TabWalksTheButtonsInTabOrderNotVisualOrder) {
  EXPECT_EQ(Focused(), kTabOrder[0]);
  for (std::size_t step = 1; step <= kTabOrder.size(); ++step) {
    ui::PressKey(VK_TAB);
    EXPECT_TRUE(FocusComesTo(kTabOrder[step % kTabOrder.size()]))
        << "after " << step << " Tab presses: " << testing::PrintToString(Focused());
  }
  ui::PressKey(VK_TAB, false, true);  // Shift+Tab goes back
  EXPECT_TRUE(FocusComesTo(kTabOrder.back()));
}

TEST_F(MainWindow, AltAMovesFocusBetweenTheTwoAboutButtonsWithoutPressingEither) {
  for (const wchar_t* next : {kAbout, kAboutProgrammer, kAbout}) {
    ui::PressKey('A', true);
    EXPECT_TRUE(FocusComesTo(next)) << testing::PrintToString(Focused());
  }
  // Neither was pressed: once the program has finished with the keys, no other window is open.
  EXPECT_TRUE(program_->Answers());
  EXPECT_EQ(program_->TopLevelWindows().size(), 1u);
}

TEST_F(MainWindow, EnterPressesTheFocusedButton) {
  // Close is third in tab order: two Tabs from the first button, then Enter.
  ui::PressKey(VK_TAB);
  ui::PressKey(VK_TAB);
  ASSERT_TRUE(FocusComesTo(kClose));
  ui::PressKey(VK_RETURN);
  EXPECT_TRUE(program_->WaitForExit(15s));
}

TEST_F(MainWindow, SpacePressesTheFocusedButton) {
  for (int i = 0; i < 4; ++i) {
    ui::PressKey(VK_TAB, false, true);
  }
  ASSERT_TRUE(FocusComesTo(kClose));
  ui::PressKey(VK_SPACE);
  EXPECT_TRUE(program_->WaitForExit(15s));
}

TEST_F(MainWindow, EscapeAndAnUnknownAccessKeyStartNothing) {
  ui::PressKey(VK_ESCAPE);
  ui::PressKey('Q', true);
  // Keys are taken in order: once the Tab after them has moved the focus, they were taken too.
  ui::PressKey(VK_TAB);
  EXPECT_TRUE(FocusComesTo(kWindowsXp));
  EXPECT_TRUE(program_->Answers());
  EXPECT_EQ(program_->TopLevelWindows().size(), 1u);
}

TEST_F(MainWindow, ClosingTheWindowEndsTheProcess) {
  PostMessageW(window_, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program_->WaitForExit(15s));
}

// Each button, found by the caption a user reads on it, does what that caption says: the real
// program from a test distribution (a probe as the layout's setup program), a probe as the
// browser.
class MainWindowButtons : public install_test::Install {
 protected:
  // Nothing here runs the script host (the Windows XP prompt is answered No): it is left alone.
  static void SetUpTestSuite() {
    probe_ = std::make_unique<WebsiteProbe>();
    probe_->WarmUp();
  }
  static void TearDownTestSuite() { probe_.reset(); }

  void PressCaption(HWND window, const wchar_t* caption) {
    const HWND button = ui::FindChildByText(window, caption);
    ASSERT_NE(button, nullptr) << testing::PrintToString(std::wstring(caption));
    ui::PressButton(button);
  }
  std::set<std::wstring> ShownCaptions() const {
    std::set<std::wstring> captions;
    for (HWND window : program_->TopLevelWindows()) {
      captions.insert(ui::WindowText(window));
    }
    return captions;
  }

  static inline std::unique_ptr<WebsiteProbe> probe_;
};

TEST_F(MainWindowButtons, EachDoesWhatItsCaptionSays) {
  ASSERT_NO_FATAL_FAILURE(
      MakeDistribution(install_test::fs::path(ui::ArtefactsFolder()) / L"buttons", Fonts::Missing));
  const HWND window = StartProgram();
  ASSERT_NE(window, nullptr);

  // Windows 7: the layout's setup program starts, and no CD is asked for.
  PressCaption(window, kWindows7);
  Expect(L"Urdu Phonetic Keyboard Installed.", kCaption, true, {IDOK}, IDOK);
  const auto starts = WaitForStarts(1);
  ASSERT_EQ(starts.size(), 1u);
  ExpectSetupStart(starts[0]);

  // Windows XP asks for the CD first; No does nothing more.
  PressCaption(window, kWindowsXp);
  Expect(L"Insert Windows XP (Service Pack - II) CD in your CD/DVD-ROM and click on yes button.",
         kCaption, true, {IDYES, IDNO}, IDNO);
  EXPECT_EQ(WaitForStarts(1).size(), 1u);

  // Each About button shows its own window.
  PressCaption(window, kAboutProgrammer);
  EXPECT_EQ(ShownCaptions(), (std::set<std::wstring>{kCaption, L"About Programmer"}));
  PressCaption(window, kAbout);
  EXPECT_EQ(ShownCaptions(), (std::set<std::wstring>{kCaption, L"About Programmer",
                                                     L"About Tamlorix Install Urdu Phoneti"}));

  // Visit Website opens the site and the program stays; Close opens it and ends the program.
  PressCaption(window, kVisitWebsite);
  EXPECT_EQ(probe_->WaitForOpened(1, program_.get()),
            std::vector<std::string>{"http://www.tamlorix.com/"});
  EXPECT_TRUE(program_->IsRunning());
  PressCaption(window, kClose);
  EXPECT_TRUE(EndsSoon());
  EXPECT_EQ(probe_->WaitForOpened(2, program_.get()).size(), 2u);
}

// A message box holds every window of the program, whatever owns it, and gives back exactly
// what it took, the focus too: a window disabled before it (as under an outer box) stays so.
TEST_F(MainWindowButtons, AMessageBoxHoldsEveryWindowAndGivesBackWhatItTook) {
  ASSERT_NO_FATAL_FAILURE(
      MakeDistribution(install_test::fs::path(ui::ArtefactsFolder()) / L"box", Fonts::Missing));
  const HWND window = StartProgram();
  PressCaption(window, kAboutProgrammer);
  PressCaption(window, kAbout);
  const HWND card = program_->WaitForWindow(L"About Programmer");
  const HWND about = program_->WaitForWindow(L"About Tamlorix Install Urdu Phoneti");
  // Where nothing covers it; a click on its background at (420, 190) hides it.
  SetWindowPos(card, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (const BOOL aboutBefore : {TRUE, FALSE}) {
    EnableWindow(about, aboutBefore);
    PressCaption(window, kWindowsXp);
    const auto box = install_test::WaitForMessageBox(*program_);
    ASSERT_TRUE(box);
    EXPECT_FALSE(IsWindowEnabled(window) || IsWindowEnabled(card) || IsWindowEnabled(about));
    ui::ClickClient(card, 420, 190);
    EXPECT_FALSE(ui::WaitUntil([&] { return !IsWindowVisible(card); }, 1s)) << "a click got in";
    install_test::Press(*box, IDNO);
    ASSERT_TRUE(program_->Answers());
    EXPECT_TRUE(IsWindowEnabled(window) && IsWindowEnabled(card));
    EXPECT_EQ(!IsWindowEnabled(about), !aboutBefore);
    EXPECT_EQ(ui::FocusOf(window), ui::FindChildByText(window, kWindowsXp));
  }
  ui::ClickClient(card, 420, 190);
  EXPECT_TRUE(ui::WaitUntil([&] { return !IsWindowVisible(card); }, 3s));
}

}  // namespace
