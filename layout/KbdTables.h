#pragma once

#include <cstddef>
#include <cstdint>

// The tables Windows reads from a keyboard layout DLL, declared here from the documented field
// order (no Driver Kit header). One declaration serves three builds:
//  - x86 (32-bit Windows): 4-byte pointers;
//  - x64 (64-bit Windows): 8-byte pointers;
//  - WOW64 (the 32-bit DLL that 64-bit Windows loads for 32-bit programs, with
//    TIUP_KBD_WIDE_POINTERS defined): 32-bit code whose every pointer field fills an 8-byte
//    slot, because the 64-bit system reads the tables.

namespace kbd {

#if defined(TIUP_KBD_WIDE_POINTERS)
// A 32-bit pointer in a 64-bit slot. Initialising the pointer member leaves the upper half
// zero (static storage starts zeroed), which is the address the 64-bit reader sees.
template <class T>
union alignas(8) Ptr {
  const T* p;
  std::uint64_t slot;
  constexpr Ptr() : p(nullptr) {}
  constexpr Ptr(const T* pointer) : p(pointer) {}  // NOLINT: converts like a pointer
};
inline constexpr std::size_t kPointerSlot = 8;
#else
template <class T>
struct Ptr {
  const T* p = nullptr;
  constexpr Ptr() = default;
  constexpr Ptr(const T* pointer) : p(pointer) {}  // NOLINT: converts like a pointer
};
inline constexpr std::size_t kPointerSlot = sizeof(void*);
#endif
static_assert(sizeof(Ptr<void>) == kPointerSlot);

// Modifier key and the bit it sets.
struct VkToBit {
  std::uint8_t vk;
  std::uint8_t modBits;
};

// Bits to column: modNumber[bits] is the column of the character tables, or 0x0F for none.
template <std::size_t N>
struct Modifiers {
  Ptr<VkToBit> pVkToBit;
  std::uint16_t wMaxModBits;
  std::uint8_t modNumber[N];
};

// One key's characters, one per column.
template <std::size_t N>
struct VkToWchars {
  std::uint8_t virtualKey;
  std::uint8_t attributes;
  char16_t wch[N];
};

// One table of keys with the same number of columns.
struct VkToWcharTable {
  Ptr<void> pVkToWchars;
  std::uint8_t nModifications;
  std::uint8_t cbSize;
};

struct DeadKey {
  std::uint32_t dwBoth;  // accent in the high word, base character in the low word
  char16_t wchComposed;
  std::uint16_t uFlags;
};

struct VscLpwstr {
  std::uint8_t vsc;
  Ptr<char16_t> pwsz;
};

struct VscVk {
  std::uint8_t vsc;
  std::uint16_t vk;
};

struct KbdTables {
  Ptr<void> pCharModifiers;
  Ptr<VkToWcharTable> pVkToWcharTable;
  Ptr<DeadKey> pDeadKey;
  Ptr<VscLpwstr> pKeyNames;
  Ptr<VscLpwstr> pKeyNamesExt;
  Ptr<Ptr<char16_t>> pKeyNamesDead;
  Ptr<std::uint16_t> pusVSCtoVK;
  std::uint8_t bMaxVSCtoVK;
  Ptr<VscVk> pVSCtoVK_E0;
  Ptr<VscVk> pVSCtoVK_E1;
  std::uint32_t fLocaleFlags;
  std::uint8_t nLgMax;
  std::uint8_t cbLgEntry;
  Ptr<void> pLigature;
  std::uint32_t dwType;
  std::uint32_t dwSubType;
};

inline constexpr std::uint16_t kKbdVersion = 1;  // high word of fLocaleFlags
inline constexpr std::uint32_t kKeyboardTypeGeneric101 = 4;
inline constexpr std::uint8_t kAttributeCapsLock = 0x01;

// The offsets the system expects, checked in every build.
#if defined(TIUP_KBD_WIDE_POINTERS) || defined(_WIN64)
static_assert(offsetof(KbdTables, pVkToWcharTable) == 8);
static_assert(offsetof(KbdTables, pusVSCtoVK) == 48);
static_assert(offsetof(KbdTables, bMaxVSCtoVK) == 56);
static_assert(offsetof(KbdTables, pVSCtoVK_E0) == 64);
static_assert(offsetof(KbdTables, fLocaleFlags) == 80);
static_assert(offsetof(KbdTables, nLgMax) == 84);
static_assert(offsetof(KbdTables, cbLgEntry) == 85);
static_assert(offsetof(KbdTables, pLigature) == 88);
static_assert(offsetof(KbdTables, dwType) == 96);
static_assert(sizeof(KbdTables) == 104);
static_assert(offsetof(Modifiers<8>, wMaxModBits) == 8);
static_assert(offsetof(Modifiers<8>, modNumber) == 10);
static_assert(offsetof(VkToWcharTable, nModifications) == 8);
static_assert(sizeof(VkToWcharTable) == 16);
static_assert(offsetof(VscLpwstr, pwsz) == 8);
static_assert(sizeof(VscLpwstr) == 16);
#else
static_assert(offsetof(KbdTables, pusVSCtoVK) == 24);
static_assert(offsetof(KbdTables, bMaxVSCtoVK) == 28);
static_assert(offsetof(KbdTables, pVSCtoVK_E0) == 32);
static_assert(offsetof(KbdTables, fLocaleFlags) == 40);
static_assert(offsetof(KbdTables, nLgMax) == 44);
static_assert(offsetof(KbdTables, pLigature) == 48);
static_assert(offsetof(KbdTables, dwSubType) == 56);
static_assert(sizeof(KbdTables) == 60);
static_assert(offsetof(Modifiers<8>, modNumber) == 6);
static_assert(sizeof(VkToWcharTable) == 8);
static_assert(sizeof(VscLpwstr) == 8);
#endif
static_assert(sizeof(VkToWchars<5>) == 12);
static_assert(sizeof(DeadKey) == 8);
static_assert(sizeof(VscVk) == 4);

}  // namespace kbd
