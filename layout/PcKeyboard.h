#pragma once

#include <cstdint>
#include <string_view>

// The hardware side of a US 101/102-key PC keyboard as Windows sees it: which virtual key each
// scan code produces and what the keys without a character are called. A phonetic layout keeps
// every key where the US layout has it, so only the characters change; these tables are shared
// by every layout DLL variant and by the chart. No windows.h here, so the constants carry our
// own names; their values are the system's.

namespace layout {

// Virtual keys.
inline constexpr std::uint8_t kVkCancel = 0x03;
inline constexpr std::uint8_t kVkBack = 0x08;
inline constexpr std::uint8_t kVkTab = 0x09;
inline constexpr std::uint8_t kVkClear = 0x0C;
inline constexpr std::uint8_t kVkReturn = 0x0D;
inline constexpr std::uint8_t kVkPause = 0x13;
inline constexpr std::uint8_t kVkCapital = 0x14;
inline constexpr std::uint8_t kVkEscape = 0x1B;
inline constexpr std::uint8_t kVkSpace = 0x20;
inline constexpr std::uint8_t kVkPrior = 0x21;
inline constexpr std::uint8_t kVkNext = 0x22;
inline constexpr std::uint8_t kVkEnd = 0x23;
inline constexpr std::uint8_t kVkHome = 0x24;
inline constexpr std::uint8_t kVkLeft = 0x25;
inline constexpr std::uint8_t kVkUp = 0x26;
inline constexpr std::uint8_t kVkRight = 0x27;
inline constexpr std::uint8_t kVkDown = 0x28;
inline constexpr std::uint8_t kVkSnapshot = 0x2C;
inline constexpr std::uint8_t kVkInsert = 0x2D;
inline constexpr std::uint8_t kVkDelete = 0x2E;
inline constexpr std::uint8_t kVkHelp = 0x2F;
inline constexpr std::uint8_t kVkLWin = 0x5B;
inline constexpr std::uint8_t kVkRWin = 0x5C;
inline constexpr std::uint8_t kVkApps = 0x5D;
inline constexpr std::uint8_t kVkSleep = 0x5F;
inline constexpr std::uint8_t kVkNumpad0 = 0x60;  // kVkNumpad0 + n is the keypad's digit n
inline constexpr std::uint8_t kVkMultiply = 0x6A;
inline constexpr std::uint8_t kVkAdd = 0x6B;
inline constexpr std::uint8_t kVkSubtract = 0x6D;
inline constexpr std::uint8_t kVkDecimal = 0x6E;
inline constexpr std::uint8_t kVkDivide = 0x6F;
inline constexpr std::uint8_t kVkF1 = 0x70;  // kVkF1 + n - 1 is Fn, up to F24
inline constexpr std::uint8_t kVkNumLock = 0x90;
inline constexpr std::uint8_t kVkScroll = 0x91;
inline constexpr std::uint8_t kVkLShift = 0xA0;
inline constexpr std::uint8_t kVkRShift = 0xA1;
inline constexpr std::uint8_t kVkLControl = 0xA2;
inline constexpr std::uint8_t kVkRControl = 0xA3;
inline constexpr std::uint8_t kVkLMenu = 0xA4;
inline constexpr std::uint8_t kVkRMenu = 0xA5;
inline constexpr std::uint8_t kVkShift = 0x10;
inline constexpr std::uint8_t kVkControl = 0x11;
inline constexpr std::uint8_t kVkMenu = 0x12;
inline constexpr std::uint8_t kVkBrowserBack = 0xA6;
inline constexpr std::uint8_t kVkBrowserForward = 0xA7;
inline constexpr std::uint8_t kVkBrowserRefresh = 0xA8;
inline constexpr std::uint8_t kVkBrowserStop = 0xA9;
inline constexpr std::uint8_t kVkBrowserSearch = 0xAA;
inline constexpr std::uint8_t kVkBrowserFavorites = 0xAB;
inline constexpr std::uint8_t kVkBrowserHome = 0xAC;
inline constexpr std::uint8_t kVkVolumeMute = 0xAD;
inline constexpr std::uint8_t kVkVolumeDown = 0xAE;
inline constexpr std::uint8_t kVkVolumeUp = 0xAF;
inline constexpr std::uint8_t kVkMediaNextTrack = 0xB0;
inline constexpr std::uint8_t kVkMediaPrevTrack = 0xB1;
inline constexpr std::uint8_t kVkMediaStop = 0xB2;
inline constexpr std::uint8_t kVkMediaPlayPause = 0xB3;
inline constexpr std::uint8_t kVkLaunchMail = 0xB4;
inline constexpr std::uint8_t kVkLaunchMediaSelect = 0xB5;
inline constexpr std::uint8_t kVkLaunchApp1 = 0xB6;
inline constexpr std::uint8_t kVkLaunchApp2 = 0xB7;
inline constexpr std::uint8_t kVkOem1 = 0xBA;       // ; :
inline constexpr std::uint8_t kVkOemPlus = 0xBB;    // = +
inline constexpr std::uint8_t kVkOemComma = 0xBC;   // , <
inline constexpr std::uint8_t kVkOemMinus = 0xBD;   // - _
inline constexpr std::uint8_t kVkOemPeriod = 0xBE;  // . >
inline constexpr std::uint8_t kVkOem2 = 0xBF;       // / ?
inline constexpr std::uint8_t kVkOem3 = 0xC0;       // ` ~
inline constexpr std::uint8_t kVkOem4 = 0xDB;       // [ {
inline constexpr std::uint8_t kVkOem5 = 0xDC;       // \ |
inline constexpr std::uint8_t kVkOem6 = 0xDD;       // ] }
inline constexpr std::uint8_t kVkOem7 = 0xDE;       // ' "
inline constexpr std::uint8_t kVkAbntC1 = 0xC1;     // Brazilian ABNT: / ? beside right Shift
inline constexpr std::uint8_t kVkAbntC2 = 0xC2;     // Brazilian ABNT: the keypad's . key
inline constexpr std::uint8_t kVkOem102 = 0xE2;     // the 102nd key, beside left Shift
// Keys of terminal-style keyboards, which the US layout maps too.
inline constexpr std::uint8_t kVkOemReset = 0xE9;
inline constexpr std::uint8_t kVkOemJump = 0xEA;
inline constexpr std::uint8_t kVkOemPa1 = 0xEB;
inline constexpr std::uint8_t kVkOemPa2 = 0xEC;
inline constexpr std::uint8_t kVkOemPa3 = 0xED;
inline constexpr std::uint8_t kVkOemWsCtrl = 0xEE;
inline constexpr std::uint8_t kVkOemFinish = 0xF1;
inline constexpr std::uint8_t kVkOemAuto = 0xF3;
inline constexpr std::uint8_t kVkOemBackTab = 0xF5;
inline constexpr std::uint8_t kVkErEof = 0xF9;
inline constexpr std::uint8_t kVkZoom = 0xFB;

// Flags in the scan-code-to-virtual-key tables.
inline constexpr std::uint16_t kKbdExt = 0x100;      // an E0-prefixed (extended) key
inline constexpr std::uint16_t kKbdMultiVk = 0x200;  // another VK with some modifier
inline constexpr std::uint16_t kKbdSpecial = 0x400;  // translated by the system's own code
inline constexpr std::uint16_t kKbdNumpad = 0x800;   // a keypad key that Num Lock changes
inline constexpr std::uint16_t kNoVk = 0xFF;

// Scan codes of prefixed keys carry their prefix in the high byte.
inline constexpr std::uint16_t kE0 = 0xE000;
inline constexpr std::uint16_t kE1 = 0xE100;

struct ScanCodeVk {
  std::uint16_t scanCode;
  std::uint16_t vk;  // virtual key with kKbd* flags
};

// Every scan code a US 101/102-key keyboard (with the usual multimedia keys) sends, unprefixed
// first, in scan-code order, as the US layout maps them: codes 0x00 to 0x7F (the table the
// system indexes ends at 0x7F), so the keys of other keyboards sold with US-style layouts work
// too, such as the two extra keys of Brazilian ABNT keyboards (0x73 and 0x7E). Codes not
// listed produce no key.
inline constexpr ScanCodeVk kPcScanCodes[] = {
    // Scan | Virtual key and flags
    {0x01, kVkEscape},
    {0x02, '1'},
    {0x03, '2'},
    {0x04, '3'},
    {0x05, '4'},
    {0x06, '5'},
    {0x07, '6'},
    {0x08, '7'},
    {0x09, '8'},
    {0x0A, '9'},
    {0x0B, '0'},
    {0x0C, kVkOemMinus},
    {0x0D, kVkOemPlus},
    {0x0E, kVkBack},
    {0x0F, kVkTab},
    {0x10, 'Q'},
    {0x11, 'W'},
    {0x12, 'E'},
    {0x13, 'R'},
    {0x14, 'T'},
    {0x15, 'Y'},
    {0x16, 'U'},
    {0x17, 'I'},
    {0x18, 'O'},
    {0x19, 'P'},
    {0x1A, kVkOem4},
    {0x1B, kVkOem6},
    {0x1C, kVkReturn},
    {0x1D, kVkLControl},
    {0x1E, 'A'},
    {0x1F, 'S'},
    {0x20, 'D'},
    {0x21, 'F'},
    {0x22, 'G'},
    {0x23, 'H'},
    {0x24, 'J'},
    {0x25, 'K'},
    {0x26, 'L'},
    {0x27, kVkOem1},
    {0x28, kVkOem7},
    {0x29, kVkOem3},
    {0x2A, kVkLShift},
    {0x2B, kVkOem5},
    {0x2C, 'Z'},
    {0x2D, 'X'},
    {0x2E, 'C'},
    {0x2F, 'V'},
    {0x30, 'B'},
    {0x31, 'N'},
    {0x32, 'M'},
    {0x33, kVkOemComma},
    {0x34, kVkOemPeriod},
    {0x35, kVkOem2},
    {0x36, kVkRShift | kKbdExt},        // marked extended so the system tells the two Shifts apart
    {0x37, kVkMultiply | kKbdMultiVk},  // Print Screen when Alt or Ctrl is down
    {0x38, kVkLMenu},
    {0x39, kVkSpace},
    {0x3A, kVkCapital},
    {0x3B, kVkF1 + 0},
    {0x3C, kVkF1 + 1},
    {0x3D, kVkF1 + 2},
    {0x3E, kVkF1 + 3},
    {0x3F, kVkF1 + 4},
    {0x40, kVkF1 + 5},
    {0x41, kVkF1 + 6},
    {0x42, kVkF1 + 7},
    {0x43, kVkF1 + 8},
    {0x44, kVkF1 + 9},
    {0x45, kVkNumLock | kKbdExt | kKbdMultiVk},  // Pause when Ctrl is down
    {0x46, kVkScroll | kKbdMultiVk},             // Break when Ctrl is down
    {0x47, kVkHome | kKbdNumpad | kKbdSpecial},
    {0x48, kVkUp | kKbdNumpad | kKbdSpecial},
    {0x49, kVkPrior | kKbdNumpad | kKbdSpecial},
    {0x4A, kVkSubtract},
    {0x4B, kVkLeft | kKbdNumpad | kKbdSpecial},
    {0x4C, kVkClear | kKbdNumpad | kKbdSpecial},
    {0x4D, kVkRight | kKbdNumpad | kKbdSpecial},
    {0x4E, kVkAdd},
    {0x4F, kVkEnd | kKbdNumpad | kKbdSpecial},
    {0x50, kVkDown | kKbdNumpad | kKbdSpecial},
    {0x51, kVkNext | kKbdNumpad | kKbdSpecial},
    {0x52, kVkInsert | kKbdNumpad | kKbdSpecial},
    {0x53, kVkDelete | kKbdNumpad | kKbdSpecial},
    {0x54, kVkSnapshot},  // Alt+Print Screen
    {0x56, kVkOem102},
    {0x57, kVkF1 + 10},
    {0x58, kVkF1 + 11},
    {0x59, kVkClear},
    {0x5A, kVkOemWsCtrl},
    {0x5B, kVkOemFinish},
    {0x5C, kVkOemJump},
    {0x5D, kVkErEof},
    {0x5E, kVkOemBackTab},
    {0x5F, kVkOemAuto},
    {0x62, kVkZoom},
    {0x63, kVkHelp},
    {0x64, kVkF1 + 12},
    {0x65, kVkF1 + 13},
    {0x66, kVkF1 + 14},
    {0x67, kVkF1 + 15},
    {0x68, kVkF1 + 16},
    {0x69, kVkF1 + 17},
    {0x6A, kVkF1 + 18},
    {0x6B, kVkF1 + 19},
    {0x6C, kVkF1 + 20},
    {0x6D, kVkF1 + 21},
    {0x6E, kVkF1 + 22},
    {0x6F, kVkOemPa3},
    {0x71, kVkOemReset},
    {0x73, kVkAbntC1},
    {0x76, kVkF1 + 23},
    {0x7B, kVkOemPa1},
    {0x7C, kVkTab},
    {0x7E, kVkAbntC2},
    {0x7F, kVkOemPa2},

    // E0-prefixed keys: the navigation block, the right-hand modifiers, the Windows keys and
    // the multimedia keys.
    {kE0 | 0x10, kVkMediaPrevTrack | kKbdExt},
    {kE0 | 0x19, kVkMediaNextTrack | kKbdExt},
    {kE0 | 0x1C, kVkReturn | kKbdExt},
    {kE0 | 0x1D, kVkRControl | kKbdExt},
    {kE0 | 0x20, kVkVolumeMute | kKbdExt},
    {kE0 | 0x21, kVkLaunchApp2 | kKbdExt},
    {kE0 | 0x22, kVkMediaPlayPause | kKbdExt},
    {kE0 | 0x24, kVkMediaStop | kKbdExt},
    {kE0 | 0x2E, kVkVolumeDown | kKbdExt},
    {kE0 | 0x30, kVkVolumeUp | kKbdExt},
    {kE0 | 0x32, kVkBrowserHome | kKbdExt},
    {kE0 | 0x35, kVkDivide | kKbdExt},
    {kE0 | 0x37, kVkSnapshot | kKbdExt},
    {kE0 | 0x38, kVkRMenu | kKbdExt},
    {kE0 | 0x46, kVkCancel | kKbdExt},  // Ctrl+Break
    {kE0 | 0x47, kVkHome | kKbdExt},
    {kE0 | 0x48, kVkUp | kKbdExt},
    {kE0 | 0x49, kVkPrior | kKbdExt},
    {kE0 | 0x4B, kVkLeft | kKbdExt},
    {kE0 | 0x4D, kVkRight | kKbdExt},
    {kE0 | 0x4F, kVkEnd | kKbdExt},
    {kE0 | 0x50, kVkDown | kKbdExt},
    {kE0 | 0x51, kVkNext | kKbdExt},
    {kE0 | 0x52, kVkInsert | kKbdExt},
    {kE0 | 0x53, kVkDelete | kKbdExt},
    {kE0 | 0x5B, kVkLWin | kKbdExt},
    {kE0 | 0x5C, kVkRWin | kKbdExt},
    {kE0 | 0x5D, kVkApps | kKbdExt},
    {kE0 | 0x5F, kVkSleep | kKbdExt},
    {kE0 | 0x65, kVkBrowserSearch | kKbdExt},
    {kE0 | 0x66, kVkBrowserFavorites | kKbdExt},
    {kE0 | 0x67, kVkBrowserRefresh | kKbdExt},
    {kE0 | 0x68, kVkBrowserStop | kKbdExt},
    {kE0 | 0x69, kVkBrowserForward | kKbdExt},
    {kE0 | 0x6A, kVkBrowserBack | kKbdExt},
    {kE0 | 0x6B, kVkLaunchApp1 | kKbdExt},
    {kE0 | 0x6C, kVkLaunchMail | kKbdExt},
    {kE0 | 0x6D, kVkLaunchMediaSelect | kKbdExt},

    // The one E1-prefixed key.
    {kE1 | 0x1D, kVkPause},
};

struct KeyName {
  std::uint16_t scanCode;  // kE0 | code for an extended key
  std::u16string_view name;
};

// Names of the keys that type no character, as GetKeyNameText reports them (a key that types
// a character is named by that character). The system's key names are English on every
// layout, so ours are too.
inline constexpr KeyName kPcKeyNames[] = {
    {0x01, u"Esc"},
    {0x0E, u"Backspace"},
    {0x0F, u"Tab"},
    {0x1C, u"Enter"},
    {0x1D, u"Ctrl"},
    {0x2A, u"Shift"},
    {0x36, u"Right Shift"},
    {0x37, u"Num *"},
    {0x38, u"Alt"},
    {0x39, u"Space"},
    {0x3A, u"Caps Lock"},
    {0x3B, u"F1"},
    {0x3C, u"F2"},
    {0x3D, u"F3"},
    {0x3E, u"F4"},
    {0x3F, u"F5"},
    {0x40, u"F6"},
    {0x41, u"F7"},
    {0x42, u"F8"},
    {0x43, u"F9"},
    {0x44, u"F10"},
    {0x45, u"Pause"},
    {0x46, u"Scroll Lock"},
    {0x47, u"Num 7"},
    {0x48, u"Num 8"},
    {0x49, u"Num 9"},
    {0x4A, u"Num -"},
    {0x4B, u"Num 4"},
    {0x4C, u"Num 5"},
    {0x4D, u"Num 6"},
    {0x4E, u"Num +"},
    {0x4F, u"Num 1"},
    {0x50, u"Num 2"},
    {0x51, u"Num 3"},
    {0x52, u"Num 0"},
    {0x53, u"Num Del"},
    {0x54, u"Sys Req"},
    {0x57, u"F11"},
    {0x58, u"F12"},
    {0x64, u"F13"},
    {0x65, u"F14"},
    {0x66, u"F15"},
    {0x67, u"F16"},
    {0x68, u"F17"},
    {0x69, u"F18"},
    {0x6A, u"F19"},
    {0x6B, u"F20"},
    {0x6C, u"F21"},
    {0x6D, u"F22"},
    {0x6E, u"F23"},
    {0x76, u"F24"},

    {kE0 | 0x1C, u"Num Enter"},
    {kE0 | 0x1D, u"Right Ctrl"},
    {kE0 | 0x35, u"Num /"},
    {kE0 | 0x37, u"Prnt Scrn"},
    {kE0 | 0x38, u"Right Alt"},
    {kE0 | 0x45, u"Num Lock"},
    {kE0 | 0x46, u"Break"},
    {kE0 | 0x47, u"Home"},
    {kE0 | 0x48, u"Up"},
    {kE0 | 0x49, u"Page Up"},
    {kE0 | 0x4B, u"Left"},
    {kE0 | 0x4D, u"Right"},
    {kE0 | 0x4F, u"End"},
    {kE0 | 0x50, u"Down"},
    {kE0 | 0x51, u"Page Down"},
    {kE0 | 0x52, u"Insert"},
    {kE0 | 0x53, u"Delete"},
    {kE0 | 0x5B, u"Left Windows"},
    {kE0 | 0x5C, u"Right Windows"},
    {kE0 | 0x5D, u"Application"},
};

}  // namespace layout
