#include "tests/layout/LayoutDllReader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

using layout::DecodedLayout;
using layout::PointerLayout;

constexpr std::uint64_t kBase = 0x10000000;

// A made-up image holding a tiny layout, written field by field at the offsets Windows uses.
class FakeImage final : public layout::ImageMemory {
 public:
  explicit FakeImage(PointerLayout pointers)
      : pointers_(pointers),
        bytes_(0x1000, 0),
        pointerSize_(pointers == PointerLayout::Narrow ? 4 : 8) {}

  bool Read(std::uint64_t address, void* out, std::size_t size) const override {
    if (address < kBase || address + size > kBase + bytes_.size()) return false;
    std::memcpy(out, bytes_.data() + (address - kBase), size);
    return true;
  }
  bool IsRelocated(std::uint64_t address, std::size_t width) const override {
    return relocated_.count(address) && width == (pointers_ == PointerLayout::Wide ? 8u : 4u);
  }

  void Put(std::uint64_t offset, std::uint64_t value, std::size_t width) {
    std::memcpy(bytes_.data() + offset, &value, width);
  }
  void Pointer(std::uint64_t offset, std::uint64_t targetOffset) {
    Put(offset, kBase + targetOffset, pointerSize_);
    relocated_.insert(kBase + offset);
  }
  void Text(std::uint64_t offset, std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) Put(offset + 2 * i, text[i], 2);
  }
  void Unrelocate(std::uint64_t offset) { relocated_.erase(kBase + offset); }
  std::size_t P() const { return pointerSize_; }

  // KBDTABLES at 0 with modifiers, one two-column table holding K, a key name, a short
  // scan-code table and one E0 entry.
  void WriteLayout() {
    const std::size_t p = pointerSize_;
    Pointer(0 * p, 0x100);  // pCharModifiers
    Pointer(1 * p, 0x200);  // pVkToWcharTable
    Pointer(2 * p, 0x400);  // pDeadKey: empty
    Pointer(3 * p, 0x480);  // pKeyNames
    Pointer(6 * p, 0x600);  // pusVSCtoVK
    Put(7 * p, 0x30, 1);    // bMaxVSCtoVK
    Pointer(8 * p, 0x700);  // pVSCtoVK_E0
    Put(10 * p, 0x00010001, 4);
    Put((10 * p + 6 + p - 1) / p * p + p, 4, 4);  // dwType, after pLigature

    Pointer(0x100, 0x180);
    Put(0x100 + p, 7, 2);
    const std::uint8_t columns[] = {0, 1, 2, 0x0F, 0x0F, 0x0F, 3, 4};
    for (std::size_t i = 0; i < 8; ++i) Put(0x100 + p + 2 + i, columns[i], 1);
    const std::uint8_t bits[] = {0x10, 1, 0x11, 2, 0x12, 4};
    for (std::size_t i = 0; i < sizeof bits; ++i) Put(0x180 + i, bits[i], 1);

    Pointer(0x200, 0x300);
    Put(0x200 + p, 2, 1);      // columns
    Put(0x200 + p + 1, 6, 1);  // row size
    Put(0x300, 'K', 1);
    Put(0x302, 0x06A9, 2);
    Put(0x304, 0x062E, 2);

    Put(0x480, 0x39, 1);
    Pointer(0x480 + p, 0x500);
    Text(0x500, u"Space");

    Put(0x600 + 2 * 0x25, 'K', 2);
    Put(0x700, 0x38, 1);
    Put(0x702, 0x1A5, 2);
  }

 private:
  PointerLayout pointers_;
  std::vector<std::uint8_t> bytes_;
  std::size_t pointerSize_;
  std::set<std::uint64_t> relocated_;
};

class LayoutDllReader : public ::testing::TestWithParam<PointerLayout> {};

