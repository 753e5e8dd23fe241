#pragma once

#include <string_view>

// What the programmer's card says about the person who wrote the program: the one place to put
// your own. The card shows each in one line of text; the skills may wrap to a second line.
inline constexpr std::wstring_view kProgrammerName = L"Rashid Tamlori";
inline constexpr std::wstring_view kProgrammerQualification = L"M.Sc. Computer Science";
inline constexpr std::wstring_view kProgrammerSkills =
    L"C++, Visual Basic, Win32, Unicode fonts and keyboard layouts";
// "Contact #. " and the telephone number.
inline constexpr std::wstring_view kProgrammerContact = L"Contact #. +92 300 0000000";
