// The four layout DLLs this tree builds, read from their files the way Windows takes a keyboard
// layout (tests/layout/KernelLayoutReader.h): no loader, no Wine, and so the ARM64 one too. Windows
// must take each one and find exactly the layout's definition in it; and it must refuse the faulty
// forms a build can produce, which a program loading the DLL (and so every Wine test) takes
// without a murmur.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/layout/DefinitionCheck.h"
#include "tests/layout/KernelLayoutReader.h"
#include "tests/layout/LayoutDllReader.h"

namespace {

using layout::DecodedLayout;
using layout::KernelReading;
using layout::PeImage;
using layout::PointerLayout;
using Keystroke = DecodedLayout::Keystroke;

struct Variant {
  const char* folder;
  std::uint16_t machine;
  PointerLayout pointers;
};
constexpr Variant kX86{"x86", PeFile::kMachineI386, PointerLayout::Narrow};
constexpr Variant kWow64{"wow64", PeFile::kMachineI386, PointerLayout::WideSlots};
constexpr Variant kX64{"x64", PeFile::kMachineAmd64, PointerLayout::Wide};
constexpr Variant kArm64{"arm64", PeFile::kMachineArm64, PointerLayout::Wide};

layout::KernelReading ReadAsWindows(const PeImage& image, const Variant& v) {
  return layout::ReadLayoutAsKernel(image, v.machine, v.pointers);
}

void PrintTo(const Variant& v, std::ostream* out) { *out << v.folder; }

// The DLL as shipped, or the same object linked in a faulty form: "-rdata" with its tables left in
// .rdata, "-export2" with a second export.
std::vector<std::uint8_t> DllBytes(const Variant& v, const char* suffix = "") {
  const std::string path =
      std::string(TIUP_LAYOUT_DLL_DIR) + "/" + v.folder + suffix + "/kbdurph.dll";
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
  EXPECT_FALSE(bytes.empty()) << "missing " << path;
  return bytes;
}

std::optional<PeImage> Parse(std::vector<std::uint8_t> bytes) {
  std::string error;
  auto image = PeImage::Parse(std::move(bytes), error);
  EXPECT_TRUE(image) << error;
  return image;
}

std::size_t PointerWidth(PointerLayout pointers) {
  return pointers == PointerLayout::Narrow ? 4 : 8;
}

// Where the DLL file keeps one key name and the table slot that points to it.
struct KeyNameInFile {
  std::size_t textAt;  // file offsets
  std::size_t slotAt;
  std::size_t textSize;  // bytes, with the terminating NUL
};

std::optional<KeyNameInFile> FindKeyName(const PeImage& image, std::u16string_view name,
                                         PointerLayout pointers) {
  const PeImage::Section* data = image.FindSection(".data");
  if (data == nullptr) return std::nullopt;
  const std::vector<std::uint8_t>& bytes = image.FileBytes();
  std::vector<std::uint8_t> text(2 * (name.size() + 1), 0);
  std::memcpy(text.data(), name.data(), 2 * name.size());
  const auto begin = bytes.begin() + data->rawOffset;
  const auto end = begin + data->rawSize;
  const auto found = std::search(begin, end, text.begin(), text.end());
  if (found == end) return std::nullopt;
  const std::size_t textAt = static_cast<std::size_t>(found - bytes.begin());
  const std::uint64_t address =
      image.ImageBase() + data->virtualAddress + (textAt - data->rawOffset);
  std::vector<std::uint8_t> slot(PointerWidth(pointers), 0);
  std::memcpy(slot.data(), &address, slot.size());  // little-endian, as the file stores it
  for (auto at = begin; (at = std::search(at, end, slot.begin(), slot.end())) != end; ++at) {
    if ((at - begin) % 4 == 0) {
      return KeyNameInFile{textAt, static_cast<std::size_t>(at - bytes.begin()), text.size()};
    }
  }
  return std::nullopt;
}

// What a typist and the programs that look keys up meet, stated with literals from the system's
// documentation and the layout's chart, independent of the definition table.
void ExpectWhatATypistMeets(const DecodedLayout& d) {
  const std::vector<std::pair<std::uint8_t, std::uint8_t>> modifiers = {
      {0x10, 1}, {0x11, 2}, {0x12, 4}};  // VK_SHIFT, VK_CONTROL, VK_MENU
  EXPECT_EQ(d.modifierBits, modifiers);
  // Base, Shift, Ctrl, Shift+Ctrl, nothing with Alt or Shift+Alt, AltGr, Shift+AltGr.
  EXPECT_EQ(d.modifierColumns, (std::vector<std::uint8_t>{0, 1, 2, 3, 0x0F, 0x0F, 4, 5}));
  EXPECT_EQ(d.localeFlags, 0x00010001u);  // KLLF_ALTGR, version 1
  EXPECT_EQ(d.keyboardType, 4u);          // generic 101/102-key keyboard
  EXPECT_EQ(d.deadKeyCount, 0u);
  EXPECT_FALSE(d.hasDeadKeyNames);
  EXPECT_FALSE(d.hasLigatures);

  EXPECT_EQ(d.CharacterFor('K', 0), 0x06A9);   // ک keheh
  EXPECT_EQ(d.CharacterFor('T', 1), 0x0679);   // ٹ on Shift+T
  EXPECT_EQ(d.CharacterFor('N', 1), 0x06BA);   // ں on Shift+N
  EXPECT_EQ(d.CharacterFor('1', 0), 0x06F1);   // ۱
  EXPECT_EQ(d.CharacterFor('1', 6), u'1');     // AltGr+1
  EXPECT_EQ(d.CharacterFor('A', 4), 0xF000);   // Alt alone types nothing
  EXPECT_EQ(d.CharacterFor(0x20, 1), u' ');    // Shift+Space: a space
  EXPECT_EQ(d.CharacterFor(0x20, 6), 0x200C);  // AltGr+Space: ZWNJ
  EXPECT_EQ(d.CharacterFor(0x20, 7), 0x200D);  // Shift+AltGr+Space: ZWJ
  EXPECT_EQ(d.CharacterFor('5', 1), u'%');
  EXPECT_EQ(d.CharacterFor('5', 7), 0x066A);  // ٪
  EXPECT_EQ(d.CharacterFor('6', 7), 0x2030);  // ‰
  EXPECT_EQ(d.CharacterFor('2', 3), 0x0000);  // Ctrl+Shift+2, 6 and - as on the US layout
  EXPECT_EQ(d.CharacterFor('6', 3), 0x001E);
  EXPECT_EQ(d.CharacterFor(0xBD, 3), 0x001F);
  EXPECT_EQ(d.CharacterFor(0xDB, 2), 0x001B);  // Ctrl+[
  EXPECT_EQ(d.CharacterFor(0xC1, 1), 0x061F);  // ABNT key beside right Shift, like / ؟
  EXPECT_EQ(d.CharacterFor(0xC2, 0), u'.');    // ABNT keypad .

  // VkKeyScanEx: the main keyboard before the keypad, Esc before Ctrl+[.
  EXPECT_EQ(d.KeystrokeFor(u'*'), (Keystroke{'8', 1}));
  EXPECT_EQ(d.KeystrokeFor(u'+'), (Keystroke{0xBB, 1}));
  EXPECT_EQ(d.KeystrokeFor(u'-'), (Keystroke{0xBD, 0}));
  EXPECT_EQ(d.KeystrokeFor(u'/'), (Keystroke{0xBF, 0}));
  EXPECT_EQ(d.KeystrokeFor(u'7'), (Keystroke{'7', 6}));
  EXPECT_EQ(d.KeystrokeFor(0x001B), (Keystroke{0x1B, 0}));
  EXPECT_EQ(d.KeystrokeFor(0x200C), (Keystroke{0x20, 6}));

  ASSERT_EQ(d.scanCodeToVk.size(), 0x80u);
  EXPECT_EQ(d.scanCodeToVk[0x10], 'Q');
  EXPECT_EQ(d.scanCodeToVk[0x36], 0xA1 | 0x100);  // right Shift, extended
  EXPECT_EQ(d.scanCodeToVk[0x47], 0x24 | 0xC00);  // Home, a keypad key Num Lock turns into 7
  EXPECT_EQ(d.scanCodeToVk[0x56], 0xE2);
  EXPECT_EQ(d.scanCodeToVk[0x73], 0xC1);
  EXPECT_EQ(d.scanCodeToVk[0x7C], 0x09);
  EXPECT_EQ(d.scanCodeToVk[0x7E], 0xC2);
  EXPECT_EQ(d.prefixedScanCodeToVk.at(0xE038), 0xA5 | 0x100);  // right Alt
  EXPECT_EQ(d.prefixedScanCodeToVk.at(0xE11D), 0x13);          // Pause
  EXPECT_EQ(d.keyNames.at(0x3A), u"Caps Lock");
  EXPECT_EQ(d.keyNames.at(0xE053), u"Delete");
}

// What ToUnicode types for a key with Caps Lock on, from the row's attributes as Windows reads
// them: CAPLOK (0x01) makes Caps Lock act as Shift, CAPLOKALTGR (0x04) does so with AltGr (Ctrl
// and Alt bits) held, and SGCAPS (0x02) takes the characters from the next row.
char16_t TypedWithCapsLock(const std::vector<layout::DecodedKey>& table, std::size_t row,
                           const DecodedLayout& d, unsigned bits) {
  const std::uint8_t attributes = table[row].attributes;
  const bool altGr = (bits & 6u) == 6u;
  if ((attributes & (altGr ? 0x04 : 0x01)) != 0) {
    bits ^= 1u;
  }
  const layout::DecodedKey& key =
      (attributes & 0x02) != 0 && row + 1 < table.size() ? table[row + 1] : table[row];
  const std::uint8_t column = d.modifierColumns.at(bits);
  return column < key.chars.size() ? key.chars[column] : char16_t{0xF000};
}

class LayoutDllFile : public ::testing::TestWithParam<Variant> {};

TEST_P(LayoutDllFile, WindowsTakesItAndEveryKeyTypesWhatTheDefinitionSays) {
  const Variant v = GetParam();
  const std::vector<std::uint8_t> bytes = DllBytes(v);
  EXPECT_LT(bytes.size(), 16u * 1024u) << "a layout DLL should stay small";
  const auto image = Parse(bytes);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->EntryPoint(), 0u);
  EXPECT_EQ(image->ImportedDlls(), std::vector<std::string>{});
  const auto exports = image->Exports();
  ASSERT_EQ(exports.size(), 1u);
  EXPECT_EQ(exports[0].name, "KbdLayerDescriptor");
  EXPECT_EQ(exports[0].ordinal, 1u);

