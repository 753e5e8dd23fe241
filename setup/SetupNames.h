#pragma once

#include "core/Identity.h"

// What the layout's setup program installs, where, and under which names.
inline constexpr const wchar_t* kLayoutFile = TIUP_WIDE(TIUP_LAYOUT_FILE_NAME);
inline constexpr const wchar_t* kLayoutLanguage = L"0420";  // Urdu
inline constexpr const wchar_t* kLayoutText = TIUP_WIDE(TIUP_LAYOUT_DISPLAY_NAME);
inline constexpr const wchar_t* kLayoutDisplayName = L"@%SystemRoot%\\system32\\" TIUP_WIDE(
    TIUP_LAYOUT_FILE_NAME) L",-" TIUP_WIDE(TIUP_TEXT(TIUP_LAYOUT_DISPLAY_NAME_ID));
inline constexpr const wchar_t* kLayoutsKey =
    L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts";
inline constexpr const wchar_t* kPreloadKey = L"Keyboard Layout\\Preload";
inline constexpr const wchar_t* kSubstitutesKey = L"Keyboard Layout\\Substitutes";
// Where Windows 8 and later keep a person's languages and their layouts ("0420:a0000420").
inline constexpr const wchar_t* kUserProfileKey = L"Control Panel\\International\\User Profile";
inline constexpr const wchar_t* kUninstallKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TamlorixUrduPhoneticKeyboard";
// Windows runs StubPath once for each person at sign-in, whenever Version has grown.
inline constexpr const wchar_t* kActiveSetupKey =
    L"SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\TamlorixUrduPhoneticKeyboard";
// What setup did for one person: the layout it added ("Layout") and a key it had to create
// ("Created key"), so that taking the layout away again leaves their keys as they were.
inline constexpr const wchar_t* kUserRecordKey = L"Software\\Tamlorix Urdu Phonetic Keyboard";
inline constexpr const wchar_t* kUninstallDisplayName = TIUP_WIDE(TIUP_LAYOUT_DESCRIPTION);
inline constexpr const wchar_t* kPublisher = TIUP_WIDE(TIUP_COMPANY_NAME);
// Our folder under Program Files, which keeps a copy of setup.exe for Apps & features.
inline constexpr const wchar_t* kInstallFolderName = L"Tamlorix Urdu Phonetic Keyboard";
