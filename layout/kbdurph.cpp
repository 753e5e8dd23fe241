// The Urdu Phonetic layout DLL (kbdurph.dll): the tables Windows reads, made at compile time
// from the layout's definition. Windows maps the DLL and calls KbdLayerDescriptor without
// running any start-up code, so everything below is constant-initialised data; the DLL is
// linked without the C runtime and imports nothing.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "layout/KbdTables.h"
#include "layout/PcKeyboard.h"
#include "layout/UrduPhonetic.h"

namespace {

using layout::kUrduPhonetic;

// ---- Modifiers -----------------------------------------------------------------------------

constexpr kbd::VkToBit kVkToBits[] = {
    {layout::kVkShift, layout::kShiftBit},
    {layout::kVkControl, layout::kCtrlBit},
    {layout::kVkMenu, layout::kAltBit},
    {0, 0},
};

constexpr auto MakeModifiers() {
  kbd::Modifiers<layout::kModifierColumns.size()> m{
      kVkToBits, layout::kModifierColumns.size() - 1, {}};
  std::copy(layout::kModifierColumns.begin(), layout::kModifierColumns.end(), m.modNumber);
  return m;
}
constexpr auto kCharModifiers = MakeModifiers();

// ---- Characters ----------------------------------------------------------------------------
// Keys go into one table per number of columns they use, so a key with only a base and a
// Shift character takes four bytes, not ten. The one-column table (the keypad) goes last.

constexpr std::size_t ColumnsUsed(const layout::KeyDefinition& key) {
  std::size_t used = 0;
  for (std::size_t c = 0; c < key.chars.size(); ++c) {
    if (key.chars[c] != layout::kNone) {
      used = c + 1;
    }
  }
  return used;
}

template <std::size_t N>
constexpr std::size_t CountKeysWithColumns() {
  return static_cast<std::size_t>(
      std::count_if(std::begin(kUrduPhonetic), std::end(kUrduPhonetic),
                    [](const layout::KeyDefinition& k) { return ColumnsUsed(k) == N; }));
}

template <std::size_t N>
constexpr auto MakeVkToWchars() {
  std::array<kbd::VkToWchars<N>, CountKeysWithColumns<N>() + 1> rows{};  // last row ends it
  std::size_t row = 0;
  for (const layout::KeyDefinition& key : kUrduPhonetic) {
    if (ColumnsUsed(key) != N) {
      continue;
    }
    rows[row].virtualKey = key.vk;
    rows[row].attributes = key.caps == layout::CapsLock::ActsAsShift ? kbd::kAttributeCapsLock : 0;
    for (std::size_t c = 0; c < N; ++c) {
      rows[row].wch[c] = key.chars[c];
    }
    ++row;
  }
  return rows;
}

constexpr auto kVkToWch1 = MakeVkToWchars<1>();
constexpr auto kVkToWch2 = MakeVkToWchars<2>();
constexpr auto kVkToWch3 = MakeVkToWchars<3>();
constexpr auto kVkToWch4 = MakeVkToWchars<4>();
constexpr auto kVkToWch5 = MakeVkToWchars<5>();
static_assert(kVkToWch1.size() - 1 + kVkToWch2.size() - 1 + kVkToWch3.size() - 1 +
                      kVkToWch4.size() - 1 + kVkToWch5.size() - 1 ==
                  layout::kUrduPhoneticKeyCount,
              "every key has one to five columns");

template <std::size_t N, std::size_t Rows>
constexpr kbd::VkToWcharTable TableEntry(const std::array<kbd::VkToWchars<N>, Rows>& rows) {
  return {rows.data(), N, sizeof(kbd::VkToWchars<N>)};
}

constexpr auto MakeVkToWcharTables() {
  std::array<kbd::VkToWcharTable, 6> tables{};  // up to five tables and the end marker
  std::size_t next = 0;
  if (kVkToWch2.size() > 1) tables[next++] = TableEntry(kVkToWch2);
  if (kVkToWch3.size() > 1) tables[next++] = TableEntry(kVkToWch3);
  if (kVkToWch4.size() > 1) tables[next++] = TableEntry(kVkToWch4);
  if (kVkToWch5.size() > 1) tables[next++] = TableEntry(kVkToWch5);
  if (kVkToWch1.size() > 1) tables[next++] = TableEntry(kVkToWch1);
  return tables;
}
constexpr auto kVkToWcharTables = MakeVkToWcharTables();

// No dead keys: every Urdu mark is typed after its letter, as Unicode stores it.
constexpr kbd::DeadKey kDeadKeys[] = {{0, 0, 0}};

// ---- Key names -----------------------------------------------------------------------------

template <bool Extended>
constexpr std::size_t CountKeyNames() {
  return static_cast<std::size_t>(std::count_if(
      std::begin(layout::kPcKeyNames), std::end(layout::kPcKeyNames),
      [](const layout::KeyName& n) { return (n.scanCode >= layout::kE0) == Extended; }));
}

template <bool Extended>
constexpr auto MakeKeyNames() {
  std::array<kbd::VscLpwstr, CountKeyNames<Extended>() + 1> names{};
  std::size_t next = 0;
  for (const layout::KeyName& n : layout::kPcKeyNames) {
    if ((n.scanCode >= layout::kE0) == Extended) {
      names[next++] = {static_cast<std::uint8_t>(n.scanCode & 0xFF), n.name.data()};
    }
  }
  return names;
}
constexpr auto kKeyNames = MakeKeyNames<false>();
constexpr auto kKeyNamesExt = MakeKeyNames<true>();

// ---- Scan codes to virtual keys ------------------------------------------------------------

constexpr std::size_t kScanCodeCount = [] {
  std::size_t count = 0;
  for (const layout::ScanCodeVk& s : layout::kPcScanCodes) {
    if (s.scanCode < 0x100) {
      count = std::max<std::size_t>(count, s.scanCode + 1u);
    }
  }
  return count;
}();
static_assert(kScanCodeCount <= 0xFF, "bMaxVSCtoVK is one byte");

constexpr auto MakeScanCodeToVk() {
  std::array<std::uint16_t, kScanCodeCount> vks{};
  std::fill(vks.begin(), vks.end(), layout::kNoVk);
  for (const layout::ScanCodeVk& s : layout::kPcScanCodes) {
    if (s.scanCode < 0x100) {
      vks[s.scanCode] = s.vk;
    }
  }
  return vks;
}
constexpr auto kScanCodeToVk = MakeScanCodeToVk();

template <std::uint16_t Prefix>
constexpr std::size_t CountPrefixed() {
  return static_cast<std::size_t>(
      std::count_if(std::begin(layout::kPcScanCodes), std::end(layout::kPcScanCodes),
                    [](const layout::ScanCodeVk& s) { return (s.scanCode & 0xFF00) == Prefix; }));
}

template <std::uint16_t Prefix>
constexpr auto MakePrefixedScanCodes() {
  std::array<kbd::VscVk, CountPrefixed<Prefix>() + 1> rows{};
  std::size_t next = 0;
  for (const layout::ScanCodeVk& s : layout::kPcScanCodes) {
    if ((s.scanCode & 0xFF00) == Prefix) {
      rows[next++] = {static_cast<std::uint8_t>(s.scanCode & 0xFF), s.vk};
    }
  }
  return rows;
}
constexpr auto kScanCodeE0 = MakePrefixedScanCodes<layout::kE0>();
constexpr auto kScanCodeE1 = MakePrefixedScanCodes<layout::kE1>();

// ---- The descriptor ------------------------------------------------------------------------

constexpr kbd::KbdTables kTables{
    &kCharModifiers,
    kVkToWcharTables.data(),
    kDeadKeys,
    kKeyNames.data(),
    kKeyNamesExt.data(),
    nullptr,  // no dead keys, so no names for them
    kScanCodeToVk.data(),
    static_cast<std::uint8_t>(kScanCodeToVk.size()),
    kScanCodeE0.data(),
    kScanCodeE1.data(),
    static_cast<std::uint32_t>(kbd::kKbdVersion) << 16 | layout::kLocaleFlagAltGr,
    0,  // no ligatures
    0,
    nullptr,
    kbd::kKeyboardTypeGeneric101,
    0,
};

}  // namespace

#if defined(TIUP_KBD_WIDE_POINTERS)
// The 64-bit system calls this through its WOW64 layer and takes EDX:EAX as the address.
extern "C" std::uint64_t KbdLayerDescriptor() { return reinterpret_cast<std::uintptr_t>(&kTables); }
#else
extern "C" const kbd::KbdTables* KbdLayerDescriptor() { return &kTables; }
#endif
