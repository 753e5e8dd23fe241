#include "setup/SignInCommand.h"

#include <cwchar>
#include <optional>

#include "core/Identity.h"
#include "setup/SetupNames.h"
#include "setup/SystemReads.h"

namespace {

// "<major>,<minor>,<patch>,N" (this setup's version, "1,0,0,N") with N one more than the last
// number of the version given: Active Setup compares the numbers in order, so a later release
// and every new command rank higher.
std::wstring NextVersion(const std::optional<RegValue>& current) {
  unsigned long serial = 0;
  if (current) {
    const auto comma = current->text.rfind(L',');
    serial = std::wcstoul(current->text.c_str() + (comma == std::wstring::npos ? 0 : comma + 1),
                          nullptr, 10);
  }
  return std::to_wstring(TIUP_VERSION_MAJOR) + L',' + std::to_wstring(TIUP_VERSION_MINOR) + L',' +
         std::to_wstring(TIUP_VERSION_PATCH) + L',' + std::to_wstring(serial + 1);
}

// The command Windows runs at each person's sign-in.
std::wstring PerUserCommand(const SetupEnvironment& environment, SetupAction action) {
  return L'"' + InstalledSetup(environment) + L"\" /user" +
         (action == SetupAction::Uninstall ? L" /uninstall" : L"") + L" /quiet";
}

}  // namespace

void RegisterPerUserCommand(Transaction& change, SetupSystem& system,
                            const SetupEnvironment& environment, SetupAction action) {
  const std::wstring command = PerUserCommand(environment, action);
  const auto stub = ReadIfThere(system, RegRoot::Machine, kActiveSetupKey, L"StubPath");
  const auto version = ReadIfThere(system, RegRoot::Machine, kActiveSetupKey, L"Version");
  change.SetValue(RegRoot::Machine, kActiveSetupKey, L"", RegValue::String(kUninstallDisplayName));
  change.SetValue(RegRoot::Machine, kActiveSetupKey, L"StubPath", RegValue::String(command));
  if (!version || !stub || stub->text != command) {
    change.SetValue(RegRoot::Machine, kActiveSetupKey, L"Version",
                    RegValue::String(NextVersion(version)));
  }
  change.SetValue(RegRoot::Machine, kActiveSetupKey, L"IsInstalled", RegValue::Number(1));
}

bool HasPerUserCommand(SetupSystem& system) {
  return system.KeyExists(RegRoot::Machine, kActiveSetupKey);
}

void RemovePerUserCommand(Transaction& change) {
  change.RemoveKey(RegRoot::Machine, kActiveSetupKey);
}
