#include "setup/Setup.h"

#include <utility>
#include <vector>

#include "app/Identity.h"
#include "platform/SystemError.h"
#include "setup/LayoutSlot.h"
#include "setup/Transaction.h"

namespace {

constexpr std::uint32_t kErrorFileNotFound = 2;

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
  return (!folder.empty() && folder.back() == L'\\') ? folder + name : folder + L'\\' + name;
}

std::wstring LayoutKey(const std::wstring& klid) {
  return std::wstring(kLayoutsKey) + L'\\' + klid;
}

std::wstring InstalledSetup(const SetupEnvironment& environment) {
  return Join(environment.installFolder, L"setup.exe");
}

// The layout file variants this Windows needs: source beside setup.exe, destination.
std::vector<std::pair<std::wstring, std::wstring>> LayoutFiles(const SetupEnvironment& e) {
  const std::wstring file = kLayoutFile;
  if (e.windows64) {
    return {{Join(e.sourceFolder, L"x64\\" + file), Join(e.systemFolder, file)},
            {Join(e.sourceFolder, L"wow64\\" + file), Join(e.wow64Folder, file)}};
  }
  return {{Join(e.sourceFolder, L"x86\\" + file), Join(e.systemFolder, file)}};
}

Bytes ReadSource(SetupSystem& system, const std::wstring& path) {
  auto bytes = system.ReadFile(path);
  if (!bytes) {
    throw SystemError(kErrorFileNotFound, L"The file is missing.", L"the file " + path);
  }
  return std::move(*bytes);
}

std::vector<RegisteredLayout> RegisteredLayouts(SetupSystem& system) {
  std::vector<RegisteredLayout> layouts;
  for (const auto& klid : system.SubKeys(RegRoot::Machine, kLayoutsKey)) {
    RegisteredLayout layout{klid, {}, {}};
    if (auto file = system.ReadValue(RegRoot::Machine, LayoutKey(klid), L"Layout File")) {
      layout.layoutFile = file->text;
    }
    if (auto id = system.ReadValue(RegRoot::Machine, LayoutKey(klid), L"Layout Id")) {
      layout.layoutId = id->text;
    }
    layouts.push_back(std::move(layout));
  }
  return layouts;
}

NamedValues ReadNamedValues(SetupSystem& system, RegRoot root, const std::wstring& key) {
  NamedValues values;
  if (!system.KeyExists(root, key)) {
    return values;
  }
  for (const auto& name : system.ValueNames(root, key)) {
    if (auto value = system.ReadValue(root, key, name); value && value->type == RegType::String) {
      values.emplace_back(name, value->text);
    }
  }
  return values;
}

std::wstring UserProfile(const std::wstring& klid) {
  return std::wstring(kLayoutLanguage) + L':' + klid;
}

SetupOutcome Failure(SetupAction action, const SystemError& error, int undoFailures) {
  SetupOutcome outcome;
  outcome.result = SetupResult::Failed;
  outcome.action = action;
  outcome.errorNumber = error.Number();
  outcome.errorText = error.Description();
  outcome.errorContext = error.Context();
  outcome.undoFailures = undoFailures;
  return outcome;
}

}  // namespace

