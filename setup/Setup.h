#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Identity.h"
#include "setup/SetupArguments.h"
#include "setup/SetupSystem.h"

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

// The machine's own processor (not the one this program is built for).
enum class Processor { X86, X64, Arm64, Other };

// How the person at the desktop gets the layout in their input languages.
enum class UserReach {
  ThisAccount,  // setup runs as that person: it adds the layout itself
  DesktopUser,  // another account elevated setup: that person's own "setup /user" is started
  NextSignIn,   // setup runs as a service (a deployment tool): Windows does it at sign-in
};

// The machine as the Win32 half finds it.
struct SetupEnvironment {
  Processor processor = Processor::X64;
  std::wstring systemFolder;   // the real System32
  std::wstring wow64Folder;    // SysWOW64; 64-bit Windows only
  std::wstring sourceFolder;   // the folder of the running setup.exe: x86\, x64\, wow64\ below it
  std::wstring setupPath;      // the running setup.exe
  std::wstring installFolder;  // Program Files\<kInstallFolderName>
  // The system manages input languages itself: input.dll, Windows Vista and later. Windows XP
  // has no input.dll and reads the Preload and Substitutes keys.
  bool inputDll = false;
  UserReach reach = UserReach::ThisAccount;
  // Other people have accounts on this computer (profiles besides this one and the desktop's).
  bool otherAccounts = false;
};

enum class SetupResult {
  Installed,
  AlreadyInstalled,
  Uninstalled,
  NotInstalled,
  Failed,
  NotOurFile,            // a file of ours' name that belongs to someone else; nothing changed
  UnsupportedProcessor,  // no layout DLL of ours for it (ARM32, IA-64, ...); nothing changed
  BadArguments,
  Usage
};

struct SetupOutcome {
  SetupResult result = SetupResult::Failed;
  SetupAction action = SetupAction::Install;
  bool forUser = false;  // the /user run: one person's input languages only
  bool restartNeeded = false;
  std::wstring klid;
  bool addedForThisAccount = false;  // the layout went into this account's input languages
  UserReach reach = UserReach::ThisAccount;
  // Uninstalled: other people lose the layout at their next sign-in, through the copy of setup
  // kept for that (its folder).
  std::wstring keptForOthers;
  // False where the system cannot load layouts (Wine), so Windows was not asked.
  bool layoutChecked = true;
  // Failed: the system's error and what it concerned; what could not be undone, if anything.
  std::uint32_t errorNumber = 0;
  std::wstring errorText;
  std::wstring errorContext;
  std::vector<std::wstring> notUndone;
  // Done, but these could not be removed even at a restart.
  std::vector<std::wstring> leftBehind;
  // BadArguments: the argument not understood.
  std::wstring badArgument;
  // NotOurFile: the file, and who made it by its version resource (empty: nobody says).
  std::wstring foreignFile;
  std::wstring foreignMaker;
  // UnsupportedProcessor
  Processor processor = Processor::X64;
};

// A failure of a step the system refused without an error number of its own; `what` says it in
// a full sentence.
inline constexpr std::uint32_t kRefused = 0;

SetupOutcome RunSetup(const SetupArguments& arguments, const SetupEnvironment& environment,
                      SetupSystem& system);
SetupOutcome InstallLayout(const SetupEnvironment& environment, SetupSystem& system);
SetupOutcome UninstallLayout(const SetupEnvironment& environment, SetupSystem& system);
// The /user runs: this account's input languages only; nothing of the machine's.
SetupOutcome InstallForThisAccount(const SetupEnvironment& environment, SetupSystem& system);
SetupOutcome UninstallForThisAccount(const SetupEnvironment& environment, SetupSystem& system);

// Whether a layout file is ours by its version resource (maker, product, description).
bool IsOurLayoutFile(const Bytes& file);
// Whether the handle Windows gave for our layout is ours: the language in the low word and,
// from Windows Vista on, 0xF000 | "Layout Id" in the high word.
bool IsOurLayoutHandle(std::uint32_t handle, const std::wstring& layoutId, bool vistaOrLater);
// The command Windows runs at each person's sign-in.
std::wstring PerUserCommand(const SetupEnvironment& environment, SetupAction action);
