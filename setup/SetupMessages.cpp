#include "setup/SetupMessages.h"

namespace {

constexpr const wchar_t* kUsage =
    L"Usage: setup.exe [/uninstall] [/user] [/quiet] [/?]\n\n"
    L"(no arguments)\tinstall the Urdu Phonetic keyboard layout for this computer\n"
    L"\t\tand add it to your input languages; everyone else who uses\n"
    L"\t\tthis computer gets it when they next sign in\n"
    L"/uninstall\tremove it again, for everyone\n"
    L"/user\t\tonly add it to your own input languages (with /uninstall:\n"
    L"\t\tonly take it out of them); needs no administrator. Windows\n"
    L"\t\truns this for each person once, when they next sign in\n"
    L"/quiet\t\tshow no window; the exit code tells what happened:\n"
    L"\t\t0 done, 87 bad arguments, 1602 no administrator's approval,\n"
    L"\t\t1603 failed (nothing changed),\n"
    L"\t\t1604 failed and not every change could be undone,\n"
    L"\t\t1633 this computer's processor is not supported,\n"
    L"\t\t3010 done, restart Windows to finish\n"
    L"/?\t\tshow this (also /help)";

std::wstring HowToType() {
  return L"Choose \"" + std::wstring(kLayoutText) + L"\" from the language bar to type Urdu.";
}

std::wstring ProcessorName(Processor processor) {
  switch (processor) {
    case Processor::X86:
      return L"x86";
    case Processor::X64:
      return L"x64";
    case Processor::Arm64:
      return L"ARM64";
    case Processor::Other:
      break;
  }
  return L"not one Windows names";
}

// Why it failed, in words a user can act on.
std::wstring Cause(const SetupOutcome& outcome) {
  std::wstring what = outcome.errorContext.empty() ? L"A change" : outcome.errorContext;
  switch (outcome.errorNumber) {
    case kRefused:
      return what;
    case 2:  // ERROR_FILE_NOT_FOUND
    case 3:  // ERROR_PATH_NOT_FOUND
      return L"Setup could not find " + what +
             L". Unpack the whole download again and run setup from it.";
    case 5:  // ERROR_ACCESS_DENIED
      return L"Windows did not allow setup to change " + what + L". Run setup as an administrator.";
    case 39:   // ERROR_HANDLE_DISK_FULL
    case 112:  // ERROR_DISK_FULL
      return L"There is not enough room on the disk for " + what +
             L". Free some space and run setup again.";
    case 32:  // ERROR_SHARING_VIOLATION
    case 33:  // ERROR_LOCK_VIOLATION
      return L"Another program is using " + what +
             L". Close other programs (or restart Windows) and run setup again.";
    default:
      return L"Setup failed on " + what + L": " + outcome.errorText + L" (error " +
             std::to_wstring(outcome.errorNumber) + L").";
  }
}

std::wstring List(const std::vector<std::wstring>& items) {
  std::wstring text;
  for (const auto& item : items) {
    text += L"\n\x2022 " + item;
  }
  return text;
}

std::wstring Installed(const SetupOutcome& outcome) {
  std::wstring text =
      L"The Urdu Phonetic keyboard layout is installed.\n\nSetup copied the layout file " +
      std::wstring(kLayoutFile) +
      L" into the Windows system folder, registered the layout for this computer, ";
  if (outcome.addedForThisAccount) {
    text += L"added it to your input languages ";
  }
  text += L"and added \"" + std::wstring(kUninstallDisplayName) +
          L"\" to the installed programs, where you can remove it again. ";
  switch (outcome.reach) {
    case UserReach::ThisAccount:
      text += L"Everyone else who uses this computer gets it when they next sign in.";
      break;
    case UserReach::DesktopUser:
      text +=
          L"The person signed in to Windows gets it in a moment, everyone else who uses this "
          L"computer when they next sign in.";
      break;
    case UserReach::NextSignIn:
      text += L"Everyone who uses this computer gets it when they next sign in.";
      break;
  }
  return text;
}

// What the layout check and the clean-up leave to say.
std::wstring Notes(const SetupOutcome& outcome) {
  std::wstring text;
  if (!outcome.layoutChecked) {
    text +=
        L"\n\nThis system cannot load keyboard layouts, so setup could not check that "
        L"Windows accepts this one.";
  }
  if (outcome.restartNeeded) {
    text +=
        L"\n\nSome of the files it replaced or removed are in use; Windows deletes them when "
        L"it restarts.";
  }
  if (!outcome.leftBehind.empty()) {
    text += L"\n\nSetup could not remove these, even at a restart; you can delete them:" +
            List(outcome.leftBehind);
  }
  return text;
}

std::wstring Failed(const SetupOutcome& outcome) {
  std::wstring what;
  if (outcome.action == SetupAction::Usage) {
    what = L"Setup could not start.";
  } else if (outcome.forUser) {
    what = outcome.action == SetupAction::Uninstall
               ? L"Urdu Phonetic could not be taken out of your input languages."
               : L"Urdu Phonetic could not be added to your input languages.";
  } else {
    what = outcome.action == SetupAction::Uninstall
               ? L"The Urdu Phonetic keyboard layout could not be removed."
               : L"The Urdu Phonetic keyboard layout could not be installed.";
  }
  const std::wstring after =
      outcome.notUndone.empty()
          ? L"Nothing was changed."
          : L"Setup could not undo all of its changes. Left as they are now:" +
                List(outcome.notUndone) + L"\n\nRun setup again, or run it with /uninstall.";
  return what + L"\n\n" + Cause(outcome) + L"\n\n" + after;
}

}  // namespace