  const KernelReading kernel = ReadAsWindows(*image, v);
  ASSERT_EQ(kernel.refusal, "");
  for (const std::string& difference : layout::DifferencesFromDefinition(kernel.layout)) {
    ADD_FAILURE() << difference;
  }
  ExpectWhatATypistMeets(kernel.layout);

  // A program that loads the DLL elsewhere than its preferred base: every pointer is relocated.
  const DecodedLayout loaded = layout::ReadKbdTables(*image, kernel.tablesAddress, v.pointers);
  EXPECT_EQ(loaded.problems, std::vector<std::string>{});
  EXPECT_EQ(layout::DifferencesFromDefinition(loaded), std::vector<std::string>{});
}

// Urdu has no letter case: with Caps Lock left on, every key types what it types without it
// (were it to act as Shift, a typist would get ٹ for ت).
TEST_P(LayoutDllFile, CapsLockChangesNothingOnAnyKey) {
  const Variant v = GetParam();
  const auto image = Parse(DllBytes(v));
  ASSERT_TRUE(image);
  const DecodedLayout d = ReadAsWindows(*image, v).layout;
  std::size_t keys = 0;
  for (const auto& table : d.tables) {
    for (std::size_t row = 0; row < table.size(); ++row, ++keys) {
      EXPECT_EQ(table[row].attributes, 0) << "VK " << layout::Hex(table[row].vk);
      for (unsigned bits = 0; bits < d.modifierColumns.size(); ++bits) {
        EXPECT_EQ(TypedWithCapsLock(table, row, d, bits), d.CharacterFor(table[row].vk, bits))
            << "VK " << layout::Hex(table[row].vk) << " with modifier bits " << bits;
      }
    }
  }
  EXPECT_GT(keys, 50u);
}

