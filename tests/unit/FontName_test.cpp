// The name a font is registered under, read from the font's own 'name' table, and what
// happens with files that are not fonts or are damaged.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "install/FontName.h"

namespace {

using namespace std::literals;

struct Name {
  std::uint16_t platform, encoding, language, nameId;
  std::vector<std::uint8_t> bytes;
};

std::vector<std::uint8_t> Utf16Be(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  for (const char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
  }
  return bytes;
}

std::vector<std::uint8_t> Ascii(std::string_view text) { return {text.begin(), text.end()}; }

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v >> 16);
  Put16(out, v & 0xFFFF);
}

// A minimal font file: the offset table, one unrelated table, then the 'name' table.
std::vector<std::uint8_t> Font(const std::vector<Name>& names, std::uint32_t version = 0x00010000) {
  std::vector<std::uint8_t> name;
  Put16(name, 0);
  Put16(name, static_cast<std::uint32_t>(names.size()));
  Put16(name, static_cast<std::uint32_t>(6 + names.size() * 12));
  std::vector<std::uint8_t> storage;
  for (const Name& n : names) {
    Put16(name, n.platform);
    Put16(name, n.encoding);
    Put16(name, n.language);
    Put16(name, n.nameId);
    Put16(name, static_cast<std::uint32_t>(n.bytes.size()));
    Put16(name, static_cast<std::uint32_t>(storage.size()));
    storage.insert(storage.end(), n.bytes.begin(), n.bytes.end());
  }
  name.insert(name.end(), storage.begin(), storage.end());

  std::vector<std::uint8_t> file;
  Put32(file, version);
  Put16(file, 2);  // tables
  Put16(file, 32);
  Put16(file, 1);
  Put16(file, 0);
  const std::uint32_t headAt = 12 + 2 * 16;
  const std::uint32_t nameAt = headAt + 4;
  Put32(file, 0x68656164);  // 'head', a stand-in body
  Put32(file, 0);
  Put32(file, headAt);
  Put32(file, 4);
  Put32(file, 0x6E616D65);  // 'name'
  Put32(file, 0);
  Put32(file, nameAt);
  Put32(file, static_cast<std::uint32_t>(name.size()));
  Put32(file, 0);
  file.insert(file.end(), name.begin(), name.end());
  return file;
}

TEST(FontRegistryName, IsTheWindowsEnglishFullNameMarkedTrueType) {
  const auto font = Font({{1, 0, 0, 4, Ascii("Mac Name")},
                          {3, 1, 0x0401, 4, Utf16Be(u"\u0646\u0627\u0645")},
                          {3, 1, 0x0409, 1, Utf16Be(u"Family")},
                          {3, 1, 0x0409, 4, Utf16Be(u"Nafees Nastaleeq Regular")}});
  EXPECT_EQ(FontRegistryName(font), L"Nafees Nastaleeq Regular (TrueType)");
}

TEST(FontRegistryName, FallsBackInTurnToOtherLanguagesPlatformsAndTheFamily) {
  EXPECT_EQ(FontRegistryName(Font({{1, 0, 0, 4, Ascii("Mac Name")},
                                   {3, 1, 0x0420, 4, Utf16Be(u"\u0627\u0631\u062F\u0648")}})),
            L"\u0627\u0631\u062F\u0648 (TrueType)");
  EXPECT_EQ(FontRegistryName(Font({{1, 0, 0, 1, Ascii("Family")}, {1, 0, 0, 4, Ascii("Mac")}})),
            L"Mac (TrueType)");
  EXPECT_EQ(FontRegistryName(Font({{3, 1, 0x0409, 1, Utf16Be(u"Only Family")}})),
            L"Only Family (TrueType)");
  // 'true' fonts are TrueType too; PostScript outlines are listed as OpenType.
  EXPECT_EQ(FontRegistryName(Font({{3, 1, 0x0409, 4, Utf16Be(u"T")}}, 0x74727565)),
            L"T (TrueType)");
  EXPECT_EQ(FontRegistryName(Font({{3, 1, 0x0409, 4, Utf16Be(u"O")}}, 0x4F54544F)),
            L"O (OpenType)");
}

TEST(FontRegistryName, DropsControlCharactersAndSkipsBlankOrUnreadableNames) {
  EXPECT_EQ(FontRegistryName(Font(
                {{3, 1, 0x0409, 4, Utf16Be(u"  ")}, {3, 1, 0x0409, 1, Utf16Be(u" A\0B\n "sv)}})),
            L"AB (TrueType)");
  // A symbol or unknown encoding is no text to register.
  EXPECT_EQ(FontRegistryName(Font({{2, 0, 0, 4, Ascii("ISO")}, {1, 0, 0, 1, Ascii("Ok")}})),
            L"Ok (TrueType)");
}

TEST(FontRegistryName, RefusesWhatIsNoFontOrIsDamaged) {
  EXPECT_EQ(FontRegistryName({}), std::nullopt);
  EXPECT_EQ(FontRegistryName(Ascii("This is a text file, not a font at all.")), std::nullopt);
  EXPECT_EQ(FontRegistryName(Font({})), std::nullopt);  // no name at all
  const auto good = Font({{3, 1, 0x0409, 4, Utf16Be(u"Good Name")}});
  ASSERT_TRUE(FontRegistryName(good));
  // Cut anywhere, the file must be refused or still read safely (the sanitisers watch).
  for (std::size_t length = 0; length < good.size(); ++length) {
    const std::vector<std::uint8_t> cut(good.begin(), good.begin() + length);
    const auto name = FontRegistryName(cut);
    EXPECT_FALSE(name && *name != L"Good Name (TrueType)") << length;
  }
  // Offsets and counts pointing far outside the file.
  auto badTables = good;
  badTables[4] = 0xFF;
  EXPECT_EQ(FontRegistryName(badTables), std::nullopt);
  auto badNameOffset = good;
  badNameOffset[12 + 16 + 8] = 0x7F;
  EXPECT_EQ(FontRegistryName(badNameOffset), std::nullopt);
  auto badRecordCount = good;
  badRecordCount[48 + 2] = 0xFF;
  EXPECT_EQ(FontRegistryName(badRecordCount), std::nullopt);
  auto badStringOffset = good;
  badStringOffset[48 + 6 + 10] = 0xFF;
  EXPECT_EQ(FontRegistryName(badStringOffset), std::nullopt);
}

TEST(FontRegistryName, ReadsARealFont) {
  std::ifstream file("/usr/share/fonts/truetype/noto/NotoSansLycian-Regular.ttf", std::ios::binary);
  if (!file) {
    GTEST_SKIP() << "fonts-noto-core is not installed";
  }
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
  EXPECT_EQ(FontRegistryName(bytes), L"Noto Sans Lycian Regular (TrueType)");
}

}  // namespace