std::wstring SetupMessage(const SetupOutcome& outcome) {
  switch (outcome.result) {
    case SetupResult::Installed:
      return (outcome.forUser ? L"Urdu Phonetic was added to your input languages."
                              : Installed(outcome)) +
             Notes(outcome) + L"\n\n" + HowToType();
    case SetupResult::AlreadyInstalled:
      return (outcome.forUser
                  ? std::wstring(L"Setup added Urdu Phonetic to your input languages before; "
                                 L"what you changed in them since stands. Nothing was changed.")
                  : std::wstring(L"The Urdu Phonetic keyboard layout is already installed. "
                                 L"Nothing was changed.")) +
             Notes(outcome) + L"\n\n" + HowToType();
    case SetupResult::Uninstalled:
      return (outcome.forUser ? L"Urdu Phonetic was taken out of your input languages."
                              : L"The Urdu Phonetic keyboard layout was removed.") +
             (outcome.keptForOthers.empty()
                  ? std::wstring()
                  : L" Everyone else who uses this computer loses it when they next sign in; "
                    L"for that, setup keeps its own copy in " +
                        outcome.keptForOthers + L".") +
             Notes(outcome);
    case SetupResult::NotInstalled:
      if (outcome.forUser && outcome.action == SetupAction::Install) {
        return L"The Urdu Phonetic keyboard layout is not installed on this computer. Nothing "
               L"was changed.\n\nRun setup without /user, as an administrator, to install it.";
      }
      return outcome.forUser
                 ? L"Urdu Phonetic is not in your input languages. Nothing was changed."
                 : L"The Urdu Phonetic keyboard layout is not installed. Nothing was changed.";
    case SetupResult::NotOurFile:
      return std::wstring(outcome.action == SetupAction::Uninstall
                              ? L"The Urdu Phonetic keyboard layout could not be removed."
                              : L"The Urdu Phonetic keyboard layout could not be installed.") +
             L"\n\nThere is already a file " + outcome.foreignFile +
             L" that is not this layout's: " +
             (outcome.foreignMaker.empty() ? std::wstring(L"it does not say who made it")
                                           : L"it says it is from " + outcome.foreignMaker) +
             L". Setup never replaces or removes another program's file, so it changed "
             L"nothing.\n\nRemove the other keyboard layout first, then run setup again.";
    case SetupResult::UnsupportedProcessor:
      return L"The Urdu Phonetic keyboard layout could not be installed.\n\nThis computer's "
             L"processor (" +
             ProcessorName(outcome.processor) +
             L") is not supported: the layout comes for x86, x64 and ARM64 processors only. Setup "
             L"changed nothing.";
    case SetupResult::BadArguments:
      return L"Setup does not understand \"" + outcome.badArgument +
             L"\". Nothing was changed.\n\n" + kUsage;
    case SetupResult::Usage:
      return kUsage;
    case SetupResult::Failed:
      break;
  }
  return Failed(outcome);
}

int SetupExitCode(const SetupOutcome& outcome) {
  switch (outcome.result) {
    case SetupResult::Installed:
    case SetupResult::AlreadyInstalled:
    case SetupResult::Uninstalled:
      return outcome.restartNeeded ? kExitRestartNeeded : kExitSuccess;
    case SetupResult::NotInstalled:
    case SetupResult::Usage:
      return kExitSuccess;
    case SetupResult::BadArguments:
      return kExitBadArguments;
    case SetupResult::UnsupportedProcessor:
      return kExitUnsupportedProcessor;
    case SetupResult::NotOurFile:
      return kExitFailed;
    case SetupResult::Failed:
      break;
  }
  return outcome.notUndone.empty() ? kExitFailed : kExitNotAllUndone;
}

bool SetupMessageIsWarning(const SetupOutcome& outcome) {
  return outcome.result == SetupResult::Failed || outcome.result == SetupResult::BadArguments ||
         outcome.result == SetupResult::NotOurFile ||
         outcome.result == SetupResult::UnsupportedProcessor;
}
