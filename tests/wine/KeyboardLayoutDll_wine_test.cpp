// The layout DLLs as Windows sees them: this process's own variant loaded the way the system
// loads it (no start-up code run) and its tables walked from KbdLayerDescriptor; every variant's
// file read as an image, its pointers translated from the preferred base; each compared key by
// key and shift state by shift state with the layout's definition, and spot-checked against
// values stated here with the system's own constants.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "UiDriver_win.h"
#include "app/Identity.h"
#include "layout/LayoutDllReader.h"
#include "layout/LayoutIdentity.h"
#include "layout/UrduPhonetic.h"
#include "platform/Handles_win.h"

namespace {

using layout::DecodedLayout;
using layout::PeImage;
using layout::PointerLayout;

struct Variant {
  const wchar_t* folder;
  std::uint16_t machine;
  PointerLayout pointers;
};
constexpr Variant kX86{L"x86", PeImage::kMachineI386, PointerLayout::Narrow};
constexpr Variant kWow64{L"wow64", PeImage::kMachineI386, PointerLayout::WideSlots};
constexpr Variant kX64{L"x64", PeImage::kMachineAmd64, PointerLayout::Wide};

void PrintTo(const Variant& v, std::ostream* out) {
  for (const wchar_t* c = v.folder; *c; ++c) *out << static_cast<char>(*c);
}

std::wstring DllPath(const Variant& v) {
  return ui::EnvPath("TIUP_BUILD") + L"\\layout\\" + v.folder + L"\\" +
         TIUP_WIDE(TIUP_LAYOUT_FILE_NAME);
}

std::vector<std::uint8_t> FileBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

// The tables of a DLL loaded into this process; reads outside the module fail instead of
// crashing, so a wild pointer shows up as a problem.
class LoadedModule final : public layout::ImageMemory {
 public:
  explicit LoadedModule(HMODULE module) : base_(reinterpret_cast<std::uintptr_t>(module)) {
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base_ + dos->e_lfanew);
    size_ = nt->OptionalHeader.SizeOfImage;
  }
  bool Read(std::uint64_t address, void* out, std::size_t size) const override {
    if (address < base_ || address + size > base_ + size_) return false;
    std::memcpy(out, reinterpret_cast<const void*>(static_cast<std::uintptr_t>(address)), size);
    return true;
  }
  bool IsRelocated(std::uint64_t, std::size_t) const override { return true; }  // already done

 private:
  std::uintptr_t base_;
  std::size_t size_ = 0;
};

// Every key and every combination of Shift, Ctrl and Alt types what the definition says; the
// hardware tables and key names are the keyboard's; nothing else is in the tables.
void ExpectMatchesDefinition(const DecodedLayout& d) {
  for (const std::string& problem : d.problems) ADD_FAILURE() << problem;

  std::set<std::uint8_t> seen;
  for (const auto& table : d.tables) {
    for (const layout::DecodedKey& key : table) {
      EXPECT_TRUE(seen.insert(key.vk).second) << "VK " << Hex(key.vk) << " in two rows";
      const layout::KeyDefinition* defined = layout::FindKeyByVk(key.vk);
      ASSERT_NE(defined, nullptr) << "VK " << Hex(key.vk) << " is not in the definition";
      constexpr std::uint8_t kCapsLockAttribute = 0x01;  // CAPLOK
      EXPECT_EQ(key.attributes & kCapsLockAttribute,
                defined->caps == layout::CapsLock::ActsAsShift ? kCapsLockAttribute : 0);
    }
  }
  EXPECT_EQ(seen.size(), layout::kUrduPhoneticKeyCount);
  for (const layout::KeyDefinition& key : layout::kUrduPhonetic) {
    for (unsigned bits = 0; bits < 8; ++bits) {
      EXPECT_EQ(Hex(d.CharacterFor(key.vk, bits)), Hex(layout::CharacterFor(key, bits)))
          << "VK " << Hex(key.vk) << " with modifier bits " << bits;
    }
    if (key.scanCode != 0 && key.scanCode < 0x100) {
      ASSERT_LT(key.scanCode, d.scanCodeToVk.size());
      EXPECT_EQ(d.scanCodeToVk[key.scanCode] & 0xFF, key.vk) << "scan " << Hex(key.scanCode);
    }
  }
  ASSERT_FALSE(d.tables.empty());
  for (const layout::DecodedKey& key : d.tables.back()) {  // the keypad's table goes last
    EXPECT_TRUE((key.vk >= VK_NUMPAD0 && key.vk <= VK_NUMPAD9) || key.vk == VK_DECIMAL)
        << Hex(key.vk);
  }

  std::vector<std::uint16_t> scanCodes;
  std::map<std::uint16_t, std::uint16_t> prefixed;
  for (const layout::ScanCodeVk& s : layout::kPcScanCodes) {
    if (s.scanCode < 0x100) {
      scanCodes.resize(std::max<std::size_t>(scanCodes.size(), s.scanCode + 1u), 0xFF);
      scanCodes[s.scanCode] = s.vk;
    } else {
      prefixed[s.scanCode] = s.vk;
    }
  }
  EXPECT_EQ(d.scanCodeToVk, scanCodes);
  EXPECT_EQ(d.prefixedScanCodeToVk, prefixed);
  std::map<std::uint16_t, std::u16string> names;
  for (const layout::KeyName& n : layout::kPcKeyNames) names[n.scanCode] = std::u16string(n.name);
  EXPECT_EQ(d.keyNames, names);
}

