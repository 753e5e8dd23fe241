#include "setup/SetupMessages.h"

namespace {

constexpr const wchar_t* kUsage =
    L"Usage: setup.exe [/uninstall] [/quiet]\n\n"
    L"(no arguments)\tinstall the Urdu Phonetic keyboard layout\n"
    L"/uninstall\tremove it again\n"
    L"/quiet\t\tshow no window; the exit code tells what happened:\n"
    L"\t\t0 done, 87 bad arguments, 1603 failed (nothing changed),\n"
    L"\t\t3010 removed, restart Windows to finish";

// Why it failed, in words a user can act on.
std::wstring Cause(const SetupOutcome& outcome) {
  const std::wstring what = outcome.errorContext.empty() ? L"A change" : outcome.errorContext;
  switch (outcome.errorNumber) {
    case 2:  // ERROR_FILE_NOT_FOUND
    case 3:  // ERROR_PATH_NOT_FOUND
      return L"Setup could not find " + what +
             L". Unpack the whole download again and run setup from it.";
    case 5:  // ERROR_ACCESS_DENIED
      return L"Windows did not allow setup to change " + what + L". Run setup as an administrator.";
    case 32:  // ERROR_SHARING_VIOLATION
    case 33:  // ERROR_LOCK_VIOLATION
      return L"Another program is using " + what +
             L". Close other programs (or restart Windows) and run setup again.";
    default:
      return L"Setup failed on " + what + L": " + outcome.errorText + L" (error " +
             std::to_wstring(outcome.errorNumber) + L").";
  }
}

}  // namespace

std::wstring SetupMessage(const SetupOutcome& outcome) {
  switch (outcome.result) {
    case SetupResult::Installed:
      return L"The Urdu Phonetic keyboard layout is installed.\n\n"
             L"Setup copied the layout file kbdurph.dll into the Windows system folder, "
             L"registered the layout for this computer, added it to your input languages and "
             L"added \"Urdu Phonetic Keyboard Layout\" to the installed programs, where you can "
             L"remove it again.\n\nChoose \"Urdu Phonetic\" from the language bar to type Urdu.";
    case SetupResult::AlreadyInstalled:
      return L"The Urdu Phonetic keyboard layout is already installed. Nothing was changed.\n\n"
             L"Choose \"Urdu Phonetic\" from the language bar to type Urdu.";
    case SetupResult::Uninstalled:
      return outcome.restartNeeded
                 ? L"The Urdu Phonetic keyboard layout was removed. Some of its files are in use; "
                   L"Windows deletes them when it restarts."
                 : L"The Urdu Phonetic keyboard layout was removed.";
    case SetupResult::NotInstalled:
      return L"The Urdu Phonetic keyboard layout is not installed. Nothing was changed.";
    case SetupResult::BadArguments:
      return L"Setup does not understand \"" + outcome.badArgument +
             L"\". Nothing was changed.\n\n" + kUsage;
    case SetupResult::Usage:
      return kUsage;
    case SetupResult::Failed:
      break;
  }
  const std::wstring verb = outcome.action == SetupAction::Uninstall ? L"removed" : L"installed";
  const std::wstring after =
      outcome.undoFailures == 0
          ? L"Nothing was changed."
          : L"Setup could not undo " + std::to_wstring(outcome.undoFailures) +
                L" of its changes; run setup again, or run it with /uninstall.";
  return L"The Urdu Phonetic keyboard layout could not be " + verb + L".\n\n" + Cause(outcome) +
         L"\n\n" + after;
}

int SetupExitCode(const SetupOutcome& outcome) {
  switch (outcome.result) {
    case SetupResult::Installed:
    case SetupResult::AlreadyInstalled:
    case SetupResult::NotInstalled:
    case SetupResult::Usage:
      return kExitSuccess;
    case SetupResult::Uninstalled:
      return outcome.restartNeeded ? kExitRestartNeeded : kExitSuccess;
    case SetupResult::BadArguments:
      return kExitBadArguments;
    case SetupResult::Failed:
      break;
  }
  return kExitFailed;
}

bool SetupMessageIsWarning(const SetupOutcome& outcome) {
  return outcome.result == SetupResult::Failed || outcome.result == SetupResult::BadArguments;
}
