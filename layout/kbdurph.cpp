// The Urdu Phonetic layout DLL (kbdurph.dll): the tables Windows reads, made at compile time
// from the layout's definition. Windows does not use this DLL as a program uses a DLL: user32
// loads it, calls KbdLayerDescriptor (ordinal 1) for the tables' offset in the module, and frees
// it; win32k then reads the file, copies the section named .data and rebases the tables'
// pointers itself, so every table and every string below must end up there. The build moves
// all of this file's constant data into .data (layout/CMakeLists.txt). No entry point runs, so
// everything is constant-initialised data; the DLL is linked without the C runtime and imports
// nothing.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "layout/KbdTables.h"
#include "layout/PcKeyboard.h"
#include "layout/UrduPhonetic.h"

namespace {

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
// One table per table of the definition, each as wide as the shift states its keys use, in
// the definition's order (the keypad's digits last).

template <std::size_t Columns, std::size_t Keys>
constexpr auto MakeVkToWchars(const layout::KeyDefinition (&keys)[Keys]) {
  std::array<kbd::VkToWchars<Columns>, Keys + 1> rows{};  // the last row ends the table
  for (std::size_t r = 0; r < Keys; ++r) {
    rows[r].virtualKey = keys[r].vk;
    rows[r].attributes =
        keys[r].caps == layout::CapsLock::ActsAsShift ? kbd::kAttributeCapsLock : 0;
    for (std::size_t c = 0; c < Columns; ++c) {
      rows[r].wch[c] = keys[r].chars[c];
    }
  }
  return rows;
}

constexpr auto kVkToWchControl = MakeVkToWchars<layout::kControlKeyColumns>(layout::kControlKeys);
constexpr auto kVkToWchTyping = MakeVkToWchars<layout::kTypingKeyColumns>(layout::kTypingKeys);
constexpr auto kVkToWchPlain = MakeVkToWchars<layout::kPlainKeyColumns>(layout::kPlainKeys);
constexpr auto kVkToWchKeypad = MakeVkToWchars<layout::kKeypadDigitColumns>(layout::kKeypadDigits);

template <std::size_t N, std::size_t Rows>
constexpr kbd::VkToWcharTable TableEntry(const std::array<kbd::VkToWchars<N>, Rows>& rows) {
  return {rows.data(), N, sizeof(kbd::VkToWchars<N>)};
}

constexpr kbd::VkToWcharTable kVkToWcharTables[] = {
    TableEntry(kVkToWchControl),
    TableEntry(kVkToWchTyping),
    TableEntry(kVkToWchPlain),
    TableEntry(kVkToWchKeypad),
    {},  // the end marker
};

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
    kVkToWcharTables,
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

// user32 calls this in every process that loads the layout and takes the address less the
// module's base; any code that returns the address will do. The WOW64 DLL returns it as a
// 64-bit value (EDX:EAX), upper half zero, as its 64-bit tables expect.
#if defined(TIUP_KBD_WIDE_POINTERS)
extern "C" std::uint64_t KbdLayerDescriptor() { return reinterpret_cast<std::uintptr_t>(&kTables); }
#else
extern "C" const kbd::KbdTables* KbdLayerDescriptor() { return &kTables; }
#endif
