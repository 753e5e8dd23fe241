#pragma once

#include <array>
#include <string_view>

#include "windows/Geometry.h"
#include "windows/WindowSpecs.h"

// The main window, frmMain: six coloured buttons in one column and an orange line above the
// last one. This table is the window; the Win32 layer only renders and wires it.

enum class MainAction {
  Windows7Install,   // Command1
  WindowsXpInstall,  // Command2
  Close,             // Command3
  VisitWebsite,      // Command4
  About,             // Command5
  AboutProgrammer,   // Command6
};

struct ButtonSpec {
  int id;  // control id; never IDOK or IDCANCEL, which the dialog manager sends on its own
  std::wstring_view name;
  std::wstring_view caption;
  TwipsRect bounds;
  Rgb background;
  int tabIndex;
  MainAction action;
};

inline constexpr WindowSpec kfrmMain{
    L"Tamlorix Install Urdu Phonetic", 6075, 4410, {0xC0, 0xFF, 0xC0}};

// Top to bottom, as the window shows them. The tab order is not the visual order: Close comes
// third, before Visit Website.
inline constexpr std::array<ButtonSpec, 6> kfrmMainButtons{{
    {1001,
     L"Command1",
     L"Install Urdu Phonetic - Windows 7",
     {960, 360, 4095, 495},
     {0xC0, 0xC0, 0xC0},
     0,
     MainAction::Windows7Install},
    {1002,
     L"Command2",
     L"Install Urdu Phonetic - Windows XP (SP-2)",
     {960, 960, 4095, 495},
     {0xC0, 0xC0, 0xFF},
     1,
     MainAction::WindowsXpInstall},
    {1004,
     L"Command4",
     L"&Visit Website",
     {960, 1560, 4095, 495},
     {0xFF, 0xC0, 0xFF},
     3,
     MainAction::VisitWebsite},
    {1005,
     L"Command5",
     L"&About Tamlorix Install Urdu Phonetic",
     {960, 2160, 4095, 495},
     {0xFF, 0xE0, 0xC0},
     4,
     MainAction::About},
    {1006,
     L"Command6",
     L"&About Programmer",
     {960, 2760, 4095, 495},
     {0xFF, 0xFF, 0xC0},
     5,
     MainAction::AboutProgrammer},
    {1003,
     L"Command3",
     L"&Close",
     {960, 3600, 4095, 495},
     {0xFF, 0xC0, 0xC0},
     2,
     MainAction::Close},
}};

inline constexpr LineSpec kfrmMainLine1{L"Line1", {0, 3480}, {6000, 3480}, {0xFF, 0x80, 0x00}};

// The buttons in tab order.
std::array<const ButtonSpec*, kfrmMainButtons.size()> frmMainTabOrder();

// The button with a control id, or null.
const ButtonSpec* FindfrmMainButton(int id);
