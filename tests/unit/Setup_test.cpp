#include "setup/Setup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "VersionedPe.h"
#include "platform/SystemError.h"
#include "setup/MachineLayout.h"
#include "setup/SetupMessages.h"
#include "setup/VersionStrings.h"

namespace {

// A machine in memory: files, folders, a registry with one hive per person, the input service and
// the layouts loaded in the session, with failures on demand; every change setup asks for shows
// in its state. Files are replaced and set aside by renaming, as the interface promises.
class FakeMachine : public SetupSystem {
 public:
  std::map<std::wstring, Bytes> files;
  std::set<std::wstring> folders;
  std::map<std::wstring, std::map<std::wstring, RegValue>> keys;  // "HKLM\..." or "HKU\A\..."
  std::wstring user = L"A";                                       // whose hive HKEY_CURRENT_USER is
  std::set<std::wstring> heldFiles;     // open without sharing: no replacing, renaming or restoring
  std::set<std::wstring> loadedFiles;   // in use: renamed fine, deleted only at the restart
  std::set<std::wstring> readOnlyKeys;  // writes fail with access denied
  std::vector<std::wstring> serviceCalls;
  bool serviceRefusesAdd = false;
  bool serviceRefusesDisable = false;
  std::optional<std::uint32_t> layoutHandle;  // what Windows gives back; default: computed
  bool loadsLayouts = true;                   // false: like Wine
  std::vector<std::wstring> pendingDeletes;
  std::set<std::uint32_t> loadedLayouts = {0x04090409};  // handles; the US layout in use
  std::vector<std::wstring> activated;

  std::wstring Full(RegRoot root, const std::wstring& key) const {
    return (root == RegRoot::Machine ? L"HKLM\\" : L"HKU\\" + user + L"\\") + key;
  }
  bool operator==(const FakeMachine& other) const {
    return files == other.files && folders == other.folders && keys == other.keys &&
           loadedLayouts == other.loadedLayouts;
  }
  void Held(const std::wstring& path) const {
    if (heldFiles.count(path)) {
      throw SystemError(32, L"in use", L"the file " + path);
    }
  }

