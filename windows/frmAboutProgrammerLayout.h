#pragma once

#include <array>

#include "windows/ProgrammerCard.h"
#include "windows/Resources.h"
#include "windows/WindowSpecs.h"

// The About Programmer window, frmAboutProgrammer: a card with a banner, a heading, a picture
// and four lines of text about the programmer. A click almost anywhere hides it; the heading
// and the banner ignore clicks.

inline constexpr WindowSpec kfrmAboutProgrammer{
    L"About Programmer", 6705, 3030, {0xFF, 0xFF, 0x80}};

inline constexpr FontSpec kCardTextFont{L"MS Sans Serif", 975, true, false};

// In tab order, which is also the order the window stacks them in.
//   id, name, index, text, caption, {Left, Top, Width, Height}, font, colour, tab index, click
inline constexpr std::array<LabelSpec, 5> kfrmAboutProgrammerLabels{{
    {2001,
     L"lblLabel",
     0,
     LabelText::Fixed,
     kProgrammerName,
     {2160, 840, 4335, 495},
     {L"Times New Roman", 2175, true, false},
     std::nullopt,
     0,
     ClickAction::HideWindow},
    {2002,
     L"lblLabel",
     1,
     LabelText::Fixed,
     kProgrammerQualification,
     {2160, 1440, 4095, 255},
     kCardTextFont,
     std::nullopt,
     1,
     ClickAction::HideWindow},
    {2003,
     L"lblLabel",
     2,
     LabelText::Fixed,
     kProgrammerSkills,
     {2160, 1800, 4095, 615},
     kCardTextFont,
     std::nullopt,
     2,
     ClickAction::HideWindow},
    {2004,
     L"lblLabel",
     3,
     LabelText::Fixed,
     kProgrammerContact,
     {2160, 2640, 4095, 255},
     kCardTextFont,
     std::nullopt,
     3,
     ClickAction::HideWindow},
    {2005,
     L"Label1",
     -1,
     LabelText::Fixed,
     L"About Programmer",
     {1320, 120, 4335, 615},
     {L"Impact", 2175, false, false},
     Rgb{0x80, 0x80, 0x00},
     4,
     ClickAction::Nothing},
}};

// Under the labels. The banner is wider than the window: its right edge is cut off.
inline constexpr std::array<PictureSpec, 2> kfrmAboutProgrammerPictures{{
    {L"Image2", IDR_ABOUT_BANNER_GIF, 468, 60, {0, 0, 6735, 735}, ClickAction::Nothing},
    {L"Image1",
     IDR_ABOUT_PROGRAMMER_JPEG,
     263,
     310,
     {120, 840, 1905, 2010},
     ClickAction::HideWindow},
}};

inline constexpr LineSpec kfrmAboutProgrammerLine1{
    L"Line1", {2160, 1320}, {6600, 1320}, {0x80, 0x80, 0x00}};

// What a click at a point of the client area (pixels at `dpi`) does: the topmost label or
// picture there decides; the bare background hides the window.
ClickAction frmAboutProgrammerClickAt(int x, int y, int dpi);
