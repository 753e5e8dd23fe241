#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "setup/SetupArguments.h"
#include "setup/SetupEnvironment.h"
#include "setup/SetupNames.h"
#include "setup/SetupSystem.h"

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

// What setup does, step by step: each step lives in the file its name says (MachineLayout,
// AccountLanguages, SignInCommand, AppsAndFeatures).
SetupOutcome RunSetup(const SetupArguments& arguments, const SetupEnvironment& environment,
                      SetupSystem& system);
SetupOutcome InstallLayout(const SetupEnvironment& environment, SetupSystem& system);
SetupOutcome UninstallLayout(const SetupEnvironment& environment, SetupSystem& system);
// The /user runs: this account's input languages only; nothing of the machine's.
SetupOutcome InstallForThisAccount(const SetupEnvironment& environment, SetupSystem& system);
SetupOutcome UninstallForThisAccount(const SetupEnvironment& environment, SetupSystem& system);
