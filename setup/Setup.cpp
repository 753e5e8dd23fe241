#include "setup/Setup.h"

#include <algorithm>
#include <cwchar>
#include <optional>
#include <utility>
#include <vector>

#include "core/Identity.h"
#include "platform/SystemError.h"
#include "setup/LayoutSlot.h"
#include "setup/Transaction.h"
#include "setup/VersionStrings.h"

namespace {

constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr const wchar_t* kRecordLayout = L"Layout";
constexpr const wchar_t* kRecordCreatedKey = L"Created key";

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
  return (!folder.empty() && folder.back() == L'\\') ? folder + name : folder + L'\\' + name;
}

std::wstring LayoutKey(const std::wstring& klid) {
  return std::wstring(kLayoutsKey) + L'\\' + klid;
}

std::wstring InstalledSetup(const SetupEnvironment& environment) {
  return Join(environment.installFolder, L"setup.exe");
}

std::wstring Hex8(std::uint32_t value) {
  wchar_t text[16];
  std::swprintf(text, std::size(text), L"%08x", static_cast<unsigned>(value));
  return text;
}

// The layout DLLs this machine needs, from the distribution beside setup.exe to the system
// folders: the x86 one on 32-bit Windows; on 64-bit Windows the machine's own (x64 or ARM64) in
// System32, for the processes native to it (sign-in, the shell, Settings), and the WOW64 one in
// SysWOW64 for 32-bit programs. None on a processor no DLL of ours is built for.
struct LayoutFile {
  std::wstring source;
  std::wstring destination;
};
std::vector<LayoutFile> LayoutFiles(const SetupEnvironment& e) {
  const std::wstring file = kLayoutFile;
  const wchar_t* native = nullptr;
  switch (e.processor) {
    case Processor::X86:
      return {{Join(e.sourceFolder, L"x86\\" + file), Join(e.systemFolder, file)}};
    case Processor::X64:
      native = L"x64\\";
      break;
    case Processor::Arm64:
      native = L"arm64\\";
      break;
    case Processor::Other:
      return {};
  }
  return {{Join(e.sourceFolder, native + file), Join(e.systemFolder, file)},
          {Join(e.sourceFolder, L"wow64\\" + file), Join(e.wow64Folder, file)}};
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

std::optional<RegValue> ReadIfThere(SetupSystem& system, RegRoot root, const std::wstring& key,
                                    const std::wstring& name) {
  return system.KeyExists(root, key) ? system.ReadValue(root, key, name) : std::nullopt;
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

SetupOutcome Failure(SetupOutcome outcome, const SystemError& error,
                     std::vector<std::wstring> notUndone) {
  outcome.result = SetupResult::Failed;
  outcome.errorNumber = error.Number();
  outcome.errorText = error.Description();
  outcome.errorContext = error.Context();
  outcome.notUndone = std::move(notUndone);
  return outcome;
}

// A file of our name in a system folder that another maker's version resource claims (or none
// does): setup replaces and deletes only its own.
std::optional<SetupOutcome> ForeignLayoutFile(const SetupEnvironment& e, SetupSystem& system,
                                              SetupAction action) {
  for (const auto& file : LayoutFiles(e)) {
    const auto there = system.ReadFile(file.destination);
    if (!there || IsOurLayoutFile(*there)) {
      continue;
    }
    SetupOutcome outcome;
    outcome.result = SetupResult::NotOurFile;
    outcome.action = action;
    outcome.foreignFile = file.destination;
    if (const auto strings = ReadVersionStrings(*there)) {
      for (const wchar_t* name : {L"CompanyName", L"ProductName"}) {
        if (const auto it = strings->find(name); it != strings->end() && !it->second.empty()) {
          outcome.foreignMaker += (outcome.foreignMaker.empty() ? L"" : L", ") + it->second;
        }
      }
    }
    return outcome;
  }
  return std::nullopt;
}

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

// Has Windows run `command` once for every person at their next sign-in: the same command with
// the same Version runs for nobody again; a new command gets a higher Version.
void RegisterPerUserCommand(Transaction& change, SetupSystem& system, const std::wstring& command) {
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

// Takes the layouts out of this account's lists: Preload and Substitutes (read by Windows XP and
// 7, and written by the input service of Windows 7) and the language profile of Windows 8 and
// later. Preload is renumbered so that the person's other layouts keep their order.
void ForgetInLists(Transaction& change, SetupSystem& system,
                   const std::vector<std::wstring>& klids) {
  const auto substitutes = ReadNamedValues(system, RegRoot::User, kSubstitutesKey);
  std::vector<std::wstring> ids = klids;
  std::vector<std::wstring> substituteNames;
  for (const auto& klid : klids) {
    for (const auto& name : SubstitutesFor(substitutes, klid)) {
      ids.push_back(name);
      substituteNames.push_back(name);
    }
  }
  const auto preload = PreloadWithout(ReadNamedValues(system, RegRoot::User, kPreloadKey), ids);
  for (const auto& [name, data] : preload.write) {
    change.SetValue(RegRoot::User, kPreloadKey, name, RegValue::String(data));
  }
  for (const auto& name : preload.remove) {
    change.ClearValue(RegRoot::User, kPreloadKey, name);
  }
  for (const auto& name : substituteNames) {
    change.ClearValue(RegRoot::User, kSubstitutesKey, name);
  }
  for (const auto& language : system.SubKeys(RegRoot::User, kUserProfileKey)) {
    const std::wstring key = std::wstring(kUserProfileKey) + L'\\' + language;
    for (const auto& name : system.ValueNames(RegRoot::User, key)) {
      if (std::any_of(klids.begin(), klids.end(), [&](const std::wstring& klid) {
            return SameText(name, UserProfile(klid));
          })) {
        change.ClearValue(RegRoot::User, key, name);
      }
    }
  }
}

// Whether this account's record or lists name the layout.
bool AccountHasLayout(SetupSystem& system, const std::wstring& klid) {
  const auto record = ReadIfThere(system, RegRoot::User, kUserRecordKey, kRecordLayout);
  if (record && SameText(record->text, klid)) {
    return true;
  }
  const bool substituted =
      !SubstitutesFor(ReadNamedValues(system, RegRoot::User, kSubstitutesKey), klid).empty();
  const auto preload = ReadNamedValues(system, RegRoot::User, kPreloadKey);
  return substituted || std::any_of(preload.begin(), preload.end(), [&](const auto& entry) {
           return SameText(entry.second, klid);
         });
}

struct UserAddition {
  bool added = false;
  std::wstring activateId;  // what makes the layout usable at once: its substitute or KLID
};

UserAddition AddForThisAccount(Transaction& change, SetupSystem& system, const SetupEnvironment& e,
                               const std::wstring& klid) {
  const auto record = ReadIfThere(system, RegRoot::User, kUserRecordKey, kRecordLayout);
  const auto substitutes = ReadNamedValues(system, RegRoot::User, kSubstitutesKey);
  if (record && SameText(record->text, klid)) {
    // Done for this person before: whatever they have changed in their list since stands.
    const auto names = SubstitutesFor(substitutes, klid);
    return {false, names.empty() || e.inputDll ? klid : names.front()};
  }
  UserAddition addition{true, klid};
  if (e.inputDll) {
    const std::wstring profile = UserProfile(klid);
    change.Run(
        L"Urdu Phonetic in your input languages", [&] { system.AddUserLanguage(profile); },
        [&system, klid] {
          system.DisableUserLanguage(UserProfile(klid));
          Transaction forget(system);
          ForgetInLists(forget, system, {klid});
          forget.Commit();
        });
  } else {
    const bool keyExisted = system.KeyExists(RegRoot::User, kSubstitutesKey);
    addition.activateId = ChooseSubstitute(substitutes, klid, kLayoutLanguage);
    change.SetValue(RegRoot::User, kSubstitutesKey, addition.activateId, RegValue::String(klid));
    if (auto entry = PreloadAddition(ReadNamedValues(system, RegRoot::User, kPreloadKey),
                                     addition.activateId)) {
      change.SetValue(RegRoot::User, kPreloadKey, entry->first, RegValue::String(entry->second));
    }
    if (!keyExisted) {
      change.SetValue(RegRoot::User, kUserRecordKey, kRecordCreatedKey,
                      RegValue::String(kSubstitutesKey));
    }
  }
  change.SetValue(RegRoot::User, kUserRecordKey, kRecordLayout, RegValue::String(klid));
  return addition;
}

// `machineKlids`: the layouts of ours the machine still has (none once it is uninstalled, when
// the account's record names what it was given).
void RemoveForThisAccount(Transaction& change, SetupSystem& system, const SetupEnvironment& e,
                          const std::vector<std::wstring>& machineKlids) {
  std::vector<std::wstring> klids = machineKlids;
  const auto recorded = ReadIfThere(system, RegRoot::User, kUserRecordKey, kRecordLayout);
  if (recorded && std::none_of(klids.begin(), klids.end(), [&](const std::wstring& klid) {
        return SameText(klid, recorded->text);
      })) {
    klids.push_back(recorded->text);
  }
  if (e.inputDll) {
    // The service is asked only about a layout Windows still has and this person uses. Its
    // uninstall flag disables the entry; the lists below lose it.
    for (const auto& klid : machineKlids) {
      if (AccountHasLayout(system, klid)) {
        change.Run(
            L"Urdu Phonetic, disabled in your input languages",
            [&] { system.DisableUserLanguage(UserProfile(klid)); },
            [&system, klid] { system.AddUserLanguage(UserProfile(klid)); });
      }
    }
  }
  ForgetInLists(change, system, klids);
  const auto created = ReadIfThere(system, RegRoot::User, kUserRecordKey, kRecordCreatedKey);
  if (created && SameText(created->text, kSubstitutesKey) &&
      system.KeyExists(RegRoot::User, kSubstitutesKey) &&
      system.ValueNames(RegRoot::User, kSubstitutesKey).empty() &&
      system.SubKeys(RegRoot::User, kSubstitutesKey).empty()) {
    change.RemoveKey(RegRoot::User, kSubstitutesKey);
  }
  change.RemoveKey(RegRoot::User, kUserRecordKey);
}

std::wstring LayoutRefusal(std::uint32_t handle, std::uint32_t expected) {
  return L"Windows did not accept the Urdu Phonetic layout: asked to load it, Windows gave back "
         L"the keyboard layout " +
         Hex8(handle) + L" instead of " + Hex8(expected) +
         L", so the layout would not type. The layout file may be damaged or not made for this "
         L"version of Windows.";
}

std::uint32_t ExpectedHandle(const std::wstring& layoutId) {
  const auto id = static_cast<std::uint32_t>(std::wcstoul(layoutId.c_str(), nullptr, 16));
  const auto language = static_cast<std::uint32_t>(std::wcstoul(kLayoutLanguage, nullptr, 16));
  return ((0xF000u | (id & 0x0FFFu)) << 16) | language;
}

}  // namespace

bool IsOurLayoutFile(const Bytes& file) {
  const auto strings = ReadVersionStrings(file);
  const auto says = [&](const wchar_t* name, const wchar_t* expected) {
    const auto it = strings->find(name);
    return it != strings->end() && it->second == expected;
  };
  return strings && says(L"CompanyName", TIUP_WIDE(TIUP_COMPANY_NAME)) &&
         says(L"ProductName", TIUP_WIDE(TIUP_LAYOUT_DESCRIPTION)) &&
         says(L"FileDescription", TIUP_WIDE(TIUP_LAYOUT_DESCRIPTION));
}

bool IsOurLayoutHandle(std::uint32_t handle, const std::wstring& layoutId, bool vistaOrLater) {
  const std::uint32_t expected = ExpectedHandle(layoutId);
  if ((handle & 0xFFFFu) != (expected & 0xFFFFu)) {
    return false;
  }
  // Windows XP documents no rule for the high word; it is at least not the system's own layout
  // for the language.
  return vistaOrLater ? handle == expected : (handle >> 16) != (handle & 0xFFFFu);
}

std::wstring PerUserCommand(const SetupEnvironment& environment, SetupAction action) {
  return L'"' + InstalledSetup(environment) + L"\" /user" +
         (action == SetupAction::Uninstall ? L" /uninstall" : L"") + L" /quiet";
}

SetupOutcome InstallLayout(const SetupEnvironment& environment, SetupSystem& system) {
  SetupOutcome outcome;
  outcome.action = SetupAction::Install;
  outcome.reach = environment.reach;
  if (LayoutFiles(environment).empty()) {
    outcome.result = SetupResult::UnsupportedProcessor;
    outcome.processor = environment.processor;
    return outcome;
  }
  Transaction change(system);
  try {
    // Everything is read and checked before anything is changed: a damaged distribution, or
    // another maker's file in our place, changes nothing.
    const Bytes setupProgram = ReadSource(system, environment.setupPath);
    std::vector<std::pair<std::wstring, Bytes>> layoutFiles;
    std::uint64_t totalBytes = setupProgram.size();
    for (const auto& file : LayoutFiles(environment)) {
      layoutFiles.emplace_back(file.destination, ReadSource(system, file.source));
      totalBytes += layoutFiles.back().second.size();
    }
    if (auto foreign = ForeignLayoutFile(environment, system, SetupAction::Install)) {
      return *foreign;
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

    // Registered is not yet accepted: Windows reads the file itself and may refuse it.
    if (const auto handle = system.LoadLayout(slot.klid)) {
      if (!IsOurLayoutHandle(*handle, slot.layoutId, environment.inputDll)) {
        throw SystemError(kRefused, {}, LayoutRefusal(*handle, ExpectedHandle(slot.layoutId)));
      }
      if (!slot.alreadyRegistered) {
        change.OnRollback(L"the layout, loaded in this session until you sign out",
                          [&system, loaded = *handle] { system.UnloadLayout(loaded); });
      }
    } else {
      outcome.layoutChecked = false;
    }

    UserAddition user;
    if (environment.reach == UserReach::ThisAccount) {
      user = AddForThisAccount(change, system, environment, slot.klid);
    }
    RegisterPerUserCommand(change, system, PerUserCommand(environment, SetupAction::Install));

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
    if (user.added) {
      system.ActivateLayout(user.activateId);
    }
    outcome.result = changed ? SetupResult::Installed : SetupResult::AlreadyInstalled;
    outcome.klid = slot.klid;
    outcome.addedForThisAccount = user.added;
    outcome.restartNeeded = change.RestartNeeded();
    outcome.leftBehind = change.LeftBehind();
    return outcome;
  } catch (const SystemError& error) {
    return Failure(outcome, error, change.Rollback());
  }
}

SetupOutcome UninstallLayout(const SetupEnvironment& environment, SetupSystem& system) {
  SetupOutcome outcome;
  outcome.action = SetupAction::Uninstall;
  outcome.reach = environment.reach;
  Transaction change(system);
  try {
    if (auto foreign = ForeignLayoutFile(environment, system, SetupAction::Uninstall)) {
      return *foreign;
    }
    const auto layouts = RegisteredLayouts(system);
    const auto klids = LayoutsUsingFile(layouts, kLayoutFile);

    // The person at the desktop first, while Windows still knows the layout.
    if (environment.reach == UserReach::ThisAccount) {
      RemoveForThisAccount(change, system, environment, klids);
    }
    for (const auto& klid : klids) {
      change.RemoveKey(RegRoot::Machine, LayoutKey(klid));
    }
    change.RemoveKey(RegRoot::Machine, kUninstallKey);
    for (const auto& file : LayoutFiles(environment)) {
      change.RemoveFile(file.destination);
    }

    // Everyone else loses the layout the way they got it: at their next sign-in, by the copy of
    // setup kept for that. With nobody else on this computer, nothing of ours stays.
    const bool othersToReach =
        environment.otherAccounts &&
        (!klids.empty() || system.KeyExists(RegRoot::Machine, kActiveSetupKey));
    if (othersToReach) {
      if (!system.ReadFile(InstalledSetup(environment))) {
        change.EnsureFolder(environment.installFolder);
        change.PutFile(InstalledSetup(environment), ReadSource(system, environment.setupPath));
      }
      RegisterPerUserCommand(change, system, PerUserCommand(environment, SetupAction::Uninstall));
      outcome.keptForOthers = environment.installFolder;
    } else {
      change.RemoveKey(RegRoot::Machine, kActiveSetupKey);
      // When Apps & features started the copy in our folder, that copy is running: it and the
      // folder go at the next restart.
      change.RemoveFile(InstalledSetup(environment));
      change.RemoveFolderOnCommit(environment.installFolder);
    }

    const bool changed = change.Changed();
    change.Commit();
    for (const auto& layout : layouts) {
      if (SameText(layout.layoutFile, kLayoutFile)) {
        system.ReleaseLayout(layout.layoutId);
      }
    }
    outcome.result = changed ? SetupResult::Uninstalled : SetupResult::NotInstalled;
    outcome.restartNeeded = change.RestartNeeded();
    outcome.leftBehind = change.LeftBehind();
    outcome.klid = klids.empty() ? std::wstring{} : klids.front();
    return outcome;
  } catch (const SystemError& error) {
    return Failure(outcome, error, change.Rollback());
  }
}

SetupOutcome InstallForThisAccount(const SetupEnvironment& environment, SetupSystem& system) {
  SetupOutcome outcome;
  outcome.action = SetupAction::Install;
  outcome.forUser = true;
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
  SetupOutcome outcome;
  outcome.action = SetupAction::Uninstall;
  outcome.forUser = true;
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
