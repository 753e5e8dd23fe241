#pragma once

#include <cstdint>
#include <string>

#include "setup/SetupArguments.h"
#include "setup/SetupSystem.h"

// What the layout's setup program installs, where, and under which names.
inline constexpr const wchar_t* kLayoutFile = L"kbdurph.dll";
inline constexpr const wchar_t* kLayoutLanguage = L"0420";  // Urdu
inline constexpr const wchar_t* kLayoutText = L"Urdu Phonetic";
inline constexpr const wchar_t* kLayoutDisplayName = L"@%SystemRoot%\\system32\\kbdurph.dll,-1000";
inline constexpr const wchar_t* kLayoutsKey =
    L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts";
inline constexpr const wchar_t* kPreloadKey = L"Keyboard Layout\\Preload";
inline constexpr const wchar_t* kSubstitutesKey = L"Keyboard Layout\\Substitutes";
inline constexpr const wchar_t* kUninstallKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TamlorixUrduPhoneticKeyboard";
inline constexpr const wchar_t* kUninstallDisplayName = L"Urdu Phonetic Keyboard Layout";
inline constexpr const wchar_t* kPublisher = L"Tamlorix Corporation";
// Our folder under Program Files, which keeps a copy of setup.exe for Apps & features.
inline constexpr const wchar_t* kInstallFolderName = L"Tamlorix Urdu Phonetic Keyboard";

// The machine as the Win32 half finds it.
struct SetupEnvironment {
  bool windows64 = false;
  std::wstring systemFolder;   // the real System32
  std::wstring wow64Folder;    // SysWOW64; 64-bit Windows only
  std::wstring sourceFolder;   // the folder of the running setup.exe: x86\, x64\, wow64\ below it
  std::wstring setupPath;      // the running setup.exe
  std::wstring installFolder;  // Program Files\<kInstallFolderName>
  bool inputDll = false;       // the system manages input languages itself (Windows 8 and later)
};

enum class SetupResult {
  Installed,
  AlreadyInstalled,
  Uninstalled,
  NotInstalled,
  Failed,
  BadArguments,
  Usage
};

struct SetupOutcome {
  SetupResult result = SetupResult::Failed;
  SetupAction action = SetupAction::Install;
  bool restartNeeded = false;
  std::wstring klid;
  // Failed: the system's error and what it concerned; how many undo steps failed as well.
  std::uint32_t errorNumber = 0;
  std::wstring errorText;
  std::wstring errorContext;
  int undoFailures = 0;
  // BadArguments: the argument not understood.
  std::wstring badArgument;
};

SetupOutcome RunSetup(const SetupArguments& arguments, const SetupEnvironment& environment,
                      SetupSystem& system);
SetupOutcome InstallLayout(const SetupEnvironment& environment, SetupSystem& system);
SetupOutcome UninstallLayout(const SetupEnvironment& environment, SetupSystem& system);