TEST_P(LayoutDllFile, WithItsTablesInRdataWindowsRefusesItThoughAProgramCanLoadIt) {
  const Variant v = GetParam();
  const auto image = Parse(DllBytes(v, "-rdata"));
  ASSERT_TRUE(image);
  const KernelReading kernel = ReadAsWindows(*image, v);
  EXPECT_EQ(kernel.refusal, "no section named .data");
  const DecodedLayout loaded = layout::ReadKbdTables(*image, kernel.tablesAddress, v.pointers);
  EXPECT_EQ(loaded.problems, std::vector<std::string>{});
  EXPECT_EQ(layout::DifferencesFromDefinition(loaded), std::vector<std::string>{});
}

TEST_P(LayoutDllFile, WithOneKeyNameMovedOutOfDataWindowsRefusesIt) {
  const Variant v = GetParam();
  std::vector<std::uint8_t> bytes = DllBytes(v);
  const auto good = Parse(bytes);
  ASSERT_TRUE(good);
  const auto name = FindKeyName(*good, u"Caps Lock", v.pointers);
  ASSERT_TRUE(name);
  // The string moves into the padding after the code, still inside the image.
  const PeImage::Section* text = good->FindSection(".text");
  ASSERT_NE(text, nullptr);
  const std::uint32_t within = (text->virtualSize + 7) / 8 * 8;
  ASSERT_LE(within + name->textSize, text->rawSize);
  std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(name->textAt), name->textSize,
              bytes.begin() + text->rawOffset + within);
  std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(name->textAt), name->textSize, 0);
  const std::uint64_t moved = good->ImageBase() + text->virtualAddress + within;
  std::memcpy(bytes.data() + name->slotAt, &moved, PointerWidth(v.pointers));

  const auto image = Parse(bytes);
  ASSERT_TRUE(image);
  const KernelReading kernel = ReadAsWindows(*image, v);
  EXPECT_NE(kernel.refusal.find("key name at "), std::string::npos) << kernel.refusal;
  EXPECT_NE(kernel.refusal.find(" points to " + layout::Hex(moved) + ", outside the .data section"),
            std::string::npos)
      << kernel.refusal;
  const DecodedLayout loaded = layout::ReadKbdTables(*image, kernel.tablesAddress, v.pointers);
  EXPECT_EQ(loaded.keyNames.at(0x3A), u"Caps Lock");  // a loaded DLL still names the key
}