  std::optional<Bytes> FileContents(const std::wstring& path) override {
    auto it = files.find(path);
    return it == files.end() ? std::nullopt : std::optional<Bytes>(it->second);
  }
  std::wstring ReplaceWithNewFile(const std::wstring& path, const Bytes& bytes) override {
    Held(path);
    std::wstring kept;
    if (files.count(path)) {
      kept = path + L".old";
      files[kept] = files[path];
    }
    files[path] = bytes;
    return kept;
  }
  std::wstring SetFileAside(const std::wstring& path) override {
    Held(path);
    files[path + L".aside"] = files.at(path);
    files.erase(path);
    return path + L".aside";
  }
  void RestoreFile(const std::wstring& path, const std::wstring& kept) override {
    Held(path);
    files.erase(path);
    if (!kept.empty()) {
      files[path] = files.at(kept);
      files.erase(kept);
    }
  }
  bool DiscardFile(const std::wstring& path) override {
    const std::wstring original = path.substr(0, path.rfind(L'.'));
    if (loadedFiles.count(original)) {
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
  // A key exists when it or any key below it does, as parents do in a registry.
  bool KeyExists(RegRoot root, const std::wstring& key) override {
    const auto it = keys.lower_bound(Full(root, key));
    return it != keys.end() &&
           (it->first == Full(root, key) || it->first.rfind(Full(root, key) + L'\\', 0) == 0);
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
    ASSERT_TRUE(SubKeys(root, key).empty()) << std::string(key.begin(), key.end());
    keys.erase(Full(root, key));
  }
  // The input service of Windows 8 and later: the person's language profile.
  void AddUserLanguage(const std::wstring& profile) override {
    serviceCalls.push_back(L"add " + profile);
    if (serviceRefusesAdd) {
      throw SystemError(kRefused, {}, L"The input service refused to add " + profile + L".");
    }
    keys[Full(RegRoot::User, L"Control Panel\\International\\User Profile\\ur")][profile] =
        RegValue::Number(1);
  }
  void DisableUserLanguage(const std::wstring& profile) override {
    serviceCalls.push_back(L"disable " + profile);
    if (serviceRefusesDisable) {
      throw SystemError(kRefused, {}, L"The input service refused to disable " + profile + L".");
    }
  }
  std::optional<std::uint32_t> LoadLayout(const std::wstring& klid) override {
    if (!loadsLayouts) {
      return std::nullopt;
    }
    const auto id = keys.at(Full(RegRoot::Machine, kKl() + klid)).at(L"Layout Id").text;
    const std::uint32_t handle = layoutHandle.value_or(Handle(id));
    loadedLayouts.insert(handle);
    return handle;
  }
  void UnloadLayout(std::uint32_t handle) noexcept override { loadedLayouts.erase(handle); }
  void ActivateLayout(const std::wstring& id) noexcept override { activated.push_back(id); }
  void ReleaseLayout(const std::wstring& layoutId) noexcept override {
    loadedLayouts.erase(Handle(layoutId));
  }
  static std::uint32_t Handle(const std::wstring& layoutId) {
    return (0xF000u | std::wcstoul(layoutId.c_str(), nullptr, 16)) << 16 | 0x0420u;
  }
  static std::wstring kKl() { return L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts\\"; }
};

using versioned_pe::Dll;
const std::vector<std::pair<std::u16string, std::u16string>> kOurs = {
    {u"CompanyName", u"Tamlorix Corporation"},
    {u"ProductName", u"Urdu Phonetic Keyboard Layout"},
    {u"FileDescription", u"Urdu Phonetic Keyboard Layout"}};
const Bytes kX64 = Dll(kOurs, "x64");
const Bytes kWow64 = Dll(kOurs, "wow64");
const Bytes kX86 = Dll(kOurs, "x86");
const Bytes kArm64 = Dll(kOurs, "arm64");
const Bytes kSetupExe{'M', 'Z'};
const std::wstring kKl = L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts\\";
const std::wstring kSystemDll = L"C:\\Windows\\System32\\kbdurph.dll";
const std::wstring kWowDll = L"C:\\Windows\\SysWOW64\\kbdurph.dll";
const std::wstring kFolder = L"C:\\Program Files (x86)\\Tamlorix Urdu Phonetic Keyboard";
const std::wstring kCopy = kFolder + L"\\setup.exe";
const std::wstring kActiveSetup =
    L"HKLM\\SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\TamlorixUrduPhoneticKeyboard";

SetupEnvironment Environment64() {
  SetupEnvironment e;
  e.processor = Processor::X64;
  e.systemFolder = L"C:\\Windows\\System32";
  e.wow64Folder = L"C:\\Windows\\SysWOW64";
  e.sourceFolder = L"D:\\dist\\lyurdu";
  e.setupPath = L"D:\\dist\\lyurdu\\setup.exe";
  e.installFolder = kFolder;
  return e;
}

// A machine with the system's own layouts, another custom one and one user language.
FakeMachine FreshMachine() {
  FakeMachine m;
  m.files[L"D:\\dist\\lyurdu\\setup.exe"] = kSetupExe;
  m.files[L"D:\\dist\\lyurdu\\x64\\kbdurph.dll"] = kX64;
  m.files[L"D:\\dist\\lyurdu\\wow64\\kbdurph.dll"] = kWow64;
  m.files[L"D:\\dist\\lyurdu\\x86\\kbdurph.dll"] = kX86;
  m.files[L"D:\\dist\\lyurdu\\arm64\\kbdurph.dll"] = kArm64;
  m.folders = {L"C:\\Windows\\System32", L"C:\\Windows\\SysWOW64"};
  m.keys[L"HKLM\\" + kKl + L"00000409"] = {{L"Layout File", RegValue::String(L"KBDUS.DLL")}};
  m.keys[L"HKLM\\" + kKl + L"00000420"] = {{L"Layout File", RegValue::String(L"KBDURDU.DLL")}};
  m.keys[L"HKLM\\" + kKl + L"a0000420"] = {{L"Layout File", RegValue::String(L"kbdx.dll")},
                                           {L"Layout Id", RegValue::String(L"00c4")}};
  for (const wchar_t* key :
       {L"HKLM\\SOFTWARE", L"HKLM\\SOFTWARE\\Microsoft", L"HKLM\\SOFTWARE\\Microsoft\\Active Setup",
        L"HKLM\\SOFTWARE\\Microsoft\\Active Setup\\Installed Components",
        L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", L"HKU\\A\\Software",
        L"HKU\\A\\Keyboard Layout", L"HKU\\A\\Keyboard Layout\\Substitutes", L"HKU\\B\\Software",
        L"HKU\\B\\Keyboard Layout"}) {
    m.keys[key];
  }
  for (const wchar_t* person : {L"A", L"B"}) {
    m.keys[L"HKU\\" + std::wstring(person) + L"\\Keyboard Layout\\Preload"] = {
        {L"1", RegValue::String(L"00000409")}};
  }
  return m;
}

bool Says(const SetupOutcome& outcome, const std::wstring& words) {
  return SetupMessage(outcome).find(words) != std::wstring::npos;
}

TEST(SetupInstall, On64BitWindowsPutsBothVariantsAndRegistersEverything) {
  FakeMachine m = FreshMachine();
  const auto outcome = InstallLayout(Environment64(), m);
  ASSERT_EQ(outcome.result, SetupResult::Installed);
  EXPECT_EQ(SetupExitCode(outcome), kExitSuccess);
  EXPECT_EQ(m.files[kSystemDll], kX64);
  EXPECT_EQ(m.files[kWowDll], kWow64);
  EXPECT_EQ(m.files[kCopy], kSetupExe);

  EXPECT_EQ(outcome.klid, L"a0010420");
  const auto& layout = m.keys[L"HKLM\\" + kKl + L"a0010420"];
  EXPECT_EQ(layout.at(L"Layout File"), RegValue::String(L"kbdurph.dll"));
  EXPECT_EQ(layout.at(L"Layout Text"), RegValue::String(L"Urdu Phonetic"));
  EXPECT_EQ(layout.at(L"Layout Display Name"),
            RegValue::Expand(L"@%SystemRoot%\\system32\\kbdurph.dll,-1000"));
  EXPECT_EQ(layout.at(L"Layout Id"), RegValue::String(L"00c5"));

  EXPECT_EQ(m.keys[L"HKU\\A\\Keyboard Layout\\Substitutes"].at(L"d0010420"),
            RegValue::String(L"a0010420"));
  EXPECT_EQ(m.keys[L"HKU\\A\\Keyboard Layout\\Preload"].at(L"2"), RegValue::String(L"d0010420"));
  EXPECT_TRUE(outcome.addedForThisAccount);
  EXPECT_TRUE(Says(outcome, L"added it to your input languages"));
  EXPECT_EQ(m.loadedLayouts, (std::set<std::uint32_t>{0x04090409, 0xF0C50420}));
  EXPECT_EQ(m.activated, std::vector<std::wstring>{L"d0010420"});

  // Everyone else at their next sign-in.
  const auto& activeSetup = m.keys[kActiveSetup];
  EXPECT_EQ(activeSetup.at(L"StubPath"), RegValue::String(L"\"" + kCopy + L"\" /user /quiet"));
  EXPECT_EQ(activeSetup.at(L"Version"), RegValue::String(L"1,0,0,1"));
  EXPECT_EQ(activeSetup.at(L"IsInstalled"), RegValue::Number(1));

  const auto& entry = m.keys[L"HKLM\\" + std::wstring(kUninstallKey)];
  const std::wstring setup = L"\"" + kCopy + L"\"";
  EXPECT_EQ(entry.at(L"UninstallString"), RegValue::String(setup + L" /uninstall"));
  EXPECT_EQ(entry.at(L"QuietUninstallString"), RegValue::String(setup + L" /uninstall /quiet"));
  EXPECT_EQ(entry.at(L"Publisher"), RegValue::String(L"Tamlorix Corporation"));
  EXPECT_EQ(entry.at(L"DisplayName"), RegValue::String(L"Urdu Phonetic Keyboard Layout"));
  EXPECT_EQ(entry.at(L"EstimatedSize"), RegValue::Number(3));
  EXPECT_EQ(entry.at(L"NoModify"), RegValue::Number(1));
}

// Each processor gets the DLL of its own processes in System32 and, on 64-bit Windows, the WOW64
// one in SysWOW64 (ARM64 as x64); uninstall takes it all away again.
TEST(SetupInstall, PutsTheDllsEachProcessorNeedsAndNothingWhereNoneFits) {
  struct Plan {
    Processor processor;
    const Bytes* system32;
    const Bytes* sysWow64;  // null: nothing there
  };
  for (const Plan& plan :
       {Plan{Processor::X86, &kX86, nullptr}, Plan{Processor::X64, &kX64, &kWow64},
        Plan{Processor::Arm64, &kArm64, &kWow64}}) {
    FakeMachine m = FreshMachine();
    const FakeMachine before = m;
    auto e = Environment64();
    e.processor = plan.processor;
    ASSERT_EQ(InstallLayout(e, m).result, SetupResult::Installed);
    EXPECT_EQ(m.files.at(kSystemDll), *plan.system32);
    EXPECT_EQ(m.FileContents(kWowDll),
              plan.sysWow64 ? std::optional(*plan.sysWow64) : std::nullopt);
    EXPECT_EQ(m.loadedLayouts.count(0xF0C50420), 1u);  // registered, and Windows took it
    ASSERT_EQ(UninstallLayout(e, m).result, SetupResult::Uninstalled);
    EXPECT_TRUE(m == before);
  }

  // ARM32, IA-64 or a processor Windows does not name: no DLL of ours fits.
  FakeMachine m = FreshMachine();
  const FakeMachine before = m;
  auto e = Environment64();
  e.processor = Processor::Other;
  const auto outcome = InstallLayout(e, m);
  EXPECT_EQ(outcome.result, SetupResult::UnsupportedProcessor);
  EXPECT_EQ(SetupExitCode(outcome), 1633);
  EXPECT_TRUE(m == before);
  EXPECT_TRUE(Says(outcome,
                   L"processor (not one Windows names) is not supported: the layout "
                   L"comes for x86, x64 and ARM64 processors only. Setup changed nothing."));
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

TEST(SetupInstall, AMissingFileOrAnotherMakersFileChangesNothing) {
  FakeMachine m = FreshMachine();
  m.files.erase(L"D:\\dist\\lyurdu\\wow64\\kbdurph.dll");
  FakeMachine before = m;
  auto outcome = InstallLayout(Environment64(), m);
  EXPECT_EQ(outcome.result, SetupResult::Failed);
  EXPECT_TRUE(m == before);
  EXPECT_TRUE(Says(outcome, L"D:\\dist\\lyurdu\\wow64\\kbdurph.dll"));

  // A kbdurph.dll of someone else's (or of nobody's) in either system folder.
  for (const Bytes& theirs : {Dll({{u"CompanyName", u"Other Keyboards Ltd"},
                                   {u"ProductName", u"Urdu Phonetic Keyboard Layout"},
                                   {u"FileDescription", u"Urdu Phonetic Keyboard Layout"}}),
                              Bytes{'M', 'Z', 0, 0}}) {
    m = FreshMachine();
    m.files[kWowDll] = theirs;
    before = m;
    outcome = InstallLayout(Environment64(), m);
    EXPECT_EQ(outcome.result, SetupResult::NotOurFile);
    EXPECT_EQ(SetupExitCode(outcome), kExitFailed);
    EXPECT_TRUE(m == before);
    EXPECT_TRUE(Says(outcome, L"There is already a file " + kWowDll));
    EXPECT_TRUE(Says(outcome, L"changed nothing"));
  }
  m = FreshMachine();
  m.files[kSystemDll] = Dll({{u"CompanyName", u"Other Ltd"}});
  EXPECT_TRUE(Says(InstallLayout(Environment64(), m), L"it says it is from Other Ltd"));
}

TEST(SetupInstall, OverAnOlderCopyOfOursReplacesItAndDropsTheOldOne) {
  FakeMachine m = FreshMachine();
  m.files[kSystemDll] = Dll(kOurs, "older");
  m.loadedFiles.insert(kSystemDll);  // the layout in use: the old file goes at the restart
  const auto outcome = InstallLayout(Environment64(), m);
  ASSERT_EQ(outcome.result, SetupResult::Installed);
  EXPECT_EQ(m.files[kSystemDll], kX64);
  EXPECT_EQ(m.pendingDeletes, std::vector<std::wstring>{kSystemDll + L".old"});
  EXPECT_EQ(SetupExitCode(outcome), kExitRestartNeeded);
}

TEST(SetupInstall, AFailurePartWayPutsEveryEarlierChangeBack) {
  // A file held open, a key that cannot be written, Windows refusing the layout, the input
  // service refusing it: whatever the step that fails, the machine ends as it was (a layout
  // Windows loaded before the failure is unloaded).
  std::vector<std::function<void(FakeMachine&, SetupEnvironment&)>> failures = {
      [](FakeMachine& m, SetupEnvironment&) { m.heldFiles.insert(kWowDll); },
      [](FakeMachine& m, SetupEnvironment&) {
        m.readOnlyKeys.insert(L"HKU\\A\\Keyboard Layout\\Preload");
      },
      [](FakeMachine& m, SetupEnvironment&) {
        m.readOnlyKeys.insert(L"HKLM\\" + std::wstring(kUninstallKey));
      },
      [](FakeMachine& m, SetupEnvironment&) { m.layoutHandle = 0x04090409; },
      [](FakeMachine& m, SetupEnvironment& e) { m.serviceRefusesAdd = e.inputDll = true; },
  };
  for (std::size_t i = 0; i < failures.size(); ++i) {
    FakeMachine m = FreshMachine();
    m.files[kWowDll] = Dll(kOurs, "old");
    const FakeMachine before = m;
    auto e = Environment64();
    failures[i](m, e);
    const auto outcome = InstallLayout(e, m);
    EXPECT_EQ(outcome.result, SetupResult::Failed) << i;
    EXPECT_TRUE(outcome.notUndone.empty()) << i;
    EXPECT_TRUE(m == before) << i;
    EXPECT_EQ(SetupExitCode(outcome), kExitFailed);
    EXPECT_TRUE(Says(outcome, L"Nothing was changed.")) << i;
  }
}

TEST(SetupInstall, WindowsMustGiveBackTheLayoutsOwnHandle) {
  FakeMachine m = FreshMachine();
  m.layoutHandle = 0x04090409;  // the layout it had: ours was refused
  const auto refused = InstallLayout(Environment64(), m);
  EXPECT_EQ(refused.result, SetupResult::Failed);
  EXPECT_TRUE(Says(refused,
                   L"Windows did not accept the Urdu Phonetic layout: asked to load it, "
                   L"Windows gave back the keyboard layout 04090409 instead of f0c50420"));

  m = FreshMachine();
  m.loadsLayouts = false;  // Wine: no answer to be had, and the message says so
  const auto unchecked = InstallLayout(Environment64(), m);
  EXPECT_EQ(unchecked.result, SetupResult::Installed);
  EXPECT_TRUE(Says(unchecked, L"could not check that Windows accepts"));

  EXPECT_TRUE(IsOurLayoutHandle(0xF0C50420, L"00c5", true));
  EXPECT_FALSE(IsOurLayoutHandle(0xF0C40420, L"00c5", true));
  EXPECT_FALSE(IsOurLayoutHandle(0xF0C50409, L"00c5", true));
  EXPECT_FALSE(IsOurLayoutHandle(0x04200420, L"00c5", false));  // XP: the system's own Urdu
  EXPECT_TRUE(IsOurLayoutHandle(0xE0200420, L"00c5", false));
}

TEST(SetupRollback, AnUndoThatFailsIsNamedAndEndsWithItsOwnCode) {
  FakeMachine m = FreshMachine();
  m.files[kSystemDll] = Dll(kOurs, "old");
  m.heldFiles.insert(kWowDll);
  m.files[kWowDll] = Dll(kOurs, "old");
  // The System32 copy is replaced, then SysWOW64's is held; by the time setup puts System32's
  // back, another program holds that file too.
  struct Holder : FakeMachine {
    void RestoreFile(const std::wstring& path, const std::wstring& kept) override {
      heldFiles.insert(kSystemDll);
      FakeMachine::RestoreFile(path, kept);
    }
  } holder;
  static_cast<FakeMachine&>(holder) = m;
  const auto outcome = InstallLayout(Environment64(), holder);
  EXPECT_EQ(outcome.result, SetupResult::Failed);
  ASSERT_EQ(outcome.notUndone.size(), 1u);
  EXPECT_EQ(SetupExitCode(outcome), kExitNotAllUndone);
  EXPECT_TRUE(Says(outcome,
                   L"Setup could not undo all of its changes. Left as they are now:\n"
                   L"\x2022 the new file " +
                       kSystemDll + L" (the one it replaced is " + kSystemDll + L".old) (in use)"));
  EXPECT_FALSE(Says(outcome, L"Nothing was changed."));
}

// Undoing takes back what this run did and nothing else, and a file that can go only at the
// restart keeps "restart needed" whatever succeeds after it.
TEST(SetupRollback, UndoesExactlyThisRunsChangesAndKeepsARestartNeeded) {
  // A reinstall that fails after Windows loaded the layout leaves the earlier install's loaded.
  FakeMachine m = FreshMachine();
  ASSERT_EQ(InstallLayout(Environment64(), m).result, SetupResult::Installed);
  const std::wstring entry = L"HKLM\\" + std::wstring(kUninstallKey);
  m.keys[entry][L"DisplayVersion"] = RegValue::String(L"0.90");
  m.readOnlyKeys.insert(entry);
  ASSERT_EQ(InstallLayout(Environment64(), m).result, SetupResult::Failed);
  EXPECT_EQ(m.loadedLayouts, (std::set<std::uint32_t>{0x04090409, 0xF0C50420}));

  // Uninstall releases our layout, not another maker's loaded beside it (kbdx.dll, id 00c4);
  // System32's DLL is in use and goes at the restart, after which the rest goes at once.
  m.readOnlyKeys.clear();
  m.loadedLayouts.insert(0xF0C40420);
  m.loadedFiles.insert(kSystemDll);
  const auto removed = UninstallLayout(Environment64(), m);
  ASSERT_EQ(removed.result, SetupResult::Uninstalled);
  EXPECT_EQ(m.loadedLayouts, (std::set<std::uint32_t>{0x04090409, 0xF0C40420}));
  EXPECT_EQ(m.pendingDeletes, std::vector<std::wstring>{kSystemDll + L".aside"});
  EXPECT_FALSE(m.folders.count(kFolder));
  EXPECT_EQ(SetupExitCode(removed), kExitRestartNeeded);
}

TEST(SetupUninstall, PutsTheMachineBackExactlyAsBeforeInstall) {
  FakeMachine m = FreshMachine();
  m.keys[L"HKU\\A\\Keyboard Layout\\Preload"][L"2"] = RegValue::String(L"00000420");
  m.keys.erase(L"HKU\\A\\Keyboard Layout\\Substitutes");  // install creates it; uninstall too
  const FakeMachine before = m;
  ASSERT_EQ(InstallLayout(Environment64(), m).result, SetupResult::Installed);
  // The person adds a language of their own after ours ...
  m.keys[L"HKU\\A\\Keyboard Layout\\Preload"][L"4"] = RegValue::String(L"0000040c");
  const auto outcome = UninstallLayout(Environment64(), m);
  EXPECT_EQ(outcome.result, SetupResult::Uninstalled);
  EXPECT_EQ(SetupExitCode(outcome), kExitSuccess);
  // ... which moves up into the gap, in order.
  EXPECT_EQ(m.keys[L"HKU\\A\\Keyboard Layout\\Preload"].at(L"3"), RegValue::String(L"0000040c"));
  m.keys[L"HKU\\A\\Keyboard Layout\\Preload"].erase(L"3");
  EXPECT_TRUE(m == before);

  const auto again = UninstallLayout(Environment64(), m);
  EXPECT_EQ(again.result, SetupResult::NotInstalled);
  EXPECT_TRUE(m == before);
}

TEST(SetupUninstall, FromTheInstalledCopyLeavesItAndItsFolderToTheRestart) {
  FakeMachine m = FreshMachine();
  ASSERT_EQ(InstallLayout(Environment64(), m).result, SetupResult::Installed);
  m.loadedFiles.insert(kCopy);  // the running program
  const auto outcome = UninstallLayout(Environment64(), m);
  EXPECT_EQ(outcome.result, SetupResult::Uninstalled);
  EXPECT_EQ(SetupExitCode(outcome), kExitRestartNeeded);
  EXPECT_EQ(m.pendingDeletes, (std::vector<std::wstring>{kCopy + L".aside", kFolder}));
  EXPECT_FALSE(m.keys.count(L"HKLM\\" + std::wstring(kUninstallKey)));
  EXPECT_FALSE(m.keys.count(kActiveSetup));
  EXPECT_FALSE(m.files.count(kSystemDll));
}

TEST(SetupUninstall, AFailurePartWayRestoresWhatWasRemovedAndLeavesOthersFilesAlone) {
  FakeMachine m = FreshMachine();
  ASSERT_EQ(InstallLayout(Environment64(), m).result, SetupResult::Installed);
  const FakeMachine installed = m;
  m.readOnlyKeys.insert(L"HKLM\\" + std::wstring(kUninstallKey));
  const auto outcome = UninstallLayout(Environment64(), m);
  EXPECT_EQ(outcome.result, SetupResult::Failed);
  EXPECT_TRUE(m == installed);
  EXPECT_TRUE(Says(outcome, L"could not be removed"));
  EXPECT_TRUE(Says(outcome, L"Run setup as an administrator"));

  m = installed;
  m.files[kSystemDll] = Dll({{u"CompanyName", u"Other Ltd"}});
  const FakeMachine foreign = m;
  EXPECT_EQ(UninstallLayout(Environment64(), m).result, SetupResult::NotOurFile);
  EXPECT_TRUE(m == foreign);
}

TEST(SetupEveryone, EachPersonGetsTheLayoutOnceAndLosesItAfterUninstall) {
  FakeMachine m = FreshMachine();
  auto e = Environment64();
  e.otherAccounts = true;
  ASSERT_EQ(InstallLayout(e, m).result, SetupResult::Installed);

  // B signs in: Windows runs the stub as B.
  m.user = L"B";
  const auto forB = RunSetup(ParseSetupArguments({L"/user", L"/quiet"}), e, m);
  EXPECT_EQ(forB.result, SetupResult::Installed);
  EXPECT_EQ(m.keys[L"HKU\\B\\Keyboard Layout\\Preload"].at(L"2"), RegValue::String(L"d0010420"));
  // B takes it out of their list; the stub, run again, does not force it back.
  m.keys[L"HKU\\B\\Keyboard Layout\\Preload"].erase(L"2");
  EXPECT_EQ(RunSetup(ParseSetupArguments({L"/user"}), e, m).result, SetupResult::AlreadyInstalled);
  EXPECT_FALSE(m.keys[L"HKU\\B\\Keyboard Layout\\Preload"].count(L"2"));
  m.keys[L"HKU\\B\\Keyboard Layout\\Preload"][L"2"] = RegValue::String(L"d0010420");

  // A uninstalls: B loses the layout at their next sign-in, through the copy kept for that.
  m.user = L"A";
  const auto removed = UninstallLayout(e, m);
  EXPECT_EQ(removed.result, SetupResult::Uninstalled);
  EXPECT_TRUE(Says(removed, L"Everyone else who uses this computer loses it"));
  EXPECT_EQ(m.keys[kActiveSetup].at(L"StubPath"),
            RegValue::String(L"\"" + kCopy + L"\" /user /uninstall /quiet"));
  EXPECT_EQ(m.keys[kActiveSetup].at(L"Version"), RegValue::String(L"1,0,0,2"));
  EXPECT_TRUE(m.files.count(kCopy));
  EXPECT_FALSE(m.keys.count(L"HKU\\A\\Software\\Tamlorix Urdu Phonetic Keyboard"));
  m.user = L"B";
  EXPECT_EQ(RunSetup(ParseSetupArguments({L"/user", L"/uninstall"}), e, m).result,
            SetupResult::Uninstalled);
  EXPECT_EQ(m.keys[L"HKU\\B\\Keyboard Layout\\Preload"].size(), 1u);
  EXPECT_FALSE(m.keys.count(L"HKU\\B\\Keyboard Layout\\Substitutes"));  // B had none before
  EXPECT_FALSE(m.keys.count(L"HKU\\B\\Software\\Tamlorix Urdu Phonetic Keyboard"));
}

TEST(SetupEveryone, AnotherAccountElevatingOrAServiceWritesNothingInItsOwnLists) {
  for (const UserReach reach : {UserReach::DesktopUser, UserReach::NextSignIn}) {
    FakeMachine m = FreshMachine();
    auto e = Environment64();
    e.reach = reach;
    const auto outcome = InstallLayout(e, m);
    EXPECT_EQ(outcome.result, SetupResult::Installed);
    EXPECT_EQ(m.keys[L"HKU\\A\\Keyboard Layout\\Preload"].size(), 1u);
    EXPECT_FALSE(Says(outcome, L"your input languages"));
    EXPECT_TRUE(Says(outcome, reach == UserReach::DesktopUser
                                  ? L"The person signed in to Windows gets it in a moment"
                                  : L"Everyone who uses this computer gets it when they next"));
  }
}

TEST(SetupInputService, IsToldOnceAndOnUninstallDisablesAndTheListsLoseIt) {
  FakeMachine m = FreshMachine();
  m.keys[L"HKU\\A\\Control Panel\\International\\User Profile\\ur"];
  auto e = Environment64();
  e.inputDll = true;
  const FakeMachine before = m;
  ASSERT_EQ(InstallLayout(e, m).result, SetupResult::Installed);
  EXPECT_EQ(m.keys[L"HKU\\A\\Keyboard Layout\\Preload"].size(), 1u);  // left to the service
  EXPECT_EQ(InstallLayout(e, m).result, SetupResult::AlreadyInstalled);
  ASSERT_EQ(UninstallLayout(e, m).result, SetupResult::Uninstalled);
  EXPECT_EQ(m.serviceCalls,
            (std::vector<std::wstring>{L"add 0420:a0010420", L"disable 0420:a0010420"}));
  EXPECT_TRUE(m == before);

  // A refusal names the step, and fails the run.
  ASSERT_EQ(InstallLayout(e, m).result, SetupResult::Installed);
  m.serviceRefusesDisable = true;
  const auto refused = UninstallLayout(e, m);
  EXPECT_EQ(refused.result, SetupResult::Failed);
  EXPECT_TRUE(Says(refused, L"The input service refused to disable 0420:a0010420."));
}

TEST(SetupArgumentsOutcome, BadArgumentsChangeNothingAndExplain) {
  FakeMachine m = FreshMachine();
  const FakeMachine before = m;
  const auto outcome = RunSetup(ParseSetupArguments({L"/remove"}), Environment64(), m);
  EXPECT_EQ(outcome.result, SetupResult::BadArguments);
  EXPECT_TRUE(m == before);
  EXPECT_EQ(SetupExitCode(outcome), kExitBadArguments);
  EXPECT_TRUE(SetupMessageIsWarning(outcome));
  EXPECT_TRUE(Says(outcome, L"\"/remove\""));
  EXPECT_TRUE(Says(outcome, L"/uninstall"));
  const auto usage = RunSetup(ParseSetupArguments({L"/?"}), Environment64(), m);
  EXPECT_EQ(usage.result, SetupResult::Usage);
  EXPECT_TRUE(Says(usage, L"/user\t\tonly add it to your own input languages"));
  EXPECT_TRUE(m == before);
  EXPECT_EQ(RunSetup(ParseSetupArguments({L"/uninstall"}), Environment64(), m).result,
            SetupResult::NotInstalled);
  EXPECT_EQ(RunSetup(ParseSetupArguments({L"/user"}), Environment64(), m).result,
            SetupResult::NotInstalled);
  EXPECT_TRUE(m == before);
}

TEST(VersionStrings, AreReadFromTheFileAndNothingFromWhatIsNoProgramFile) {
  const auto strings = ReadVersionStrings(kX64);
  ASSERT_TRUE(strings);
  EXPECT_EQ(strings->at(L"CompanyName"), L"Tamlorix Corporation");
  EXPECT_EQ(strings->at(L"ProductName"), L"Urdu Phonetic Keyboard Layout");
  EXPECT_TRUE(IsOurLayoutFile(kX64));
  EXPECT_FALSE(IsOurLayoutFile(Dll({{u"CompanyName", u"Tamlorix Corporation"}})));
  EXPECT_FALSE(ReadVersionStrings(Bytes(kX64.begin(), kX64.begin() + 0x210)));  // in the tree
  // A file found in a system folder may be anything: no cut and no damaged byte may make the
  // reader read outside the file (the sanitizers watch), and a file is ours only whole.
  for (std::size_t size = 0; size < kX64.size(); ++size) {
    const Bytes cut(kX64.begin(), kX64.begin() + static_cast<long>(size));
    if (IsOurLayoutFile(cut)) {
      EXPECT_EQ(*ReadVersionStrings(cut), *strings) << size;
    }
  }
  for (std::size_t at = 0; at < kX64.size(); ++at) {
    for (const std::uint8_t damage : {0x00, 0x7F, 0xFF}) {
      Bytes damaged = kX64;
      damaged[at] = damage;
      (void)ReadVersionStrings(damaged);
    }
  }
}

// Only what the loader would map is read: a node whose length runs past its parent, or a resource
// whose address lies in the part of its section the file does not hold (zeros once loaded), makes
// the file not ours, though the bytes beyond still say it is.
TEST(VersionStrings, ALengthPastItsParentOrAnAddressPastItsSectionsFileDataIsRefused) {
  const Bytes ours = Dll(kOurs, "bytes after the image");
  ASSERT_TRUE(IsOurLayoutFile(ours));
  Bytes longer = ours;
  const Bytes key = versioned_pe::Text(u"FileDescription");  // the last node of every parent
  const auto node = static_cast<std::size_t>(
      std::search(longer.begin(), longer.end(), key.begin(), key.end()) - longer.begin() - 6);
  versioned_pe::Put16(longer, node, (longer[node] | longer[node + 1] << 8) + 4u);
  EXPECT_FALSE(IsOurLayoutFile(longer));

  Bytes unmapped = ours;
  versioned_pe::Put32(unmapped, 0x148, 0x60);  // .rsrc's data in the file: its directory only
  EXPECT_FALSE(ReadVersionStrings(unmapped));
}

}  // namespace
