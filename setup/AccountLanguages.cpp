#include "setup/AccountLanguages.h"

#include <algorithm>

#include "setup/LayoutSlot.h"
#include "setup/SetupNames.h"
#include "setup/SystemReads.h"

namespace {

constexpr const wchar_t* kRecordLayout = L"Layout";
constexpr const wchar_t* kRecordCreatedKey = L"Created key";

std::wstring UserProfile(const std::wstring& klid) {
  return std::wstring(kLayoutLanguage) + L':' + klid;
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

}  // namespace

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
