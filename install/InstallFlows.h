#pragma once

#include <string>
#include <string_view>

#include "install/InstallSystem.h"

// The two install flows and the font copier they share, step by step, on whatever system they
// are given.

inline constexpr std::wstring_view kInsertCdPrompt =
    L"Insert Windows XP (Service Pack - II) CD in your CD/DVD-ROM and click on yes button.";
inline constexpr std::wstring_view kInstalledMessage = L"Urdu Phonetic Keyboard Installed.";
inline constexpr std::wstring_view kCopyFailedMessage = L"There was a problem copying the Drawings";
inline constexpr unsigned kCodeOk = 0;                 // OK only, no icon
inline constexpr unsigned kCodeInformation = 64;       // OK, information icon
inline constexpr unsigned kCodeYesNoInformation = 68;  // Yes and No, information icon
inline constexpr int kAnswerYes = 6;

// The font copier (CopyFonts) both flows run once the layout's setup is started, on the system
// given: installs every font of "urdu fonts" in the Fonts folder (a font already there byte for
// byte is not copied again) and registers it. Any failure stops the copy, says so and ends the
// program; fonts done before stay installed.
void CopyFontsWith(InstallSystem& system);

// Windows 7: starts the layout's setup, installs the fonts, confirms.
void Windows7Flow(InstallSystem& system, std::wstring_view mainCaption);

// Windows XP: asks for the CD; on Yes writes and starts the language-support script, starts
// the layout's setup, installs the fonts, confirms.
void WindowsXpFlow(InstallSystem& system, std::wstring_view mainCaption,
                   const std::wstring& installScript);
