#include "tools/chart/LayoutChart.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "layout/UrduPhonetic.h"
#include "layout/UrduRepertoire.h"

namespace {

using namespace layout;

std::string Unescape(std::string text) {
  const std::pair<const char*, const char*> entities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}};
  for (const auto& [entity, plain] : entities) {
    for (std::size_t at = text.find(entity); at != std::string::npos;
         at = text.find(entity, at + 1)) {
      text.replace(at, std::strlen(entity), plain);
    }
  }
  return text;
}

// Per key (by scan code), the texts the SVG draws on it, by the slot (first CSS class).
std::map<std::uint16_t, std::map<std::string, std::string>> KeyTexts(const std::string& svg) {
  std::map<std::uint16_t, std::map<std::string, std::string>> keys;
  const std::regex group("<g class=\"key\" data-scan=\"([0-9A-F]{4})\">(.*?)</g>");
  const std::regex text("<text class=\"([a-z]+)[^\"]*\"[^>]*>([^<]*)</text>");
  for (auto g = std::sregex_iterator(svg.begin(), svg.end(), group); g != std::sregex_iterator();
       ++g) {
    const auto scan = static_cast<std::uint16_t>(std::stoul((*g)[1].str(), nullptr, 16));
    const std::string body = (*g)[2].str();
    auto& slots = keys[scan];
    for (auto t = std::sregex_iterator(body.begin(), body.end(), text); t != std::sregex_iterator();
         ++t) {
      EXPECT_TRUE(slots.emplace((*t)[1].str(), Unescape((*t)[2].str())).second)
          << "two texts in one slot of key " << scan;
    }
  }
  return keys;
}

// A US keyboard has neither the 102nd key nor the ABNT key beside right Shift.
bool IsOnAUsKeyboard(const KeyDefinition& key) {
  return key.scanCode != 0x56 && key.scanCode != 0x73;
}

TEST(LayoutChart, EveryTypingKeyOfTheMainBlockIsDrawnOnceInRowsOfEqualWidth) {
  std::set<std::uint16_t> drawn;
  std::map<int, double> rowWidth;
  double previousEnd = 0;
  int previousRow = -1;
  for (const ChartKey& key : ChartKeys()) {
    EXPECT_TRUE(drawn.insert(key.scanCode).second) << key.scanCode;
    if (key.row != previousRow) previousEnd = 0;
    EXPECT_DOUBLE_EQ(key.column, previousEnd) << "gap or overlap before " << key.caption;
    previousEnd = key.column + key.width;
    previousRow = key.row;
    rowWidth[key.row] = previousEnd;
    const KeyDefinition* definition = FindKeyByScanCode(key.scanCode);
    if (key.typing) {
      ASSERT_NE(definition, nullptr) << key.caption;
    }
  }
  ASSERT_EQ(rowWidth.size(), 5u);
  for (const auto& [row, width] : rowWidth) EXPECT_DOUBLE_EQ(width, 15.0) << "row " << row;
  for (const KeyDefinition& key : kTypingKeys) {
    if (IsOnAUsKeyboard(key)) {
      EXPECT_TRUE(drawn.count(key.scanCode)) << "key " << key.scanCode << " not drawn";
    }
  }
}

TEST(LayoutChart, EachKeyShowsItsCharactersInTheirSlotsAndNothingElse) {
  const auto texts = KeyTexts(RenderChartSvg());
  const std::pair<Level, const char*> slots[] = {
      {kBase, "base"}, {kShift, "shift"}, {kAltGr, "altgr"}, {kShiftAltGr, "shiftaltgr"}};
  std::size_t checked = 0;
  for (const ChartKey& key : ChartKeys()) {
    ASSERT_TRUE(texts.count(key.scanCode)) << key.caption;
    const auto& drawn = texts.at(key.scanCode);
    if (!key.typing) {
      EXPECT_EQ(drawn, (std::map<std::string, std::string>{{"caption", std::string(key.caption)}}));
      continue;
    }
    const KeyDefinition& definition = *FindKeyByScanCode(key.scanCode);
    std::map<std::string, std::string> expected{{"latin", std::string(key.caption)}};
    for (const auto& [level, slot] : slots) {
      if (!ChartLabel(definition.chars[level]).empty()) {
        expected[slot] = ChartLabel(definition.chars[level]);
      }
    }
    EXPECT_EQ(drawn, expected) << key.caption;
    ++checked;
  }
  EXPECT_EQ(checked, 48u);  // 47 character keys and the space bar
  // Spot checks stated independently of the table.
  EXPECT_EQ(texts.at(0x25).at("base"), "\u06A9");         // K: keheh
  EXPECT_EQ(texts.at(0x14).at("shift"), "\u0679");        // Shift+T: tteh
  EXPECT_EQ(texts.at(0x15).at("shift"), "\u25CC\u064E");  // Shift+Y: zabar on a dotted circle
  EXPECT_EQ(texts.at(0x39), (std::map<std::string, std::string>{
                                {"latin", "Space"}, {"altgr", "ZWNJ"}, {"shiftaltgr", "ZWJ"}}));
  EXPECT_EQ(texts.at(0x06).at("shift"), "%");
  EXPECT_EQ(texts.at(0x06).at("shiftaltgr"), "\u066A");  // ٪
  EXPECT_EQ(texts.at(0x07).at("shiftaltgr"), "\u2030");  // ‰
  EXPECT_EQ(texts.at(0x33).at("shift"), "<");            // escaped in the SVG, read back plain
}

TEST(LayoutChart, LabelsShowMarksOnADottedCircleAndNameInvisibleCharacters) {
  EXPECT_EQ(ChartLabel(0x0651), "\u25CC\u0651");
  EXPECT_EQ(ChartLabel(0x0613), "\u25CC\u0613");
  EXPECT_EQ(ChartLabel(0x06BA), "\u06BA");
  EXPECT_EQ(ChartLabel(0x0600), "\u0600\u06F1\u06F2");  // the number sign spans digits
  EXPECT_EQ(ChartLabel(kZwj), "ZWJ");
  EXPECT_EQ(ChartLabel(kRlm), "RLM");
  EXPECT_EQ(ChartLabel(kNbsp), "NBSP");
  EXPECT_EQ(ChartLabel(u' '), "");
  EXPECT_EQ(ChartLabel(kNone), "");
  EXPECT_EQ(ChartLabel(u'&'), "&");
}

TEST(LayoutChart, SvgIsTaggedUrduSoDigitsTakeTheirUrduShapes) {
  const std::string svg = RenderChartSvg();
  EXPECT_NE(svg.find("xml:lang=\"ur\""), std::string::npos);
  EXPECT_NE(svg.find("class=\"base digit\""), std::string::npos);
  EXPECT_EQ(svg.rfind("</svg>\n"), svg.size() - 7);
}

}  // namespace
