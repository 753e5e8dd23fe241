#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "windows/LabelSpec.h"
#include "windows/frmAboutLayout.h"
#include "windows/frmAboutProgrammerLayout.h"

namespace {

template <typename Labels>
void ExpectTabOrderAndUniqueIds(const Labels& labels) {
  std::set<int> ids;
  int previousTab = -1;
  for (const LabelSpec& label : labels) {
    EXPECT_TRUE(ids.insert(label.id).second) << label.id;
    EXPECT_GT(label.id, 2);  // never IDOK or IDCANCEL
    EXPECT_GT(label.tabIndex, previousTab) << "the table is kept in tab order";
    previousTab = label.tabIndex;
  }
}

TEST(frmAboutProgrammerLayout, LabelsAreInTabOrderZeroToFourWithUniqueIds) {
  ExpectTabOrderAndUniqueIds(kfrmAboutProgrammerLabels);
  for (std::size_t i = 0; i < kfrmAboutProgrammerLabels.size(); ++i) {
    EXPECT_EQ(kfrmAboutProgrammerLabels[i].tabIndex, static_cast<int>(i));
  }
  for (int index = 0; index < 4; ++index) {
    EXPECT_EQ(kfrmAboutProgrammerLabels[index].name, L"lblLabel");
    EXPECT_EQ(kfrmAboutProgrammerLabels[index].index, index);
  }
}

TEST(frmAboutProgrammerLayout, ClientAreaAndFontSizesInPixels) {
  EXPECT_EQ(TwipsToPixels(kfrmAboutProgrammer.clientWidth, 96), 447);
  EXPECT_EQ(TwipsToPixels(kfrmAboutProgrammer.clientHeight, 96), 202);
  EXPECT_EQ(FontHeightAtDpi(2175, 96), -29);   // Impact / Times New Roman 21.75 pt
  EXPECT_EQ(FontHeightAtDpi(975, 96), -13);    // MS Sans Serif 9.75 pt
  EXPECT_EQ(FontHeightAtDpi(2175, 144), -44);  // 43.5 rounds away from zero
  EXPECT_EQ(FontHeightAtDpi(975, 144), -20);   // 19.5 likewise
  EXPECT_EQ(FontHeightAtDpi(1350, 120), -23);  // 22.5
}

TEST(frmAboutProgrammerLayout, TheContactLineStartsWithItsFixedWords) {
  EXPECT_EQ(LabelCaption(kfrmAboutProgrammerLabels[3]).rfind(L"Contact #. ", 0), 0u);
  EXPECT_EQ(LabelCaption(kfrmAboutProgrammerLabels[4]), L"About Programmer");
}

TEST(frmAboutProgrammerLayout, ClicksHideTheCardExceptOnTheHeadingAndTheBanner) {
  for (int dpi : {96, 144}) {
    SCOPED_TRACE(dpi);
    const auto at = [dpi](int x96, int y96) {
      return frmAboutProgrammerClickAt(x96 * dpi / 96, y96 * dpi / 96, dpi);
    };
    EXPECT_EQ(at(200, 25), ClickAction::Nothing);      // the heading, on the banner
    EXPECT_EQ(at(20, 25), ClickAction::Nothing);       // the banner left of the heading
    EXPECT_EQ(at(440, 45), ClickAction::Nothing);      // the banner right of it
    EXPECT_EQ(at(70, 120), ClickAction::HideWindow);   // the picture
    EXPECT_EQ(at(200, 70), ClickAction::HideWindow);   // the name
    EXPECT_EQ(at(200, 150), ClickAction::HideWindow);  // the skills
    EXPECT_EQ(at(3, 198), ClickAction::HideWindow);    // the bare background
    EXPECT_EQ(at(440, 100), ClickAction::HideWindow);  // right of the line, below the banner
  }
  // The banner's last row belongs to it; the row below it is background.
  EXPECT_EQ(frmAboutProgrammerClickAt(5, 48, 96), ClickAction::Nothing);
  EXPECT_EQ(frmAboutProgrammerClickAt(5, 49, 96), ClickAction::HideWindow);
}

TEST(frmAboutLayout, LabelsInTabOrderWithTheLinkSecond) {
  ExpectTabOrderAndUniqueIds(kfrmAboutLabels);
  const auto link = std::find_if(kfrmAboutLabels.begin(), kfrmAboutLabels.end(),
                                 [](const LabelSpec& l) { return l.id == kfrmAboutLinkId; });
  ASSERT_NE(link, kfrmAboutLabels.end());
  EXPECT_EQ(link->tabIndex, 1);
  EXPECT_EQ(link->click, ClickAction::OpenWebsite);
  EXPECT_EQ(std::count_if(kfrmAboutLabels.begin(), kfrmAboutLabels.end(),
                          [](const LabelSpec& l) { return l.click != ClickAction::Nothing; }),
            1);
}

TEST(frmAboutLayout, TheLinkAndTheNoteNameTheWebsite) {
  EXPECT_EQ(LabelCaption(kfrmAboutLabels[1]), L"www.tamlorix.com");
  EXPECT_EQ(LabelCaption(kfrmAboutLabels[0]),
            L"Note: You can give suggestion for improvements and increments of this product on "
            L"the tamlorix.com website and donate money.");
  EXPECT_EQ(kfrmAbout.caption, L"About Tamlorix Install Urdu Phoneti");
  EXPECT_EQ(TwipsToPixels(kfrmAbout.clientWidth, 96), 484);
  EXPECT_EQ(TwipsToPixels(kfrmAbout.clientHeight, 96), 210);
}

TEST(LabelSpec, ContainsTakesTheLeftAndTopEdgesButNotTheRightAndBottom) {
  const TwipsRect box{150, 150, 300, 150};  // 10, 10, 20 x 10 pixels at 96 DPI
  EXPECT_TRUE(Contains(box, 96, 10, 10));
  EXPECT_TRUE(Contains(box, 96, 29, 19));
  EXPECT_FALSE(Contains(box, 96, 30, 15));
  EXPECT_FALSE(Contains(box, 96, 15, 20));
  EXPECT_FALSE(Contains(box, 96, 9, 15));
}

}  // namespace