// user32 calls ordinal 2 as a second descriptor: a DLL that exports anything there is refused.
TEST_P(LayoutDllFile, WithASecondExportWindowsRefusesIt) {
  const Variant v = GetParam();
  const auto image = Parse(DllBytes(v, "-export2"));
  ASSERT_TRUE(image);
  EXPECT_EQ(ReadAsWindows(*image, v).refusal,
            "ordinal 2 (KbdNlsLayerDescriptor) is exported: user32 calls it");
}

INSTANTIATE_TEST_SUITE_P(AllArchitectures, LayoutDllFile,
                         ::testing::Values(kX86, kWow64, kX64, kArm64),
                         [](const ::testing::TestParamInfo<Variant>& info) {
                           return std::string(info.param.folder);
                         });

TEST(LayoutDllFileWow64, ASlotWithANonZeroUpperHalfIsRefused) {
  std::vector<std::uint8_t> bytes = DllBytes(kWow64);
  const auto good = Parse(bytes);
  ASSERT_TRUE(good);
  const auto name = FindKeyName(*good, u"Caps Lock", kWow64.pointers);
  ASSERT_TRUE(name);
  bytes[name->slotAt + 4] = 1;  // the 64-bit reader sees 0x1xxxxxxxx
  const auto image = Parse(bytes);
  ASSERT_TRUE(image);
  const KernelReading kernel = ReadAsWindows(*image, kWow64);
  EXPECT_EQ(kernel.refusal, "key name: upper half of the slot is not zero");
}

// A file for another processor is refused; code the reader cannot follow is reported as that,
// not taken.
TEST(LayoutDllFileX86, AFileOfAnotherMachineOrADescriptorTheReaderCannotFollow) {
  std::vector<std::uint8_t> bytes = DllBytes(kX86);
  const auto good = Parse(bytes);
  ASSERT_TRUE(good);
  EXPECT_EQ(ReadAsWindows(*good, kArm64).refusal, "the file is for machine 0x14c, not 0xaa64");
  const auto descriptor = good->FindExport("KbdLayerDescriptor");
  ASSERT_TRUE(descriptor);
  const PeImage::Section* text = good->FindSection(".text");
  ASSERT_NE(text, nullptr);
  const std::size_t ret = text->rawOffset + (descriptor->rva - text->virtualAddress) + 5;
  ASSERT_EQ(bytes[ret], 0xC3);
  bytes[ret] = 0x90;  // mov eax, imm32 followed by anything but ret
  const auto image = Parse(bytes);
  ASSERT_TRUE(image);
  EXPECT_EQ(ReadAsWindows(*image, kX86).refusal,
            "this reader cannot follow KbdLayerDescriptor's code to what it returns");
}

}  // namespace