// Values stated from the system's documentation and the phonetic convention, independent of
// the definition table: a definition change that loses one of these must fail here.
void ExpectSpotChecks(const DecodedLayout& d) {
  const std::vector<std::pair<std::uint8_t, std::uint8_t>> modifiers = {
      {VK_SHIFT, 1}, {VK_CONTROL, 2}, {VK_MENU, 4}};
  EXPECT_EQ(d.modifierBits, modifiers);
  EXPECT_EQ(d.modifierColumns, (std::vector<std::uint8_t>{0, 1, 2, 0x0F, 0x0F, 0x0F, 3, 4}));
  EXPECT_EQ(d.localeFlags, 0x00010001u);  // KLLF_ALTGR, version 1
  EXPECT_EQ(d.keyboardType, 4u);          // generic 101/102-key keyboard
  EXPECT_EQ(d.deadKeyCount, 0u);
  EXPECT_FALSE(d.hasDeadKeyNames);
  EXPECT_FALSE(d.hasLigatures);

  EXPECT_EQ(d.CharacterFor('K', 0), 0x06A9);       // ک keheh
  EXPECT_EQ(d.CharacterFor('I', 0), 0x06CC);       // ی Farsi yeh
  EXPECT_EQ(d.CharacterFor('O', 0), 0x06C1);       // ہ heh goal
  EXPECT_EQ(d.CharacterFor('T', 1), 0x0679);       // ٹ on Shift+T
  EXPECT_EQ(d.CharacterFor('N', 1), 0x06BA);       // ں on Shift+N
  EXPECT_EQ(d.CharacterFor('Y', 1), 0x064E);       // zabar on Shift+Y
  EXPECT_EQ(d.CharacterFor('1', 0), 0x06F1);       // ۱
  EXPECT_EQ(d.CharacterFor('1', 6), u'1');         // AltGr+1
  EXPECT_EQ(d.CharacterFor(VK_SPACE, 1), 0x200C);  // ZWNJ
  EXPECT_EQ(d.CharacterFor(VK_OEM_PERIOD, 0), 0x06D4);
  EXPECT_EQ(d.CharacterFor(VK_OEM_2, 1), 0x061F);
  EXPECT_EQ(d.CharacterFor('S', 7), 0xFDFA);
  EXPECT_EQ(d.CharacterFor('A', 4), 0xF000);  // Alt alone types nothing
  EXPECT_EQ(d.CharacterFor(VK_OEM_4, 2), 0x001B);
  EXPECT_EQ(d.CharacterFor(VK_NUMPAD7, 0), u'7');

  ASSERT_GT(d.scanCodeToVk.size(), 0x56u);
  EXPECT_EQ(d.scanCodeToVk[0x10], 'Q');
  EXPECT_EQ(d.scanCodeToVk[0x2A], VK_LSHIFT);
  EXPECT_EQ(d.scanCodeToVk[0x36], VK_RSHIFT | 0x100);
  EXPECT_EQ(d.scanCodeToVk[0x56], VK_OEM_102);
  EXPECT_EQ(d.scanCodeToVk[0x47], VK_HOME | 0x0C00);  // a keypad key Num Lock turns into 7
  EXPECT_EQ(d.prefixedScanCodeToVk.at(0xE038), VK_RMENU | 0x100);
  EXPECT_EQ(d.prefixedScanCodeToVk.at(0xE11D), VK_PAUSE);
  EXPECT_EQ(d.keyNames.at(0x39), u"Space");
  EXPECT_EQ(d.keyNames.at(0xE053), u"Delete");
}

#ifdef _WIN64
constexpr Variant kLoadable = kX64;
#else
constexpr Variant kLoadable = kX86;
#endif

