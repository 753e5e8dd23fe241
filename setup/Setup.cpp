#include "setup/Setup.h"

#include <numeric>
#include <utility>
#include <vector>

#include "platform/SystemError.h"
#include "setup/AccountLanguages.h"
#include "setup/AppsAndFeatures.h"
#include "setup/LayoutSlot.h"
#include "setup/MachineLayout.h"
#include "setup/SignInCommand.h"
#include "setup/SystemReads.h"
#include "setup/Transaction.h"

namespace {

SetupOutcome Begin(SetupAction action, bool forUser, UserReach reach) {
  SetupOutcome outcome;
  outcome.action = action;
  outcome.forUser = forUser;
  outcome.reach = reach;
  return outcome;
}

SetupOutcome Finished(SetupOutcome outcome, SetupResult result, const Transaction& change) {
  outcome.result = result;
  outcome.restartNeeded = change.RestartNeeded();
  outcome.leftBehind = change.LeftBehind();
  return outcome;
}

SetupOutcome Failure(SetupOutcome outcome, const SystemError& error,
                     std::vector<std::wstring> notUndone) {
  outcome.result = SetupResult::Failed;
  outcome.errorNumber = error.Number();
  outcome.errorText = error.Description();
  outcome.errorContext = error.Context();
  outcome.notUndone = std::move(notUndone);
  return outcome;
}

SetupOutcome NotOurFile(SetupOutcome outcome, ForeignFile foreign) {
  outcome.result = SetupResult::NotOurFile;
  outcome.foreignFile = std::move(foreign.path);
  outcome.foreignMaker = std::move(foreign.maker);
  return outcome;
}

std::uint64_t TotalSize(const Bytes& setupProgram, const std::vector<LayoutFileCopy>& files) {
  return std::accumulate(
      files.begin(), files.end(), std::uint64_t{setupProgram.size()},
      [](std::uint64_t total, const LayoutFileCopy& file) { return total + file.bytes.size(); });
}

}  // namespace

SetupOutcome InstallLayout(const SetupEnvironment& environment, SetupSystem& system) {
  SetupOutcome outcome = Begin(SetupAction::Install, false, environment.reach);
  if (!HasLayoutFor(environment.processor)) {
    outcome.result = SetupResult::UnsupportedProcessor;
    outcome.processor = environment.processor;
    return outcome;
  }
  Transaction change(system);
  try {
    // Everything is read and checked before anything is changed: a damaged distribution, or
    // another maker's file in our place, changes nothing.
    const Bytes setupProgram = ReadRequiredFile(system, environment.setupPath);
    const auto layoutFiles = ReadLayoutFiles(system, environment);
    if (auto foreign = FindForeignLayoutFile(system, environment)) {
      return NotOurFile(outcome, std::move(*foreign));
    }
    const LayoutSlot slot =
        ChooseLayoutSlot(RegisteredLayouts(system), kLayoutFile, kLayoutLanguage);

    KeepSetupCopy(change, environment, setupProgram);
    PutLayoutFiles(change, layoutFiles);
    RegisterLayout(change, slot);
    outcome.layoutChecked = CheckWindowsLoadsLayout(change, system, slot, environment.inputDll);
    UserAddition user;
    if (environment.reach == UserReach::ThisAccount) {
      user = AddForThisAccount(change, system, environment, slot.klid);
    }
    RegisterPerUserCommand(change, system, environment, SetupAction::Install);
    RegisterUninstallEntry(change, environment, TotalSize(setupProgram, layoutFiles));

    const bool changed = change.Changed();
    change.Commit();
    if (user.added) {
      system.ActivateLayout(user.activateId);
    }
    outcome.klid = slot.klid;
    outcome.addedForThisAccount = user.added;
    return Finished(outcome, changed ? SetupResult::Installed : SetupResult::AlreadyInstalled,
                    change);
  } catch (const SystemError& error) {
    return Failure(outcome, error, change.Rollback());
  }
}

