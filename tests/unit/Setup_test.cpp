#include "setup/Setup.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/SystemError.h"
#include "setup/SetupMessages.h"

namespace {

// A machine in memory: files, folders and a registry, with failures on demand.
class FakeMachine : public SetupSystem {
 public:
  std::map<std::wstring, Bytes> files;
  std::set<std::wstring> folders;
  std::map<std::wstring, std::map<std::wstring, RegValue>> keys;  // "HKLM\..." -> values
  std::set<std::wstring> lockedFiles;   // in use: writes and deletes fail / are deferred
  std::set<std::wstring> readOnlyKeys;  // writes fail with access denied
  std::vector<std::wstring> languages;  // through the system's input-language service
  std::vector<std::wstring> loaded;
  std::vector<std::wstring> pendingDeletes;

  static std::wstring Full(RegRoot root, const std::wstring& key) {
    return (root == RegRoot::Machine ? L"HKLM\\" : L"HKCU\\") + key;
  }
  bool operator==(const FakeMachine& other) const {
    return files == other.files && folders == other.folders && keys == other.keys &&
           languages == other.languages;
  }

  std::optional<Bytes> ReadFile(const std::wstring& path) override {
    auto it = files.find(path);
    return it == files.end() ? std::nullopt : std::optional<Bytes>(it->second);
  }
  void WriteFile(const std::wstring& path, const Bytes& bytes) override {
    if (lockedFiles.count(path)) {
      throw SystemError(32, L"in use", L"the file " + path);
    }
    files[path] = bytes;
  }
  bool DeleteFile(const std::wstring& path) override {
    if (lockedFiles.count(path)) {
      pendingDeletes.push_back(path);
      return false;
    }
    files.erase(path);
    return true;
  }
  bool FolderExists(const std::wstring& path) override { return folders.count(path) != 0; }
  void CreateFolder(const std::wstring& path) override { folders.insert(path); }
  bool RemoveFolder(const std::wstring& path) override {
    for (const auto& [file, bytes] : files) {
      if (file.rfind(path + L'\\', 0) == 0) {
        pendingDeletes.push_back(path);
        return false;
      }
    }
    folders.erase(path);
    return true;
  }
  bool KeyExists(RegRoot root, const std::wstring& key) override {
    return keys.count(Full(root, key)) != 0;
  }
  std::vector<std::wstring> SubKeys(RegRoot root, const std::wstring& key) override {
    std::vector<std::wstring> result;
    const std::wstring prefix = Full(root, key) + L'\\';
    for (const auto& [name, values] : keys) {
      if (name.rfind(prefix, 0) == 0 && name.find(L'\\', prefix.size()) == std::wstring::npos) {
        result.push_back(name.substr(prefix.size()));
      }
    }
    return result;
  }
  std::vector<std::wstring> ValueNames(RegRoot root, const std::wstring& key) override {
    std::vector<std::wstring> result;
    for (const auto& [name, value] : keys.at(Full(root, key))) {
      result.push_back(name);
    }
    return result;
  }
  std::optional<RegValue> ReadValue(RegRoot root, const std::wstring& key,
                                    const std::wstring& name) override {
    auto& values = keys.at(Full(root, key));
    auto it = values.find(name);
    return it == values.end() ? std::nullopt : std::optional<RegValue>(it->second);
  }
  void Writable(RegRoot root, const std::wstring& key) {
    if (readOnlyKeys.count(Full(root, key))) {
      throw SystemError(5, L"denied", L"the registry key " + Full(root, key));
    }
  }
  void WriteValue(RegRoot root, const std::wstring& key, const std::wstring& name,
                  const RegValue& value) override {
    Writable(root, key);
    keys[Full(root, key)][name] = value;
  }
  void DeleteValue(RegRoot root, const std::wstring& key, const std::wstring& name) override {
    Writable(root, key);
    keys.at(Full(root, key)).erase(name);
  }
  void CreateKey(RegRoot root, const std::wstring& key) override { keys[Full(root, key)]; }
  void DeleteKey(RegRoot root, const std::wstring& key) override {
    Writable(root, key);
    ASSERT_TRUE(SubKeys(root, key).empty());
    keys.erase(Full(root, key));
  }
  void AddUserLanguage(const std::wstring& profile) override { languages.push_back(profile); }
  void RemoveUserLanguage(const std::wstring& profile) override { std::erase(languages, profile); }
  void LoadLayout(const std::wstring& id) noexcept override { loaded.push_back(id); }
  void UnloadLayout(const std::wstring& layoutId) noexcept override {
    loaded.push_back(L"unload " + layoutId);
  }
};

const Bytes kX64{'6', '4'};
const Bytes kWow64{'w', 'o', 'w'};
const Bytes kX86{'8', '6'};
const Bytes kSetupExe{'M', 'Z'};
const std::wstring kKl = L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts\\";

SetupEnvironment Environment64() {
  SetupEnvironment e;
  e.windows64 = true;
  e.systemFolder = L"C:\\Windows\\System32";
  e.wow64Folder = L"C:\\Windows\\SysWOW64";
  e.sourceFolder = L"D:\\dist\\lyurdu";
  e.setupPath = L"D:\\dist\\lyurdu\\setup.exe";
  e.installFolder = L"C:\\Program Files\\Tamlorix Urdu Phonetic Keyboard";
  return e;
}

// A machine with the system's own layouts and one user language.
FakeMachine FreshMachine() {
  FakeMachine m;
  m.files[L"D:\\dist\\lyurdu\\setup.exe"] = kSetupExe;
  m.files[L"D:\\dist\\lyurdu\\x64\\kbdurph.dll"] = kX64;
  m.files[L"D:\\dist\\lyurdu\\wow64\\kbdurph.dll"] = kWow64;
  m.files[L"D:\\dist\\lyurdu\\x86\\kbdurph.dll"] = kX86;
  m.folders = {L"C:\\Windows\\System32", L"C:\\Windows\\SysWOW64"};
  m.keys[L"HKLM\\" + kKl + L"00000409"] = {{L"Layout File", RegValue::String(L"KBDUS.DLL")}};
  m.keys[L"HKLM\\" + kKl + L"00000420"] = {{L"Layout File", RegValue::String(L"KBDURDU.DLL")}};
  m.keys[L"HKLM\\" + kKl + L"a0000420"] = {{L"Layout File", RegValue::String(L"kbdx.dll")},
                                           {L"Layout Id", RegValue::String(L"00c4")}};
  m.keys[L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"];
  m.keys[L"HKCU\\Keyboard Layout\\Preload"] = {{L"1", RegValue::String(L"00000409")}};
  m.keys[L"HKCU\\Keyboard Layout\\Substitutes"];
  return m;
}

TEST(SetupInstall, On64BitWindowsPutsBothVariantsAndRegistersEverything) {
  FakeMachine m = FreshMachine();
  const auto outcome = InstallLayout(Environment64(), m);
  ASSERT_EQ(outcome.result, SetupResult::Installed) << SetupMessage(outcome);
  EXPECT_EQ(SetupExitCode(outcome), kExitSuccess);
  EXPECT_EQ(m.files[L"C:\\Windows\\System32\\kbdurph.dll"], kX64);
  EXPECT_EQ(m.files[L"C:\\Windows\\SysWOW64\\kbdurph.dll"], kWow64);
  EXPECT_EQ(m.files[L"C:\\Program Files\\Tamlorix Urdu Phonetic Keyboard\\setup.exe"], kSetupExe);

  EXPECT_EQ(outcome.klid, L"a0010420");
  const auto& layout = m.keys[L"HKLM\\" + kKl + L"a0010420"];
  EXPECT_EQ(layout.at(L"Layout File"), RegValue::String(L"kbdurph.dll"));
  EXPECT_EQ(layout.at(L"Layout Text"), RegValue::String(L"Urdu Phonetic"));
  EXPECT_EQ(layout.at(L"Layout Display Name"),
            RegValue::Expand(L"@%SystemRoot%\\system32\\kbdurph.dll,-1000"));
  EXPECT_EQ(layout.at(L"Layout Id"), RegValue::String(L"00c5"));

  EXPECT_EQ(m.keys[L"HKCU\\Keyboard Layout\\Substitutes"].at(L"d0010420"),
            RegValue::String(L"a0010420"));
  EXPECT_EQ(m.keys[L"HKCU\\Keyboard Layout\\Preload"].at(L"2"), RegValue::String(L"d0010420"));
  EXPECT_EQ(m.loaded, std::vector<std::wstring>{L"d0010420"});

  const auto& entry = m.keys[L"HKLM\\" + std::wstring(kUninstallKey)];
  const std::wstring setup = L"\"C:\\Program Files\\Tamlorix Urdu Phonetic Keyboard\\setup.exe\"";
  EXPECT_EQ(entry.at(L"UninstallString"), RegValue::String(setup + L" /uninstall"));
  EXPECT_EQ(entry.at(L"QuietUninstallString"), RegValue::String(setup + L" /uninstall /quiet"));
  EXPECT_EQ(entry.at(L"Publisher"), RegValue::String(L"Tamlorix Corporation"));
  EXPECT_EQ(entry.at(L"DisplayName"), RegValue::String(L"Urdu Phonetic Keyboard Layout"));
  EXPECT_EQ(entry.at(L"EstimatedSize"), RegValue::Number(1));
  EXPECT_EQ(entry.at(L"NoModify"), RegValue::Number(1));
  EXPECT_EQ(entry.at(L"NoRepair"), RegValue::Number(1));
}

TEST(SetupInstall, On32BitWindowsPutsOnlyTheX86Variant) {
  FakeMachine m = FreshMachine();
  auto e = Environment64();
  e.windows64 = false;
  m.files.erase(L"D:\\dist\\lyurdu\\wow64\\kbdurph.dll");  // not needed there
  ASSERT_EQ(InstallLayout(e, m).result, SetupResult::Installed);
  EXPECT_EQ(m.files[L"C:\\Windows\\System32\\kbdurph.dll"], kX86);
  EXPECT_FALSE(m.files.count(L"C:\\Windows\\SysWOW64\\kbdurph.dll"));
}

TEST(SetupInstall, ASecondRunChangesNothingAndSaysSo) {
  FakeMachine m = FreshMachine();
  ASSERT_EQ(InstallLayout(Environment64(), m).result, SetupResult::Installed);
  const FakeMachine afterFirst = m;
  const auto second = InstallLayout(Environment64(), m);
  EXPECT_EQ(second.result, SetupResult::AlreadyInstalled);
  EXPECT_EQ(second.klid, L"a0010420");
  EXPECT_TRUE(m == afterFirst);
  EXPECT_EQ(SetupExitCode(second), kExitSuccess);
}

TEST(SetupInstall, AMissingDistributionFileChangesNothing) {
  FakeMachine m = FreshMachine();
  m.files.erase(L"D:\\dist\\lyurdu\\wow64\\kbdurph.dll");
  const FakeMachine before = m;
  const auto outcome = InstallLayout(Environment64(), m);
  EXPECT_EQ(outcome.result, SetupResult::Failed);
  EXPECT_TRUE(m == before);
  EXPECT_NE(SetupMessage(outcome).find(L"D:\\dist\\lyurdu\\wow64\\kbdurph.dll"),
            std::wstring::npos);
}

TEST(SetupInstall, AFailurePartWayPutsEveryEarlierChangeBack) {
  // A file in use, and then each key the install writes made read-only in turn: whatever the
  // step that fails, the machine ends as it was.
  std::vector<std::function<void(FakeMachine&)>> failures = {
      [](FakeMachine& m) { m.lockedFiles.insert(L"C:\\Windows\\SysWOW64\\kbdurph.dll"); },
      [](FakeMachine& m) { m.readOnlyKeys.insert(L"HKCU\\Keyboard Layout\\Preload"); },
      [](FakeMachine& m) { m.readOnlyKeys.insert(L"HKLM\\" + std::wstring(kUninstallKey)); },
  };
  for (std::size_t i = 0; i < failures.size(); ++i) {
    FakeMachine m = FreshMachine();
    m.files[L"C:\\Windows\\SysWOW64\\kbdurph.dll"] = {'o', 'l', 'd'};
    const FakeMachine before = m;
    failures[i](m);
    const auto outcome = InstallLayout(Environment64(), m);
    EXPECT_EQ(outcome.result, SetupResult::Failed) << i;
    EXPECT_EQ(outcome.undoFailures, 0) << i;
    EXPECT_TRUE(m == before) << i;
    EXPECT_TRUE(m.loaded.empty()) << i;
    EXPECT_EQ(SetupExitCode(outcome), kExitFailed);
    EXPECT_NE(SetupMessage(outcome).find(L"Nothing was changed."), std::wstring::npos) << i;
  }
}

TEST(SetupUninstall, PutsTheMachineBackExactlyAsBeforeInstall) {
  FakeMachine m = FreshMachine();
  m.keys[L"HKCU\\Keyboard Layout\\Preload"][L"2"] = RegValue::String(L"00000420");
  const FakeMachine before = m;
  ASSERT_EQ(InstallLayout(Environment64(), m).result, SetupResult::Installed);
  const auto outcome = UninstallLayout(Environment64(), m);
  EXPECT_EQ(outcome.result, SetupResult::Uninstalled);
  EXPECT_EQ(SetupExitCode(outcome), kExitSuccess);
  EXPECT_TRUE(m == before);
  EXPECT_EQ(m.loaded.back(), L"unload 00c5");

  const auto again = UninstallLayout(Environment64(), m);
  EXPECT_EQ(again.result, SetupResult::NotInstalled);
  EXPECT_TRUE(m == before);
}

TEST(SetupUninstall, KeepsTheUsersOtherLanguagesInOrder) {
  FakeMachine m = FreshMachine();
  ASSERT_EQ(InstallLayout(Environment64(), m).result, SetupResult::Installed);
  m.keys[L"HKCU\\Keyboard Layout\\Preload"][L"3"] = RegValue::String(L"0000040c");
  ASSERT_EQ(UninstallLayout(Environment64(), m).result, SetupResult::Uninstalled);
  const std::map<std::wstring, RegValue> expected = {{L"1", RegValue::String(L"00000409")},
                                                     {L"2", RegValue::String(L"0000040c")}};
  EXPECT_EQ(m.keys[L"HKCU\\Keyboard Layout\\Preload"], expected);
}

TEST(SetupUninstall, FromTheInstalledCopyLeavesItAndItsFolderToTheRestart) {
  FakeMachine m = FreshMachine();
  ASSERT_EQ(InstallLayout(Environment64(), m).result, SetupResult::Installed);
  const std::wstring copy = L"C:\\Program Files\\Tamlorix Urdu Phonetic Keyboard\\setup.exe";
  m.lockedFiles.insert(copy);  // the running program
  const auto outcome = UninstallLayout(Environment64(), m);
  EXPECT_EQ(outcome.result, SetupResult::Uninstalled);
  EXPECT_TRUE(outcome.restartNeeded);
  EXPECT_EQ(SetupExitCode(outcome), kExitRestartNeeded);
  EXPECT_EQ(m.pendingDeletes, (std::vector<std::wstring>{
                                  copy, L"C:\\Program Files\\Tamlorix Urdu Phonetic Keyboard"}));
  EXPECT_FALSE(m.keys.count(L"HKLM\\" + std::wstring(kUninstallKey)));
  EXPECT_FALSE(m.files.count(L"C:\\Windows\\System32\\kbdurph.dll"));
}

TEST(SetupUninstall, AFailurePartWayRestoresWhatWasRemoved) {
  FakeMachine m = FreshMachine();
  ASSERT_EQ(InstallLayout(Environment64(), m).result, SetupResult::Installed);
  const FakeMachine installed = m;
  m.readOnlyKeys.insert(L"HKLM\\" + std::wstring(kUninstallKey));
  const auto outcome = UninstallLayout(Environment64(), m);
  EXPECT_EQ(outcome.result, SetupResult::Failed);
  EXPECT_TRUE(m == installed);
  const auto message = SetupMessage(outcome);
  EXPECT_NE(message.find(L"could not be removed"), std::wstring::npos);
  EXPECT_NE(message.find(L"Run setup as an administrator"), std::wstring::npos);
}

TEST(SetupInputService, IsToldOnceAndUndoneOnUninstall) {
  FakeMachine m = FreshMachine();
  auto e = Environment64();
  e.inputDll = true;
  const FakeMachine before = m;
  ASSERT_EQ(InstallLayout(e, m).result, SetupResult::Installed);
  EXPECT_EQ(m.languages, std::vector<std::wstring>{L"0420:a0010420"});
  EXPECT_EQ(m.keys[L"HKCU\\Keyboard Layout\\Preload"].size(), 1u);  // left to the service
  EXPECT_EQ(InstallLayout(e, m).result, SetupResult::AlreadyInstalled);
  EXPECT_EQ(m.languages.size(), 1u);
  ASSERT_EQ(UninstallLayout(e, m).result, SetupResult::Uninstalled);
  EXPECT_TRUE(m == before);
}

TEST(SetupArgumentsOutcome, BadArgumentsChangeNothingAndExplain) {
  FakeMachine m = FreshMachine();
  const FakeMachine before = m;
  const auto outcome = RunSetup(ParseSetupArguments({L"/remove"}), Environment64(), m);
  EXPECT_EQ(outcome.result, SetupResult::BadArguments);
  EXPECT_TRUE(m == before);
  EXPECT_EQ(SetupExitCode(outcome), kExitBadArguments);
  EXPECT_TRUE(SetupMessageIsWarning(outcome));
  const auto message = SetupMessage(outcome);
  EXPECT_NE(message.find(L"\"/remove\""), std::wstring::npos);
  EXPECT_NE(message.find(L"/uninstall"), std::wstring::npos);
  EXPECT_EQ(RunSetup(ParseSetupArguments({L"/?"}), Environment64(), m).result, SetupResult::Usage);
  EXPECT_TRUE(m == before);
  EXPECT_EQ(RunSetup(ParseSetupArguments({L"/uninstall"}), Environment64(), m).result,
            SetupResult::NotInstalled);
}

}  // namespace
