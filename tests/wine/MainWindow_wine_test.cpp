// The real program under Wine, seen and used as a person would: its main window's caption,
// size, place, buttons, colours, line and keyboard handling.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UiDriver_win.h"
#include "windows/AccessKeys.h"
#include "windows/frmMainLayout.h"

namespace {

using namespace std::chrono_literals;

constexpr int kDpi = 96;  // the test display's DPI

COLORREF ToColorRef(Rgb c) { return RGB(c.r, c.g, c.b); }

std::string Hex(COLORREF c) {
  char text[16];
  snprintf(text, sizeof(text), "%02X %02X %02X", GetRValue(c), GetGValue(c), GetBValue(c));
  return text;
}

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = std::make_unique<ui::Program>(ui::Program::Start(ui::ProgramPath()));
    window_ = program_->WaitForWindow(std::wstring(kfrmMain.caption));
    ASSERT_NE(window_, nullptr) << "main window did not appear";
    ui::BringToFront(window_);
    ASSERT_TRUE(ui::WaitUntil([&] { return ui::FocusOf(window_) != nullptr; }));
  }
  void TearDown() override {
    if (program_ && program_->IsRunning()) {
      program_->Kill();
    }
  }
  HWND Button(const ButtonSpec& item) const {
    return ui::FindChildByText(window_, std::wstring(item.caption));
  }

  std::unique_ptr<ui::Program> program_;
  HWND window_ = nullptr;
};

TEST_F(MainWindow, HasItsCaptionSizeAndPlaceCentredOnTheScreen) {
  EXPECT_EQ(ui::WindowText(window_), L"Tamlorix Install Urdu Phonetic");
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

TEST_F(MainWindow, ShowsSixColouredButtonsWhereTheTableSaysAndTheOrangeLine) {
  const auto children = ui::ChildrenInZOrder(window_);
  ASSERT_EQ(children.size(), 6u);
  for (const ButtonSpec& item : kfrmMainButtons) {
    SCOPED_TRACE(std::string(item.name.begin(), item.name.end()));
    const HWND button = Button(item);
    ASSERT_NE(button, nullptr);
    const RECT r = ui::RectInParent(button);
    const PixelRect expected = ToPixels(item.bounds, kDpi);
    EXPECT_EQ(r.left, expected.left);
    EXPECT_EQ(r.top, expected.top);
    EXPECT_EQ(r.right - r.left, expected.width);
    EXPECT_EQ(r.bottom - r.top, expected.height);
    // Inside the raised edge, left of the centred caption: the button's own colour.
    const COLORREF seen = ui::ClientPixel(window_, r.left + 8, (r.top + r.bottom) / 2);
    EXPECT_EQ(Hex(seen), Hex(ToColorRef(item.background)));
  }
  EXPECT_EQ(Hex(ui::ClientPixel(window_, 20, 10)), Hex(ToColorRef(kfrmMain.background)));
  const int lineY = TwipsToPixels(kfrmMainLine1.from.y, kDpi);
  for (int x : {0, 30, 200, 399}) {
    EXPECT_EQ(Hex(ui::ClientPixel(window_, x, lineY)), Hex(ToColorRef(kfrmMainLine1.colour))) << x;
  }
  // The line ends at 6000 twips (400 pixels); the background shows past it and above it.
  EXPECT_EQ(Hex(ui::ClientPixel(window_, 402, lineY)), Hex(ToColorRef(kfrmMain.background)));
  EXPECT_EQ(Hex(ui::ClientPixel(window_, 30, lineY - 2)), Hex(ToColorRef(kfrmMain.background)));

  ui::SaveScreenshot(window_, ui::ArtefactsFolder() + L"\\main-window.bmp");
}

TEST_F(MainWindow, TabWalksTheButtonsInTabOrderNotVisualOrder) {
  const auto order = frmMainTabOrder();
  EXPECT_EQ(ui::FocusOf(window_), Button(*order[0]));
  for (std::size_t step = 1; step <= order.size(); ++step) {
    ui::PressKey(VK_TAB);
    EXPECT_EQ(ui::WindowText(ui::FocusOf(window_)),
              std::wstring(order[step % order.size()]->caption))
        << "after " << step << " Tab presses";
  }
  ui::PressKey(VK_TAB, false, true);  // Shift+Tab goes back
  EXPECT_EQ(ui::FocusOf(window_), Button(*order.back()));
}

TEST_F(MainWindow, AltAMovesFocusBetweenTheTwoAboutButtonsWithoutPressingEither) {
  const HWND about = Button(kfrmMainButtons[3]);
  const HWND programmer = Button(kfrmMainButtons[4]);
  ASSERT_EQ(AccessKeyOf(kfrmMainButtons[3].caption), AccessKeyOf(kfrmMainButtons[4].caption));
  ui::PressKey('A', true);
  EXPECT_EQ(ui::FocusOf(window_), about);
  ui::PressKey('A', true);
  EXPECT_EQ(ui::FocusOf(window_), programmer);
  ui::PressKey('A', true);
  EXPECT_EQ(ui::FocusOf(window_), about);
  // Neither was pressed: no other window opened.
  EXPECT_EQ(program_->TopLevelWindows().size(), 1u);
  EXPECT_TRUE(program_->IsRunning());
}

TEST_F(MainWindow, EnterPressesTheFocusedButton) {
  // Close is third in tab order: two Tabs from the first button, then Enter.
  ui::PressKey(VK_TAB);
  ui::PressKey(VK_TAB);
  ASSERT_EQ(ui::WindowText(ui::FocusOf(window_)), L"&Close");
  ui::PressKey(VK_RETURN);
  EXPECT_TRUE(program_->WaitForExit(15s));
}

TEST_F(MainWindow, SpacePressesTheFocusedButton) {
  ui::PressKey(VK_TAB, false, true);
  ui::PressKey(VK_TAB, false, true);
  ui::PressKey(VK_TAB, false, true);
  ui::PressKey(VK_TAB, false, true);
  ASSERT_EQ(ui::WindowText(ui::FocusOf(window_)), L"&Close");
  ui::PressKey(VK_SPACE);
  EXPECT_TRUE(program_->WaitForExit(15s));
}

TEST_F(MainWindow, EscapeAndAnUnknownAccessKeyStartNothing) {
  ui::PressKey(VK_ESCAPE);
  ui::PressKey('Q', true);
  EXPECT_TRUE(program_->IsRunning());
  EXPECT_EQ(program_->TopLevelWindows().size(), 1u);
}

TEST_F(MainWindow, ClosingTheWindowEndsTheProcess) {
  PostMessageW(window_, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program_->WaitForExit(15s));
}

}  // namespace
