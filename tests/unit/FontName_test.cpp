// The name a font is registered under, read from the font's own 'name' table, and what
// happens with files that are not fonts or are damaged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
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

// A minimal font file: the offset table, one unrelated table (`bodySize` bytes), then the 'name'
// table.
std::vector<std::uint8_t> Font(const std::vector<Name>& names, std::uint32_t version = 0x00010000,
                               std::uint32_t bodySize = 4) {
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
  const std::uint32_t nameAt = headAt + bodySize;
  Put32(file, 0x676C7966);  // 'glyf', a stand-in body
  Put32(file, 0);
  Put32(file, headAt);
  Put32(file, bodySize);
  Put32(file, 0x6E616D65);  // 'name'
  Put32(file, 0);
  Put32(file, nameAt);
  Put32(file, static_cast<std::uint32_t>(name.size()));
  file.resize(nameAt, 0);
  file.insert(file.end(), name.begin(), name.end());
  return file;
}

// What may come back for any bytes at all: nothing, or a name fit for the registry.
bool NothingOrACleanName(const std::optional<std::wstring>& name) {
  if (!name) {
    return true;
  }
  const bool marked = name->ends_with(L" (TrueType)") || name->ends_with(L" (OpenType)");
  return marked && name->size() > 11 && (*name)[0] != L' ' &&
         std::none_of(name->begin(), name->end(), [](wchar_t c) { return c < 0x20; });
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
  EXPECT_EQ(FontRegistryName(std::span<const std::uint8_t>{}), std::nullopt);
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

TEST(FontRegistryName, NeverReadsAStringOutsideTheNameTable) {
  // The file goes on after the 'name' table: a string that runs past the table's end, or
  // starts there, is damage, even where the file still has bytes.
  auto runsOver = Font({{3, 1, 0x0409, 4, Utf16Be(u"Good Name")}});
  const std::size_t lengthAt = 48 + 6 + 8;
  runsOver[lengthAt + 1] += 4;
  for (const char c : {'\0', 'W', '\0', 'X'}) {
    runsOver.push_back(static_cast<std::uint8_t>(c));
  }
  EXPECT_EQ(FontRegistryName(runsOver), std::nullopt);
  auto startsAfter = runsOver;
  startsAfter[lengthAt + 1] = 4;
  startsAfter[lengthAt + 3] = static_cast<std::uint8_t>(18);  // 'Good Name' is 18 bytes
  EXPECT_EQ(FontRegistryName(startsAfter), std::nullopt);
  // With a second, sound record the name comes from that one.
  auto withFamily =
      Font({{3, 1, 0x0409, 1, Utf16Be(u"Family")}, {3, 1, 0x0409, 4, Utf16Be(u"Good Name")}});
  withFamily[48 + 6 + 12 + 9] += 4;
  withFamily.insert(withFamily.end(), {0, 'W', 0, 'X'});
  EXPECT_EQ(FontRegistryName(withFamily), L"Family (TrueType)");
}

TEST(FontRegistryName, AnOddLengthUtf16NameLosesItsLastByteOnly) {
  // "AB" and half a character; the next string's first byte must not be taken with it.
  EXPECT_EQ(
      FontRegistryName(Font({{3, 1, 0x0409, 4, {0, 'A', 0, 'B', 0}}, {1, 0, 0, 1, Ascii("C")}})),
      L"AB (TrueType)");
  // The same at the very end of the table (and of the file).
  EXPECT_EQ(FontRegistryName(Font({{3, 1, 0x0409, 4, {0, 'A', 0, 'B', 0}}})), L"AB (TrueType)");
  EXPECT_EQ(FontRegistryName(Font({{3, 1, 0x0409, 4, {0}}, {1, 0, 0, 1, Ascii("Mac")}})),
            L"Mac (TrueType)");
}

TEST(FontRegistryName, ReadsOnlyTheDirectoryAndTheNameTable) {
  // A megabyte of outlines before the 'name' table stays unread.
  const auto font =
      Font({{3, 1, 0x0409, 4, Utf16Be(u"Large Font Regular")}}, 0x00010000, 1024 * 1024);
  struct Counting final : FontFileReader {
    explicit Counting(const std::vector<std::uint8_t>& bytes) : font(bytes) {}
    std::vector<std::uint8_t> ReadAt(std::uint64_t offset, std::size_t length) override {
      ++reads;
      const std::size_t from = std::min<std::size_t>(offset, font.size());
      const std::size_t to = from + std::min(length, font.size() - from);
      bytesRead += to - from;
      return {font.begin() + static_cast<std::ptrdiff_t>(from),
              font.begin() + static_cast<std::ptrdiff_t>(to)};
    }
    const std::vector<std::uint8_t>& font;
    std::size_t reads = 0;
    std::size_t bytesRead = 0;
  } file(font);
  const auto name = FontRegistryName(file);
  EXPECT_EQ(name, L"Large Font Regular (TrueType)");
  EXPECT_LE(file.bytesRead, 2048u);
  EXPECT_EQ(file.reads, 2u);
}

// A generated corpus: every truncation, and every byte of the header, the directory and the
// 'name' table set to values that break offsets, counts and lengths. Each result must be
// nothing or a clean name, and the sanitisers watch every read.
TEST(FontRegistryName, SurvivesEveryTruncationAndCorruption) {
  const auto good = Font({{1, 0, 0, 4, Ascii("Mac Name")},
                          {0, 3, 0, 1, Utf16Be(u"Unicode Family")},
                          {3, 1, 0x0401, 4, Utf16Be(u"\u0646\u0627\u0645")},
                          {3, 1, 0x0409, 4, {0, 'O', 0, 'd', 0, 'd', 0}},
                          {3, 10, 0x0409, 4, Utf16Be(u"Full \U0001F600 Name")}});
  std::size_t refused = 0;
  for (std::size_t length = 0; length <= good.size(); ++length) {
    const std::vector<std::uint8_t> cut(good.begin(),
                                        good.begin() + static_cast<std::ptrdiff_t>(length));
    const auto name = FontRegistryName(cut);
    EXPECT_TRUE(NothingOrACleanName(name)) << length;
    refused += name ? 0 : 1;
  }
  EXPECT_EQ(refused, good.size());  // only the whole file has its name table whole
  for (std::size_t at = 0; at < good.size(); ++at) {
    for (const std::uint8_t value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
      auto broken = good;
      broken[at] = value;
      EXPECT_TRUE(NothingOrACleanName(FontRegistryName(broken))) << at << " = " << int{value};
    }
  }
}

// Inputs that crashed a reader once (tests/fuzz/run.sh keeps them): each one read safely.
TEST(FontRegistryName, ReadsEveryKeptFuzzingInputSafely) {
  std::size_t cases = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(TIUP_UNIT_TEST_DATA "/font-name-cases")) {
    std::ifstream file(entry.path(), std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    EXPECT_TRUE(NothingOrACleanName(FontRegistryName(bytes))) << entry.path();
    ++cases;
  }
  EXPECT_GE(cases, 2u);
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
