#include "setup/AppsAndFeatures.h"

#include "core/Identity.h"
#include "setup/SetupNames.h"

void KeepSetupCopy(Transaction& change, const SetupEnvironment& environment,
                   const Bytes& setupProgram) {
  change.EnsureFolder(environment.installFolder);
  change.PutFile(InstalledSetup(environment), setupProgram);
}

void RemoveSetupCopy(Transaction& change, const SetupEnvironment& environment) {
  change.RemoveFile(InstalledSetup(environment));
  change.RemoveFolderOnCommit(environment.installFolder);
}

void RegisterUninstallEntry(Transaction& change, const SetupEnvironment& environment,
                            std::uint64_t totalBytes) {
  const std::wstring setupCommand = L'"' + InstalledSetup(environment) + L"\" /uninstall";
  change.SetValue(RegRoot::Machine, kUninstallKey, L"DisplayName",
                  RegValue::String(kUninstallDisplayName));
  change.SetValue(RegRoot::Machine, kUninstallKey, L"DisplayVersion",
                  RegValue::String(TIUP_WIDE(TIUP_VERSION_STRING)));
  change.SetValue(RegRoot::Machine, kUninstallKey, L"Publisher", RegValue::String(kPublisher));
  change.SetValue(RegRoot::Machine, kUninstallKey, L"DisplayIcon",
                  RegValue::String(InstalledSetup(environment) + L",0"));
  change.SetValue(RegRoot::Machine, kUninstallKey, L"InstallLocation",
                  RegValue::String(environment.installFolder));
  change.SetValue(RegRoot::Machine, kUninstallKey, L"UninstallString",
                  RegValue::String(setupCommand));
  change.SetValue(RegRoot::Machine, kUninstallKey, L"QuietUninstallString",
                  RegValue::String(setupCommand + L" /quiet"));
  change.SetValue(RegRoot::Machine, kUninstallKey, L"EstimatedSize",
                  RegValue::Number(static_cast<std::uint32_t>((totalBytes + 1023) / 1024)));
  change.SetValue(RegRoot::Machine, kUninstallKey, L"NoModify", RegValue::Number(1));
  change.SetValue(RegRoot::Machine, kUninstallKey, L"NoRepair", RegValue::Number(1));
}

void RemoveUninstallEntry(Transaction& change) {
  change.RemoveKey(RegRoot::Machine, kUninstallKey);
}
