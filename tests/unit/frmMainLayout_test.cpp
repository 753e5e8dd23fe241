#include "windows/frmMainLayout.h"

#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string>

#include "windows/AccessKeys.h"

namespace {

TEST(frmMainLayout, ClientAreaIs405By294PixelsAt96Dpi) {
  EXPECT_EQ(TwipsToPixels(kfrmMain.clientWidth, 96), 405);
  EXPECT_EQ(TwipsToPixels(kfrmMain.clientHeight, 96), 294);
  EXPECT_EQ(TwipsToPixels(kfrmMain.clientWidth, 144), 608);   // 607.5 rounds up
  EXPECT_EQ(TwipsToPixels(kfrmMain.clientHeight, 120), 368);  // 367.5 rounds up
}

// What a user sees on each button, top to bottom, and what pressing it does, written out here
// rather than read from the window's table: two buttons swapping captions, colours or actions
// fail here.
TEST(frmMainLayout, EachButtonHasItsCaptionColourPlaceAndAction) {
  const struct {
    const wchar_t* name;
    const wchar_t* caption;
    Rgb background;
    int top;
    int tabIndex;
    MainAction action;
  } expected[] = {
      {L"Command1",
       L"Install Urdu Phonetic - Windows 7",
       {0xC0, 0xC0, 0xC0},
       360,
       0,
       MainAction::Windows7Install},
      {L"Command2",
       L"Install Urdu Phonetic - Windows XP (SP-2)",
       {0xC0, 0xC0, 0xFF},
       960,
       1,
       MainAction::WindowsXpInstall},
      {L"Command4", L"&Visit Website", {0xFF, 0xC0, 0xFF}, 1560, 3, MainAction::VisitWebsite},
      {L"Command5",
       L"&About Tamlorix Install Urdu Phonetic",
       {0xFF, 0xE0, 0xC0},
       2160,
       4,
       MainAction::About},
      {L"Command6", L"&About Programmer", {0xFF, 0xFF, 0xC0}, 2760, 5, MainAction::AboutProgrammer},
      {L"Command3", L"&Close", {0xFF, 0xC0, 0xC0}, 3600, 2, MainAction::Close},
  };
  ASSERT_EQ(kfrmMainButtons.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const ButtonSpec& b = kfrmMainButtons[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(b.name, expected[i].name);
    EXPECT_EQ(b.caption, expected[i].caption);
    EXPECT_EQ(b.background, expected[i].background);
    EXPECT_EQ(b.bounds.top, expected[i].top);
    EXPECT_EQ(b.tabIndex, expected[i].tabIndex);
    EXPECT_EQ(b.action, expected[i].action);
  }
  EXPECT_EQ(kfrmMain.caption, L"Tamlorix Install Urdu Phonetic");
  EXPECT_EQ(kfrmMain.background, (Rgb{0xC0, 0xFF, 0xC0}));
  EXPECT_EQ(kfrmMainLine1.colour, (Rgb{0xFF, 0x80, 0x00}));
}

TEST(frmMainLayout, ButtonsAreOneColumnTopToBottomWithoutOverlap) {
  int previousBottom = 0;
  for (const ButtonSpec& b : kfrmMainButtons) {
    EXPECT_EQ(b.bounds.left, 960) << std::string(b.name.begin(), b.name.end());
    EXPECT_EQ(b.bounds.width, 4095);
    EXPECT_EQ(b.bounds.height, 495);
    EXPECT_GT(b.bounds.top, previousBottom);
    previousBottom = b.bounds.top + b.bounds.height;
  }
  EXPECT_LE(previousBottom, kfrmMain.clientHeight);
  // The orange line sits between Command6 and Command3.
  EXPECT_GT(kfrmMainLine1.from.y, kfrmMainButtons[4].bounds.top + kfrmMainButtons[4].bounds.height);
  EXPECT_LT(kfrmMainLine1.from.y, kfrmMainButtons[5].bounds.top);
}

TEST(frmMainLayout, IdsAreUniqueAndNeverTheDialogManagersOwn) {
  std::set<int> ids;
  for (const ButtonSpec& b : kfrmMainButtons) {
    EXPECT_TRUE(ids.insert(b.id).second);
    EXPECT_GT(b.id, 2);  // IDOK and IDCANCEL arrive from Enter and Esc
    EXPECT_EQ(FindfrmMainButton(b.id), &b);
  }
  EXPECT_EQ(FindfrmMainButton(1), nullptr);
}

TEST(frmMainLayout, TabOrderIsAPermutationWithCloseBeforeVisitWebsite) {
  const auto order = frmMainTabOrder();
  for (std::size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ(order[i]->tabIndex, static_cast<int>(i));
  }
  std::wstring names;
  for (const ButtonSpec* b : order) {
    names += std::wstring(b->name) + L" ";
  }
  EXPECT_EQ(names, L"Command1 Command2 Command3 Command4 Command5 Command6 ");
}

TEST(frmMainLayout, ConvertingEdgesKeepsNeighboursApartAtEveryDpi) {
  for (int dpi : {96, 120, 144, 168, 192}) {
    for (std::size_t i = 0; i + 1 < kfrmMainButtons.size(); ++i) {
      const PixelRect a = ToPixels(kfrmMainButtons[i].bounds, dpi);
      const PixelRect b = ToPixels(kfrmMainButtons[i + 1].bounds, dpi);
      EXPECT_LT(a.top + a.height, b.top) << "dpi " << dpi;
    }
  }
  EXPECT_EQ(ToPixels(kfrmMainButtons[0].bounds, 96), (PixelRect{64, 24, 273, 33}));
}

TEST(AccessKeys, CaptionsMarkTheLetterAfterTheAmpersand) {
  EXPECT_EQ(AccessKeyOf(L"&Visit Website"), L'V');
  EXPECT_EQ(AccessKeyOf(L"&close"), L'C');
  EXPECT_EQ(AccessKeyOf(L"Install Urdu Phonetic - Windows 7"), 0);
  EXPECT_EQ(AccessKeyOf(L"Salt && &Pepper"), L'P');
  EXPECT_EQ(AccessKeyOf(L"Trailing&"), 0);
  EXPECT_EQ(DisplayCaption(L"&About Programmer"), L"About Programmer");
  EXPECT_EQ(DisplayCaption(L"Salt && &Pepper"), L"Salt & Pepper");
}

TEST(AccessKeys, SharedKeyMovesFocusBetweenOwnersWithoutPressing) {
  const auto order = frmMainTabOrder();
  std::vector<std::wstring_view> captions;
  for (const ButtonSpec* b : order) {
    captions.push_back(b->caption);
  }
  // Tab positions: 4 is "&About Tamlorix ...", 5 is "&About Programmer".
  auto hit = FindAccessKeyTarget(captions, 0, L'a');
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->index, 4u);
  EXPECT_FALSE(hit->click);
  hit = FindAccessKeyTarget(captions, 4, L'A');
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->index, 5u);
  hit = FindAccessKeyTarget(captions, 5, L'A');
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->index, 4u);  // wraps around
  hit = FindAccessKeyTarget(captions, std::nullopt, L'A');
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->index, 4u);
}

TEST(AccessKeys, UniqueKeyPressesItsButtonAndUnknownKeyDoesNothing) {
  const auto order = frmMainTabOrder();
  std::vector<std::wstring_view> captions;
  for (const ButtonSpec* b : order) {
    captions.push_back(b->caption);
  }
  auto hit = FindAccessKeyTarget(captions, 5, L'c');
  ASSERT_TRUE(hit);
  EXPECT_EQ(order[hit->index]->name, L"Command3");
  EXPECT_TRUE(hit->click);
  hit = FindAccessKeyTarget(captions, 0, L'V');
  ASSERT_TRUE(hit);
  EXPECT_EQ(order[hit->index]->name, L"Command4");
  EXPECT_FALSE(FindAccessKeyTarget(captions, 0, L'W'));
  EXPECT_FALSE(FindAccessKeyTarget(captions, 0, 0));
}

}  // namespace