TEST(KeyboardLayoutDll, LoadedWithoutStartUpCodeItsDescriptorGivesTheDefinedLayout) {
  // DONT_RESOLVE_DLL_REFERENCES maps the DLL without calling any entry point: what Windows
  // does with a layout DLL, so constructor-initialised tables would read as nulls here.
  UniqueModule dll(
      LoadLibraryExW(DllPath(kLoadable).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
  ASSERT_TRUE(dll) << "LoadLibraryExW failed: " << GetLastError();
  const FARPROC byName = GetProcAddress(dll.Get(), "KbdLayerDescriptor");
  ASSERT_NE(byName, nullptr);
  EXPECT_EQ(GetProcAddress(dll.Get(), MAKEINTRESOURCEA(1)), byName);  // ordinal 1

  using Descriptor = const void* (*)();
  const void* tables = reinterpret_cast<Descriptor>(reinterpret_cast<void*>(byName))();
  ASSERT_NE(tables, nullptr);
  const LoadedModule memory(dll.Get());
  const DecodedLayout d =
      layout::ReadKbdTables(memory, reinterpret_cast<std::uintptr_t>(tables), kLoadable.pointers);
  ExpectMatchesDefinition(d);
  ExpectSpotChecks(d);
}

#ifndef _WIN64
TEST(KeyboardLayoutDll, Wow64VariantReturnsA64BitAddressOfTablesWithWideSlots) {
  UniqueModule dll(LoadLibraryExW(DllPath(kWow64).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
  ASSERT_TRUE(dll) << "LoadLibraryExW failed: " << GetLastError();
  using Descriptor = std::uint64_t (*)();
  const FARPROC proc = GetProcAddress(dll.Get(), "KbdLayerDescriptor");
  ASSERT_NE(proc, nullptr);
  const std::uint64_t tables = reinterpret_cast<Descriptor>(reinterpret_cast<void*>(proc))();
  EXPECT_EQ(tables >> 32, 0u);
  const LoadedModule memory(dll.Get());
  const DecodedLayout d = layout::ReadKbdTables(memory, tables, PointerLayout::WideSlots);
  ExpectMatchesDefinition(d);
  ExpectSpotChecks(d);
}
#endif

class KeyboardLayoutDllFile : public ::testing::TestWithParam<Variant> {};

// Every variant, whatever this process's architecture: the file read as an image at its
// preferred base, its tables reached through the address KbdLayerDescriptor returns.
TEST_P(KeyboardLayoutDllFile, ImportsNothingRunsNothingAndHoldsTheDefinedLayout) {
  const Variant v = GetParam();
  const std::vector<std::uint8_t> bytes = FileBytes(DllPath(v));
  ASSERT_FALSE(bytes.empty()) << "missing " << DllPath(v);
  EXPECT_LT(bytes.size(), 16u * 1024u) << "a layout DLL should stay small";
  std::string error;
  const std::optional<PeImage> image = PeImage::Parse(bytes, error);
  ASSERT_TRUE(image) << error;
  EXPECT_EQ(image->Machine(), v.machine);
  EXPECT_EQ(image->EntryPoint(), 0u);
  EXPECT_TRUE(image->ImportedDlls().empty()) << image->ImportedDlls().front();

  const auto descriptor = image->FindExport("KbdLayerDescriptor");
  ASSERT_TRUE(descriptor);
  EXPECT_EQ(descriptor->ordinal, 1u);
  const auto tables = image->ConstantReturnedBy(descriptor->rva);
  ASSERT_TRUE(tables) << "KbdLayerDescriptor is not a plain return of the tables' address";
  if (v.pointers == PointerLayout::WideSlots) {
    EXPECT_TRUE(tables->upperHalfZero) << "EDX, the upper half of the result, is not cleared";
  }
  // Every pointer in the tables must carry a relocation of the right width, or the tables
  // break when Windows maps the DLL elsewhere; ReadKbdTables reports any that lacks one.
  const DecodedLayout d = layout::ReadKbdTables(*image, tables->value, v.pointers);
  ExpectMatchesDefinition(d);
  ExpectSpotChecks(d);
}

TEST_P(KeyboardLayoutDllFile, CarriesItsDisplayNameAndAKeyboardDriverVersion) {
  const std::wstring path = DllPath(GetParam());
  {
    UniqueModule resources(LoadLibraryExW(
        path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(resources) << "LoadLibraryExW failed: " << GetLastError();
    wchar_t name[64] = {};
    ASSERT_GT(LoadStringW(resources.Get(), TIUP_LAYOUT_DISPLAY_NAME_ID, name, 64), 0);
    EXPECT_STREQ(name, L"Urdu Phonetic");
  }
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<std::uint8_t> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
  EXPECT_EQ(fixed->dwFileSubtype, static_cast<DWORD>(VFT2_DRV_KEYBOARD));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  wchar_t* company = nullptr;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\CompanyName",
                             reinterpret_cast<void**>(&company), &length));
  EXPECT_STREQ(company, L"Tamlorix Corporation");
}

INSTANTIATE_TEST_SUITE_P(AllArchitectures, KeyboardLayoutDllFile,
                         ::testing::Values(kX86, kWow64, kX64),
                         [](const ::testing::TestParamInfo<Variant>& info) {
                           std::string name;
                           for (const wchar_t* c = info.param.folder; *c; ++c) {
                             name.push_back(static_cast<char>(*c));
                           }
                           return name;
                         });

}  // namespace
