#pragma once

#include <string>

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

// `name` in `folder`, with one backslash between them.
std::wstring Join(const std::wstring& folder, const std::wstring& name);
// The copy of setup.exe in our folder under Program Files, the one Apps & features and every
// person's sign-in run.
std::wstring InstalledSetup(const SetupEnvironment& environment);