SetupOutcome UninstallLayout(const SetupEnvironment& environment, SetupSystem& system) {
  SetupOutcome outcome = Begin(SetupAction::Uninstall, false, environment.reach);
  Transaction change(system);
  try {
    if (auto foreign = FindForeignLayoutFile(system, environment)) {
      return NotOurFile(outcome, std::move(*foreign));
    }
    const auto layouts = RegisteredLayouts(system);
    const auto klids = LayoutsUsingFile(layouts, kLayoutFile);

    // The person at the desktop first, while Windows still knows the layout.
    if (environment.reach == UserReach::ThisAccount) {
      RemoveForThisAccount(change, system, environment, klids);
    }
    UnregisterLayouts(change, klids);
    RemoveUninstallEntry(change);
    RemoveLayoutFiles(change, environment);

    // Everyone else loses the layout the way they got it: at their next sign-in, by the copy of
    // setup kept for that. With nobody else on this computer, nothing of ours stays.
    if (environment.otherAccounts && (!klids.empty() || HasPerUserCommand(system))) {
      if (!system.FileContents(InstalledSetup(environment))) {
        KeepSetupCopy(change, environment, ReadRequiredFile(system, environment.setupPath));
      }
      RegisterPerUserCommand(change, system, environment, SetupAction::Uninstall);
      outcome.keptForOthers = environment.installFolder;
    } else {
      RemovePerUserCommand(change);
      RemoveSetupCopy(change, environment);
    }

    const bool changed = change.Changed();
    change.Commit();
    ReleaseLayouts(system, layouts);
    outcome.klid = klids.empty() ? std::wstring{} : klids.front();
    return Finished(outcome, changed ? SetupResult::Uninstalled : SetupResult::NotInstalled,
                    change);
  } catch (const SystemError& error) {
    return Failure(outcome, error, change.Rollback());
  }
}

SetupOutcome InstallForThisAccount(const SetupEnvironment& environment, SetupSystem& system) {
  SetupOutcome outcome = Begin(SetupAction::Install, true, UserReach::ThisAccount);
  Transaction change(system);
  try {
    const auto klids = LayoutsUsingFile(RegisteredLayouts(system), kLayoutFile);
    if (klids.empty()) {
      outcome.result = SetupResult::NotInstalled;
      return outcome;
    }
    const UserAddition user = AddForThisAccount(change, system, environment, klids.front());
    change.Commit();
    if (user.added) {
      system.ActivateLayout(user.activateId);
    }
    outcome.result = user.added ? SetupResult::Installed : SetupResult::AlreadyInstalled;
    outcome.addedForThisAccount = user.added;
    outcome.klid = klids.front();
    return outcome;
  } catch (const SystemError& error) {
    return Failure(outcome, error, change.Rollback());
  }
}

SetupOutcome UninstallForThisAccount(const SetupEnvironment& environment, SetupSystem& system) {
  SetupOutcome outcome = Begin(SetupAction::Uninstall, true, UserReach::ThisAccount);
  Transaction change(system);
  try {
    RemoveForThisAccount(change, system, environment,
                         LayoutsUsingFile(RegisteredLayouts(system), kLayoutFile));
    const bool changed = change.Changed();
    change.Commit();
    outcome.result = changed ? SetupResult::Uninstalled : SetupResult::NotInstalled;
    return outcome;
  } catch (const SystemError& error) {
    return Failure(outcome, error, change.Rollback());
  }
}

SetupOutcome RunSetup(const SetupArguments& arguments, const SetupEnvironment& environment,
                      SetupSystem& system) {
  if (!arguments.unknown.empty()) {
    SetupOutcome outcome;
    outcome.result = SetupResult::BadArguments;
    outcome.badArgument = arguments.unknown;
    return outcome;
  }
  switch (arguments.action) {
    case SetupAction::Usage: {
      SetupOutcome outcome;
      outcome.result = SetupResult::Usage;
      outcome.action = SetupAction::Usage;
      return outcome;
    }
    case SetupAction::Uninstall:
      return arguments.forUser ? UninstallForThisAccount(environment, system)
                               : UninstallLayout(environment, system);
    case SetupAction::Install:
      break;
  }
  return arguments.forUser ? InstallForThisAccount(environment, system)
                           : InstallLayout(environment, system);
}
