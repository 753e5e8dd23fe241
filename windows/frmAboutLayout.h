#pragma once

#include <array>

#include "windows/WindowSpecs.h"

// The About window, frmAbout: the product's name, what it installs, a link to the maker's
// website and a note. Only the link does anything.

// The caption is the product's name cut short by one letter, as the window has always shown it.
inline constexpr WindowSpec kfrmAbout{
    L"About Tamlorix Install Urdu Phoneti", 7260, 3150, {0xC0, 0xFF, 0xFF}};

inline constexpr int kfrmAboutLinkId = 3002;

// In tab order; every label is painted on the window's light cyan.
//   id, name, index, text, caption, {Left, Top, Width, Height}, font, colour, tab index, click
inline constexpr std::array<LabelSpec, 4> kfrmAboutLabels{{
    {3001,
     L"lbl",
     3,
     LabelText::WebsiteNote,
     {},
     {120, 2520, 6855, 495},
     {L"MS Sans Serif", 975, true, false},
     Rgb{0x00, 0xC0, 0x00},
     0,
     ClickAction::Nothing},
    {kfrmAboutLinkId,
     L"lblLink",
     -1,
     LabelText::WebsiteHost,
     {},
     {1440, 2040, 4335, 375},
     {L"MS Sans Serif", 1350, false, false},
     Rgb{0x00, 0x00, 0xFF},
     1,
     ClickAction::OpenWebsite},
    {3003,
     L"lbl",
     1,
     LabelText::Fixed,
     L"Installs Urdu Phonetic Keyboard Layout and arabic language to your computer so that you "
     L"may be able to write urdu in your notepad, wordpad and any program even you can rename "
     L"you folders in urdu language.",
     {120, 390, 6855, 1215},
     {L"Times New Roman", 1200, true, false},
     Rgb{0x80, 0x40, 0x00},
     3,
     ClickAction::Nothing},
    {3004,
     L"lbl",
     0,
     LabelText::Fixed,
     L"Tamlorix Install Urdu Phonetic",
     {120, 0, 6615, 495},
     {L"Times New Roman", 1800, true, true},
     Rgb{0xC0, 0x40, 0x00},
     4,
     ClickAction::Nothing},
}};

inline constexpr LineSpec kfrmAboutLine1{L"Line1", {0, 1680}, {7080, 1680}, {0xC0, 0x40, 0x00}};