TEST_P(LayoutDllReader, ReadsEveryTableAtTheOffsetsOfItsPointerWidth) {
  FakeImage image(GetParam());
  image.WriteLayout();
  const DecodedLayout d = layout::ReadKbdTables(image, kBase, GetParam());
  for (const std::string& problem : d.problems) ADD_FAILURE() << problem;
  EXPECT_EQ(d.modifierBits.size(), 3u);
  EXPECT_EQ(d.modifierColumns.size(), 8u);
  ASSERT_EQ(d.tables.size(), 1u);
  EXPECT_EQ(d.CharacterFor('K', 0), 0x06A9);
  EXPECT_EQ(d.CharacterFor('K', 1), 0x062E);
  EXPECT_EQ(d.CharacterFor('K', 6), 0xF000);  // AltGr column beyond this table's two
  EXPECT_EQ(d.CharacterFor('K', 4), 0xF000);  // Alt alone has no column
  EXPECT_EQ(d.CharacterFor('K', 9), 0xF000);  // beyond the highest modifier combination
  EXPECT_EQ(d.CharacterFor('Q', 0), 0xF000);  // not in any table
  EXPECT_EQ(d.KeystrokeFor(0x062E), (DecodedLayout::Keystroke{'K', 1}));
  EXPECT_EQ(d.KeystrokeFor(u'q'), std::nullopt);
  EXPECT_EQ(d.keyNames.at(0x39), u"Space");
  ASSERT_EQ(d.scanCodeToVk.size(), 0x30u);
  EXPECT_EQ(d.scanCodeToVk[0x25], 'K');
  EXPECT_EQ(d.prefixedScanCodeToVk.at(0xE038), 0x1A5);
  EXPECT_EQ(d.localeFlags, 0x00010001u);
  EXPECT_EQ(d.keyboardType, 4u);
  EXPECT_EQ(d.deadKeyCount, 0u);
}

TEST_P(LayoutDllReader, APointerWithoutARelocationIsReported) {
  FakeImage image(GetParam());
  image.WriteLayout();
  image.Unrelocate(0x480 + image.P());  // the key name's text pointer
  const DecodedLayout d = layout::ReadKbdTables(image, kBase, GetParam());
  ASSERT_EQ(d.problems.size(), 1u);
  EXPECT_NE(d.problems[0].find("has no relocation"), std::string::npos) << d.problems[0];
}

TEST_P(LayoutDllReader, RowSizeThatDisagreesWithColumnsIsReported) {
  FakeImage image(GetParam());
  image.WriteLayout();
  image.Put(0x200 + image.P() + 1, 8, 1);
  const DecodedLayout d = layout::ReadKbdTables(image, kBase, GetParam());
  ASSERT_FALSE(d.problems.empty());
  EXPECT_NE(d.problems[0].find("rows of 8 bytes for 2 columns"), std::string::npos);
}

TEST_P(LayoutDllReader, PointersOutsideTheImageAreReportedNotFollowed) {
  FakeImage image(GetParam());
  image.WriteLayout();
  image.Pointer(3 * image.P(), 0x5000);  // key names past the image's end
  const DecodedLayout d = layout::ReadKbdTables(image, kBase, GetParam());
  ASSERT_EQ(d.problems.size(), 1u);
  EXPECT_EQ(d.problems[0], "pKeyNames at " + layout::Hex(kBase + 3 * image.P()) +
                               " points to 0x10005000, outside the image");
  EXPECT_TRUE(d.keyNames.empty());
}

INSTANTIATE_TEST_SUITE_P(PointerLayouts, LayoutDllReader,
                         ::testing::Values(PointerLayout::Narrow, PointerLayout::Wide,
                                           PointerLayout::WideSlots));

TEST(LayoutDllReaderSlots, AWow64SlotWhoseUpperHalfIsSetIsReported) {
  FakeImage image(PointerLayout::WideSlots);
  image.WriteLayout();
  image.Put(1 * 8 + 4, 1, 4);  // upper half of pVkToWcharTable
  const DecodedLayout d = layout::ReadKbdTables(image, kBase, PointerLayout::WideSlots);
  ASSERT_FALSE(d.problems.empty());
  EXPECT_EQ(d.problems[0], "pVkToWcharTable: upper half of the slot is not zero");
  EXPECT_EQ(d.CharacterFor('K', 0), 0x06A9);  // the low half still leads to the table
}

TEST(LayoutDllReaderSlots, ReadAsNarrowPointersAWideLayoutDoesNotMatch) {
  // The 32-bit reading of 64-bit tables finds the upper halves where it expects the next
  // pointer: the mistake a WOW64 DLL built with 4-byte pointers would cause.
  FakeImage image(PointerLayout::Wide);
  image.WriteLayout();
  const DecodedLayout d = layout::ReadKbdTables(image, kBase, PointerLayout::Narrow);
  EXPECT_NE(d.CharacterFor('K', 0), 0x06A9);
  EXPECT_FALSE(d.problems.empty());
}

}  // namespace