SetupOutcome InstallLayout(const SetupEnvironment& environment, SetupSystem& system) {
  Transaction change(system);
  try {
    // Everything is read before anything is changed: a damaged distribution changes nothing.
    const Bytes setupProgram = ReadSource(system, environment.setupPath);
    std::vector<std::pair<std::wstring, Bytes>> layoutFiles;
    std::uint64_t totalBytes = setupProgram.size();
    for (const auto& [source, destination] : LayoutFiles(environment)) {
      layoutFiles.emplace_back(destination, ReadSource(system, source));
      totalBytes += layoutFiles.back().second.size();
    }
    const LayoutSlot slot =
        ChooseLayoutSlot(RegisteredLayouts(system), kLayoutFile, kLayoutLanguage);

    // The uninstaller's own copy, so that Apps & features works after the distribution is gone.
    change.EnsureFolder(environment.installFolder);
    change.PutFile(InstalledSetup(environment), setupProgram);
    for (const auto& [destination, bytes] : layoutFiles) {
      change.PutFile(destination, bytes);
    }

    const std::wstring key = LayoutKey(slot.klid);
    change.SetValue(RegRoot::Machine, key, L"Layout File", RegValue::String(kLayoutFile));
    change.SetValue(RegRoot::Machine, key, L"Layout Text", RegValue::String(kLayoutText));
    change.SetValue(RegRoot::Machine, key, L"Layout Display Name",
                    RegValue::Expand(kLayoutDisplayName));
    change.SetValue(RegRoot::Machine, key, L"Layout Id", RegValue::String(slot.layoutId));

    std::wstring loadId = slot.klid;
    if (environment.inputDll) {
      // The system's service keeps its own list; it is told only about a new registration, so
      // that a layout the user removed from the list is not forced back by a second run.
      if (!slot.alreadyRegistered) {
        const std::wstring profile = UserProfile(slot.klid);
        change.Run([&] { system.AddUserLanguage(profile); },
                   [&system, profile] { system.RemoveUserLanguage(profile); });
      }
    } else {
      const std::wstring substitute = ChooseSubstitute(
          ReadNamedValues(system, RegRoot::User, kSubstitutesKey), slot.klid, kLayoutLanguage);
      change.SetValue(RegRoot::User, kSubstitutesKey, substitute, RegValue::String(slot.klid));
      if (auto entry =
              PreloadAddition(ReadNamedValues(system, RegRoot::User, kPreloadKey), substitute)) {
        change.SetValue(RegRoot::User, kPreloadKey, entry->first, RegValue::String(entry->second));
      }
      loadId = substitute;
    }

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

    const bool changed = change.Changed();
    change.Commit();
    system.LoadLayout(loadId);

    SetupOutcome outcome;
    outcome.result = changed ? SetupResult::Installed : SetupResult::AlreadyInstalled;
    outcome.action = SetupAction::Install;
    outcome.klid = slot.klid;
    return outcome;
  } catch (const SystemError& error) {
    return Failure(SetupAction::Install, error, change.Rollback());
  }
}

SetupOutcome UninstallLayout(const SetupEnvironment& environment, SetupSystem& system) {
  Transaction change(system);
  try {
    const auto layouts = RegisteredLayouts(system);
    const auto klids = LayoutsUsingFile(layouts, kLayoutFile);

    std::vector<std::wstring> userIds = klids;
    if (environment.inputDll) {
      for (const auto& klid : klids) {
        const std::wstring profile = UserProfile(klid);
        change.Run([&] { system.RemoveUserLanguage(profile); },
                   [&system, profile] { system.AddUserLanguage(profile); });
      }
    } else {
      const auto substitutes = ReadNamedValues(system, RegRoot::User, kSubstitutesKey);
      for (const auto& klid : klids) {
        const auto names = SubstitutesFor(substitutes, klid);
        userIds.insert(userIds.end(), names.begin(), names.end());
      }
      const auto preload =
          PreloadWithout(ReadNamedValues(system, RegRoot::User, kPreloadKey), userIds);
      for (const auto& [name, data] : preload.write) {
        change.SetValue(RegRoot::User, kPreloadKey, name, RegValue::String(data));
      }
      for (const auto& name : preload.remove) {
        change.ClearValue(RegRoot::User, kPreloadKey, name);
      }
      for (std::size_t i = klids.size(); i < userIds.size(); ++i) {
        change.ClearValue(RegRoot::User, kSubstitutesKey, userIds[i]);
      }
    }

    for (const auto& klid : klids) {
      change.RemoveKey(RegRoot::Machine, LayoutKey(klid));
    }
    change.RemoveKey(RegRoot::Machine, kUninstallKey);
    for (const auto& [source, destination] : LayoutFiles(environment)) {
      change.RemoveFile(destination);
    }
    // When Apps & features started the copy in our folder, that copy is running: it and the
    // folder go at the next restart.
    change.RemoveFile(InstalledSetup(environment));
    change.RemoveFolder(environment.installFolder);

    const bool changed = change.Changed();
    const bool restartNeeded = change.RestartNeeded();
    change.Commit();
    for (const auto& layout : layouts) {
      if (SameText(layout.layoutFile, kLayoutFile)) {
        system.UnloadLayout(layout.layoutId);
      }
    }

    SetupOutcome outcome;
    outcome.result = changed ? SetupResult::Uninstalled : SetupResult::NotInstalled;
    outcome.action = SetupAction::Uninstall;
    outcome.restartNeeded = restartNeeded;
    outcome.klid = klids.empty() ? std::wstring{} : klids.front();
    return outcome;
  } catch (const SystemError& error) {
    return Failure(SetupAction::Uninstall, error, change.Rollback());
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
      return UninstallLayout(environment, system);
    case SetupAction::Install:
      break;
  }
  return InstallLayout(environment, system);
}
