// The layout DLLs as a program that loads them sees them: this process's own variant loaded
// without running any of its code but KbdLayerDescriptor, its tables walked from the address
// that function returns and compared key by key and shift state by shift state with the
// layout's definition; and every variant's resources. Windows' kernel does not load a layout
// DLL this way (it reads the file and copies its .data section), and Wine never reads it as the
// kernel does: that reading is the native test tests/unit/LayoutDllFile_test.cpp.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "UiDriver_win.h"
#include "core/Identity.h"
#include "platform/Handles_win.h"
#include "platform/PeFile.h"
#include "tests/layout/DefinitionCheck.h"
#include "tests/layout/LayoutDllReader.h"

namespace {

using layout::DecodedLayout;
using layout::PointerLayout;

struct Variant {
  const wchar_t* folder;
  PointerLayout pointers;
};
constexpr Variant kX86{L"x86", PointerLayout::Narrow};
constexpr Variant kWow64{L"wow64", PointerLayout::WideSlots};
constexpr Variant kX64{L"x64", PointerLayout::Wide};
constexpr Variant kArm64{L"arm64", PointerLayout::Wide};  // its resources only: Wine runs no ARM64

void PrintTo(const Variant& v, std::ostream* out) {
  for (const wchar_t* c = v.folder; *c; ++c) *out << static_cast<char>(*c);
}

std::wstring DllPath(const Variant& v) {
  return ui::EnvPath("TIUP_BUILD") + L"\\layout\\" + v.folder + L"\\" +
         TIUP_WIDE(TIUP_LAYOUT_FILE_NAME);
}

// The tables of a DLL loaded into this process; reads outside the module fail instead of
// crashing, so a wild pointer shows up as a problem.
class LoadedModule final : public layout::ImageMemory {
 public:
  explicit LoadedModule(HMODULE module) : base_(reinterpret_cast<std::uintptr_t>(module)) {
    // A mapped image's headers fill at least its first page.
    const auto headers = PeFile::Parse({reinterpret_cast<const std::uint8_t*>(module), 4096});
    size_ = headers ? headers->ImageSize() : 0;
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

void ExpectMatchesDefinition(const DecodedLayout& d) {
  EXPECT_EQ(d.problems, std::vector<std::string>{});
  EXPECT_EQ(layout::DifferencesFromDefinition(d), std::vector<std::string>{});
  EXPECT_EQ(d.CharacterFor('K', 0), 0x06A9);       // ک keheh
  EXPECT_EQ(d.CharacterFor(VK_SPACE, 6), 0x200C);  // AltGr+Space: ZWNJ
  EXPECT_EQ(d.CharacterFor(VK_NUMPAD7, 0), u'7');
}

#ifdef _WIN64
constexpr Variant kLoadable = kX64;
#else
constexpr Variant kLoadable = kX86;
#endif

TEST(KeyboardLayoutDll, LoadedWithoutStartUpCodeItsDescriptorGivesTheDefinedLayout) {
  // DONT_RESOLVE_DLL_REFERENCES maps the DLL without calling any entry point, so tables that
  // needed start-up code would read as nulls here.
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
}
#endif

class KeyboardLayoutDllFile : public ::testing::TestWithParam<Variant> {};

TEST_P(KeyboardLayoutDllFile, CarriesItsDisplayNameAndAKeyboardDriverVersion) {
  const std::wstring path = DllPath(GetParam());
  {
    // As a plain data file: Wine refuses to map a DLL for another processor (ARM64) as an image.
    UniqueModule resources(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
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
                         ::testing::Values(kX86, kWow64, kX64, kArm64),
                         [](const ::testing::TestParamInfo<Variant>& info) {
                           std::string name;
                           for (const wchar_t* c = info.param.folder; *c; ++c) {
                             name.push_back(static_cast<char>(*c));
                           }
                           return name;
                         });

}  // namespace
