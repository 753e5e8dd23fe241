#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "layout/PcKeyboard.h"

// The Urdu Phonetic keyboard layout. These tables are the layout: the DLLs for every Windows
// architecture, the chart and the tests are all made from them.

namespace layout {

// The shift states a key can have a character for, in the order of the DLL's columns.
enum Level : std::size_t { kBase, kShift, kCtrl, kShiftCtrl, kAltGr, kShiftAltGr, kLevelCount };

// What Caps Lock does to a key. Urdu has no letter case, so on every Urdu key Caps Lock does
// nothing: were it to act as Shift, a typist who left it on would get ٹ for ت and zabar for ے.
enum class CapsLock : std::uint8_t { Ignored, ActsAsShift };

inline constexpr char16_t kNone = 0xF000;  // the key types nothing in this state
inline constexpr char16_t kZwnj = 0x200C;  // zero-width non-joiner: ends a word without a space
inline constexpr char16_t kZwj = 0x200D;   // zero-width joiner
inline constexpr char16_t kLrm = 0x200E;   // left-to-right mark
inline constexpr char16_t kRlm = 0x200F;   // right-to-left mark
inline constexpr char16_t kNbsp = 0x00A0;  // no-break space

struct KeyDefinition {
  std::uint16_t scanCode;  // Set 1; kE0 | code for an extended key; 0 when Num Lock makes it
  std::uint8_t vk;
  CapsLock caps;
  std::array<char16_t, kLevelCount> chars;  // indexed by Level
};

// -------------------------------------------------------------------------------------------
// Urdu Phonetic: one row per key that types something, in four tables. The DLL holds them in
// this order and the system searches them in this order when it looks a character up (what
// VkKeyScanEx does), as in Windows' own layouts:
//  1. kControlKeys: the keys that type only control characters (Base, Shift, Ctrl), first,
//     so that Esc, not Ctrl+[, is the key for the escape character;
//  2. kTypingKeys: the main keyboard, in all six shift states;
//  3. kPlainKeys: Tab and the keypad's operators (Base, Shift), after the main keyboard, so
//     that a search for '*', '+', '-' or '/' finds Shift+8, Shift+=, - and / first;
//  4. kKeypadDigits: the keypad's digits (Base), last, so that a search for a Latin digit finds
//     AltGr and the digit row first.
// Each table ends with its last row; counts are taken with std::size, there is no terminator.
//
// Each Latin letter gives the Urdu letter that sounds like it; Shift gives its retroflex,
// aspirated or heavy partner, or a vowel mark; AltGr (right Alt) gives the rarer letters,
// marks, honorifics and signs, and the Latin digits and punctuation. Ctrl and Shift+Ctrl give
// the control characters of the US layout.
// -------------------------------------------------------------------------------------------
inline constexpr KeyDefinition kControlKeys[] = {
    // clang-format off
//   Scan         Virtual key  Caps Lock          Base     Shift    Ctrl
    {0x0E,        kVkBack,     CapsLock::Ignored, {u'\b',  u'\b',   0x007F,  kNone, kNone, kNone}},
    {0x01,        kVkEscape,   CapsLock::Ignored, {0x001B, 0x001B,  0x001B,  kNone, kNone, kNone}},
    {0x1C,        kVkReturn,   CapsLock::Ignored, {u'\r',  u'\r',   u'\n',   kNone, kNone, kNone}},
    {kE0 | 0x46,  kVkCancel,   CapsLock::Ignored, {0x0003, 0x0003,  0x0003,  kNone, kNone, kNone}},  // Ctrl+Break
    // clang-format on
};

inline constexpr KeyDefinition kTypingKeys[] = {
    // clang-format off
//   Scan  Virtual key    Caps Lock            Base     Shift    Ctrl     Shift+Ctrl AltGr  Shift+AltGr
    {0x29, kVkOem3,       CapsLock::Ignored, {u'`',    u'~',    kNone,   kNone,   kNbsp,   kNone }},  // `  ~  NBSP
    {0x02, '1',           CapsLock::Ignored, {0x06F1,  u'!',    kNone,   kNone,   u'1',    kNone }},  // ۱
    {0x03, '2',           CapsLock::Ignored, {0x06F2,  u'@',    kNone,   0x0000,  u'2',    kNone }},  // ۲
    {0x04, '3',           CapsLock::Ignored, {0x06F3,  u'#',    kNone,   kNone,   u'3',    kNone }},  // ۳
    {0x05, '4',           CapsLock::Ignored, {0x06F4,  u'$',    kNone,   kNone,   u'4',    kNone }},  // ۴
    {0x06, '5',           CapsLock::Ignored, {0x06F5,  u'%',    kNone,   kNone,   u'5',    0x066A}},  // ۵  %  ٪
    {0x07, '6',           CapsLock::Ignored, {0x06F6,  u'^',    kNone,   0x001E,  u'6',    0x2030}},  // ۶  ^  ‰
    {0x08, '7',           CapsLock::Ignored, {0x06F7,  u'&',    kNone,   kNone,   u'7',    kNone }},  // ۷
    {0x09, '8',           CapsLock::Ignored, {0x06F8,  u'*',    kNone,   kNone,   u'8',    kNone }},  // ۸
    {0x0A, '9',           CapsLock::Ignored, {0x06F9,  u'(',    kNone,   kNone,   u'9',    kNone }},  // ۹
    {0x0B, '0',           CapsLock::Ignored, {0x06F0,  u')',    kNone,   kNone,   u'0',    kNone }},  // ۰
    {0x0C, kVkOemMinus,   CapsLock::Ignored, {u'-',    u'_',    kNone,   0x001F,  0x2013,  0x2014}},  // -  _  –  —
    {0x0D, kVkOemPlus,    CapsLock::Ignored, {u'=',    u'+',    kNone,   kNone,   0x00D7,  0x00F7}},  // =  +  ×  ÷

    {0x10, 'Q',           CapsLock::Ignored, {0x0642,  0x0652,  kNone,   kNone,   kNone,   kNone }},  // ق  jazm
    {0x11, 'W',           CapsLock::Ignored, {0x0648,  0x0624,  kNone,   kNone,   0x0657,  kNone }},  // و  ؤ  ulta pesh
    {0x12, 'E',           CapsLock::Ignored, {0x0639,  0x0670,  kNone,   kNone,   0x0656,  kNone }},  // ع  khari zabar  khari zer
    {0x13, 'R',           CapsLock::Ignored, {0x0631,  0x0691,  kNone,   kNone,   0x0612,  kNone }},  // ر  ڑ  rahmatullah alaih
    {0x14, 'T',           CapsLock::Ignored, {0x062A,  0x0679,  kNone,   kNone,   0x0614,  kNone }},  // ت  ٹ  takhallus
    {0x15, 'Y',           CapsLock::Ignored, {0x06D2,  0x064E,  kNone,   kNone,   0x06D3,  0x064B}},  // ے  zabar  ۓ  do zabar
    {0x16, 'U',           CapsLock::Ignored, {0x0621,  0x0626,  kNone,   kNone,   0x0623,  kNone }},  // ء  ئ  أ
    {0x17, 'I',           CapsLock::Ignored, {0x06CC,  0x0650,  kNone,   kNone,   kNone,   0x064D}},  // ی  zer  do zer
    {0x18, 'O',           CapsLock::Ignored, {0x06C1,  0x06C3,  kNone,   kNone,   0x06C2,  kNone }},  // ہ  ۃ  ۂ
    {0x19, 'P',           CapsLock::Ignored, {0x067E,  0x064F,  kNone,   kNone,   0x0603,  0x064C}},  // پ  pesh  safha  do pesh
    {0x1A, kVkOem4,       CapsLock::Ignored, {u'[',    u'{',    0x001B,  kNone,   0x201C,  0x2018}},  // [  {  “  ‘
    {0x1B, kVkOem6,       CapsLock::Ignored, {u']',    u'}',    0x001D,  kNone,   0x201D,  0x2019}},  // ]  }  ”  ’
    {0x2B, kVkOem5,       CapsLock::Ignored, {u'\\',   u'|',    0x001C,  kNone,   kLrm,    kRlm  }},  // \  |

    {0x1E, 'A',           CapsLock::Ignored, {0x0627,  0x0622,  kNone,   kNone,   0x0611,  0x0653}},  // ا  آ  alaihissalam  madd
    {0x1F, 'S',           CapsLock::Ignored, {0x0633,  0x0635,  kNone,   kNone,   0x0610,  0xFDFA}},  // س  ص  sallallahu  ﷺ
    {0x20, 'D',           CapsLock::Ignored, {0x062F,  0x0688,  kNone,   kNone,   0x060D,  kNone }},  // د  ڈ  date separator
    {0x21, 'F',           CapsLock::Ignored, {0x0641,  0x0651,  kNone,   kNone,   0x0602,  kNone }},  // ف  tashdid  footnote
    {0x22, 'G',           CapsLock::Ignored, {0x06AF,  0x063A,  kNone,   kNone,   kNone,   kNone }},  // گ  غ
    {0x23, 'H',           CapsLock::Ignored, {0x062D,  0x06BE,  kNone,   kNone,   kNone,   kNone }},  // ح  ھ
    {0x24, 'J',           CapsLock::Ignored, {0x062C,  0x0636,  kNone,   kNone,   0xFDFB,  kNone }},  // ج  ض  ﷻ
    {0x25, 'K',           CapsLock::Ignored, {0x06A9,  0x062E,  kNone,   kNone,   kNone,   kNone }},  // ک  خ
    {0x26, 'L',           CapsLock::Ignored, {0x0644,  0x0654,  kNone,   kNone,   0xFDF2,  kNone }},  // ل  hamza above  ﷲ
    {0x27, kVkOem1,       CapsLock::Ignored, {0x061B,  u':',    kNone,   kNone,   u';',    kNone }},  // ؛  :  ;
    {0x28, kVkOem7,       CapsLock::Ignored, {u'\'',   u'"',    kNone,   kNone,   kNone,   kNone }},  // '  "

    {0x2C, 'Z',           CapsLock::Ignored, {0x0632,  0x0630,  kNone,   kNone,   0x0613,  kNone }},  // ز  ذ  raziallahu anhu
    {0x2D, 'X',           CapsLock::Ignored, {0x0634,  0x0698,  kNone,   kNone,   kNone,   kNone }},  // ش  ژ
    {0x2E, 'C',           CapsLock::Ignored, {0x0686,  0x062B,  kNone,   kNone,   kNone,   kNone }},  // چ  ث
    {0x2F, 'V',           CapsLock::Ignored, {0x0637,  0x0638,  kNone,   kNone,   0x060E,  kNone }},  // ط  ظ  verse sign
    {0x30, 'B',           CapsLock::Ignored, {0x0628,  kNone,   kNone,   kNone,   0xFDFD,  kNone }},  // ب  ﷽
    {0x31, 'N',           CapsLock::Ignored, {0x0646,  0x06BA,  kNone,   kNone,   0x0600,  0x0601}},  // ن  ں  number sign  sanah
    {0x32, 'M',           CapsLock::Ignored, {0x0645,  0x0658,  kNone,   kNone,   0x060F,  kNone }},  // م  noon ghunna mark  misra
    {0x33, kVkOemComma,   CapsLock::Ignored, {0x060C,  u'<',    kNone,   kNone,   u',',    0x066C}},  // ،  <  ,  ٬
    {0x34, kVkOemPeriod,  CapsLock::Ignored, {0x06D4,  u'>',    kNone,   kNone,   u'.',    0x066B}},  // ۔  >  .  ٫
    {0x35, kVkOem2,       CapsLock::Ignored, {u'/',    0x061F,  kNone,   kNone,   kNone,   u'?'  }},  // /  ؟  ?
    {0x56, kVkOem102,     CapsLock::Ignored, {u'\\',   u'|',    0x001C,  kNone,   kLrm,    kRlm  }},  // the 102nd key, as \ |
    {0x73, kVkAbntC1,     CapsLock::Ignored, {u'/',    0x061F,  kNone,   kNone,   kNone,   u'?'  }},  // ABNT's / ? key, as /
    {0x39, kVkSpace,      CapsLock::Ignored, {u' ',    u' ',    u' ',    kNone,   kZwnj,   kZwj  }},  // ZWNJ  ZWJ
    // clang-format on
};

inline constexpr KeyDefinition kPlainKeys[] = {
    // clang-format off
//   Scan         Virtual key    Caps Lock          Base    Shift
    {0x0F,        kVkTab,        CapsLock::Ignored, {u'\t', u'\t',  kNone, kNone, kNone, kNone}},
    {0x4E,        kVkAdd,        CapsLock::Ignored, {u'+',  u'+',   kNone, kNone, kNone, kNone}},
    {kE0 | 0x35,  kVkDivide,     CapsLock::Ignored, {u'/',  u'/',   kNone, kNone, kNone, kNone}},
    {0x37,        kVkMultiply,   CapsLock::Ignored, {u'*',  u'*',   kNone, kNone, kNone, kNone}},
    {0x4A,        kVkSubtract,   CapsLock::Ignored, {u'-',  u'-',   kNone, kNone, kNone, kNone}},
    {0,           kVkDecimal,    CapsLock::Ignored, {u'.',  kNone,  kNone, kNone, kNone, kNone}},
    {0x7E,        kVkAbntC2,     CapsLock::Ignored, {u'.',  u'.',   kNone, kNone, kNone, kNone}},  // ABNT's keypad .
    // clang-format on
};

inline constexpr KeyDefinition kKeypadDigits[] = {
    // clang-format off
//   Scan  Virtual key      Caps Lock          Base
    {0,    kVkNumpad0 + 0,  CapsLock::Ignored, {u'0',  kNone, kNone, kNone, kNone, kNone}},
    {0,    kVkNumpad0 + 1,  CapsLock::Ignored, {u'1',  kNone, kNone, kNone, kNone, kNone}},
    {0,    kVkNumpad0 + 2,  CapsLock::Ignored, {u'2',  kNone, kNone, kNone, kNone, kNone}},
    {0,    kVkNumpad0 + 3,  CapsLock::Ignored, {u'3',  kNone, kNone, kNone, kNone, kNone}},
    {0,    kVkNumpad0 + 4,  CapsLock::Ignored, {u'4',  kNone, kNone, kNone, kNone, kNone}},
    {0,    kVkNumpad0 + 5,  CapsLock::Ignored, {u'5',  kNone, kNone, kNone, kNone, kNone}},
    {0,    kVkNumpad0 + 6,  CapsLock::Ignored, {u'6',  kNone, kNone, kNone, kNone, kNone}},
    {0,    kVkNumpad0 + 7,  CapsLock::Ignored, {u'7',  kNone, kNone, kNone, kNone, kNone}},
    {0,    kVkNumpad0 + 8,  CapsLock::Ignored, {u'8',  kNone, kNone, kNone, kNone, kNone}},
    {0,    kVkNumpad0 + 9,  CapsLock::Ignored, {u'9',  kNone, kNone, kNone, kNone, kNone}},
    // clang-format on
};

// How many shift states (columns, from Base on) each table holds in the DLL.
inline constexpr std::size_t kControlKeyColumns = 3;
inline constexpr std::size_t kTypingKeyColumns = kLevelCount;
inline constexpr std::size_t kPlainKeyColumns = 2;
inline constexpr std::size_t kKeypadDigitColumns = 1;

// Whether every key of a table types nothing beyond the table's columns.
template <std::size_t N>
constexpr bool FitsColumns(const KeyDefinition (&keys)[N], std::size_t columns) {
  for (const KeyDefinition& key : keys) {
    for (std::size_t c = columns; c < kLevelCount; ++c) {
      if (key.chars[c] != kNone) return false;
    }
  }
  return true;
}
static_assert(FitsColumns(kControlKeys, kControlKeyColumns));
static_assert(FitsColumns(kPlainKeys, kPlainKeyColumns));
static_assert(FitsColumns(kKeypadDigits, kKeypadDigitColumns));

// Every key of the four tables, in the order the system searches them.
inline constexpr auto kUrduPhonetic = [] {
  std::array<KeyDefinition, std::size(kControlKeys) + std::size(kTypingKeys) +
                                std::size(kPlainKeys) + std::size(kKeypadDigits)>
      all{};
  auto next = std::copy(std::begin(kControlKeys), std::end(kControlKeys), all.begin());
  next = std::copy(std::begin(kTypingKeys), std::end(kTypingKeys), next);
  next = std::copy(std::begin(kPlainKeys), std::end(kPlainKeys), next);
  std::copy(std::begin(kKeypadDigits), std::end(kKeypadDigits), next);
  return all;
}();

inline constexpr std::size_t kUrduPhoneticKeyCount = std::size(kUrduPhonetic);

// Modifier keys and the bit each sets; a combination of bits picks a column through
// kModifierColumns. AltGr is Ctrl+Alt: the right Alt key sends both.
inline constexpr std::uint8_t kShiftBit = 1;
inline constexpr std::uint8_t kCtrlBit = 2;
inline constexpr std::uint8_t kAltBit = 4;
inline constexpr std::uint8_t kNoColumn = 0x0F;  // the combination types nothing

// Column for each combination of modifier bits 0..7: Alt alone and Shift+Alt type nothing, so
// that Alt+letter stays free for menus; Shift+Ctrl has its column, as on the US layout.
inline constexpr std::array<std::uint8_t, 8> kModifierColumns{
    kBase, kShift, kCtrl, kShiftCtrl, kNoColumn, kNoColumn, kAltGr, kShiftAltGr};

// The locale flags the layout sets: right Alt is AltGr.
inline constexpr std::uint16_t kLocaleFlagAltGr = 0x0001;

// The row for a virtual key, or null.
const KeyDefinition* FindKeyByVk(std::uint8_t vk);

// The row for a scan code (kE0 | code for an extended key), or null.
const KeyDefinition* FindKeyByScanCode(std::uint16_t scanCode);

// The character typed by a key with a combination of modifier bits, or kNone.
char16_t CharacterFor(const KeyDefinition& key, unsigned modifierBits);

// The virtual key (with flags) a scan code produces on this layout's keyboard, or kNoVk.
std::uint16_t VkForScanCode(std::uint16_t scanCode);

}  // namespace layout
