#include "setup/SetupSystem_win.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "platform/FileRead_win.h"
#include "platform/FileWrite_win.h"
#include "platform/Handles_win.h"
#include "platform/RegistryKey_win.h"
#include "platform/SystemError_win.h"
#include "platform/SystemLibrary_win.h"
#include "setup/Transaction.h"

namespace {

// The registry's 64-bit view on 64-bit Windows (the Uninstall key is split by WOW64); 32-bit
// Windows ignores the flag.
constexpr REGSAM kView = KEY_WOW64_64KEY;

#ifndef IMAGE_FILE_MACHINE_ARM64
#define IMAGE_FILE_MACHINE_ARM64 0xAA64
#endif
#ifndef PROCESSOR_ARCHITECTURE_ARM64
#define PROCESSOR_ARCHITECTURE_ARM64 12
#endif

// This program is 32-bit on 64-bit Windows, where file-system redirection sends "System32" to
// SysWOW64.
bool UnderWow64() {
  static const bool wow64 = sizeof(void*) == 4 && NativeProcessor() != Processor::X86;
  return wow64;
}

// Turns WOW64 file-system redirection off for one file operation of a 32-bit program on 64-bit
// Windows, so "System32" is the real one. The functions are looked up at run time because 32-bit
// Windows XP lacks them (and needs them not); under WOW64 their absence or failure is an error,
// never a quiet write into SysWOW64.
class ScopedRealSystemFolder {
 public:
  ScopedRealSystemFolder() {
    if (!UnderWow64()) {
      return;
    }
    const auto disable =
        SystemFunction<BOOL(WINAPI*)(PVOID*)>(L"kernel32.dll", "Wow64DisableWow64FsRedirection");
    revert_ =
        SystemFunction<BOOL(WINAPI*)(PVOID)>(L"kernel32.dll", "Wow64RevertWow64FsRedirection");
    if (!disable(&previous_)) {
      ThrowLastError(L"the real System32 folder (Wow64DisableWow64FsRedirection)");
    }
    active_ = true;
  }
  ScopedRealSystemFolder(const ScopedRealSystemFolder&) = delete;
  ScopedRealSystemFolder& operator=(const ScopedRealSystemFolder&) = delete;
  ~ScopedRealSystemFolder() {
    if (active_) {
      revert_(previous_);
    }
  }

 private:
  BOOL(WINAPI* revert_)(PVOID) = nullptr;
  PVOID previous_ = nullptr;
  bool active_ = false;
};

bool RunsOnWine() { return WindowsHasFunction(L"ntdll.dll", "wine_get_version"); }

HKEY RootKey(RegRoot root) {
  return root == RegRoot::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

std::wstring KeyName(RegRoot root, const std::wstring& key) {
  return L"the registry key " + RegistryKeyName(root, key);
}

void Check(LSTATUS status, RegRoot root, const std::wstring& key) {
  if (status != ERROR_SUCCESS) {
    ThrowSystemError(static_cast<DWORD>(status), KeyName(root, key));
  }
}

// Null when the key does not exist.
UniqueRegKey OpenKey(RegRoot root, const std::wstring& key, REGSAM access) {
  HKEY handle = nullptr;
  const LSTATUS status = RegOpenKeyExW(RootKey(root), key.c_str(), 0, access | kView, &handle);
  if (status == ERROR_FILE_NOT_FOUND) {
    return {};
  }
  Check(status, root, key);
  return UniqueRegKey(handle);
}

UniqueRegKey OpenExistingKey(RegRoot root, const std::wstring& key, REGSAM access) {
  auto handle = OpenKey(root, key, access);
  if (!handle) {
    ThrowSystemError(ERROR_FILE_NOT_FOUND, KeyName(root, key));
  }
  return handle;
}

bool InUse(DWORD error) {
  return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
         error == ERROR_LOCK_VIOLATION || error == ERROR_DIR_NOT_EMPTY;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A name beside `path` that nothing has yet: "<path>.<tag>-<process>-<n>".
std::wstring FreeNameBeside(const std::wstring& path, const wchar_t* tag) {
  static unsigned serial = 0;
  for (;;) {
    std::wstring name = path + L'.' + tag + L'-' + std::to_wstring(GetCurrentProcessId()) + L'-' +
                        std::to_wstring(++serial);
    if (!Exists(name)) {
      return name;
    }
  }
}

// Writes a new file in full and flushes it to the disk. A write that stops short (a full disk, a
// size limit) is a failure like any other; the partial file is deleted.
void WriteNewFile(const std::wstring& path, const Bytes& bytes, const std::wstring& target) {
  UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    ThrowFileError(GetLastError(), target);
  }
  DWORD error = WriteAll(file.Get(), bytes.data(), bytes.size());
  if (error == ERROR_SUCCESS && !FlushFileBuffers(file.Get())) {
    error = GetLastError();
  }
  file.Reset();
  if (error != ERROR_SUCCESS) {
    DeleteFileW(path.c_str());
    ThrowFileError(error, target);
  }
}

// Moves `from` to `to`, which must be free, straight to the disk.
bool Move(const std::wstring& from, const std::wstring& to, DWORD flags = 0) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH | flags) != FALSE;
}

// A file that cannot be deleted now (in use) is deleted when Windows restarts; false then.
bool DeleteNowOrAtRestart(const std::wstring& path) {
  if (DeleteFileW(path.c_str())) {
    return true;
  }
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
    return true;
  }
  if (!InUse(error) || !MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
    ThrowFileError(error, path);
  }
  return false;
}

Processor FromMachine(USHORT machine) {
  switch (machine) {
    case IMAGE_FILE_MACHINE_I386:
      return Processor::X86;
    case IMAGE_FILE_MACHINE_AMD64:
      return Processor::X64;
    case IMAGE_FILE_MACHINE_ARM64:
      return Processor::Arm64;
    default:
      return Processor::Other;
  }
}

}  // namespace

Processor NativeProcessor() {
  using IsWow64Process2Function = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
  if (WindowsHasFunction(L"kernel32.dll", "IsWow64Process2")) {
    const auto isWow64Process2 =
        SystemFunction<IsWow64Process2Function>(L"kernel32.dll", "IsWow64Process2");
    USHORT process = 0;
    USHORT native = 0;
    if (!isWow64Process2(GetCurrentProcess(), &process, &native)) {
      ThrowLastError(L"this computer's processor (IsWow64Process2)");
    }
    return FromMachine(native);
  }
  SYSTEM_INFO info{};
  GetNativeSystemInfo(&info);
  switch (info.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_INTEL:
      return Processor::X86;
    case PROCESSOR_ARCHITECTURE_AMD64:
      return Processor::X64;
    case PROCESSOR_ARCHITECTURE_ARM64:
      return Processor::Arm64;
    default:
      return Processor::Other;
  }
}

// Windows Vista and later have input.dll in the system folder; Windows XP has none. Only the one
// there counts: a planted input.dll beside setup.exe is never loaded.
Win32SetupSystem::Win32SetupSystem() : inputDll_(WindowsHasLibrary(L"input.dll")) {}

std::optional<Bytes> Win32SetupSystem::FileContents(const std::wstring& path) {
  ScopedRealSystemFolder realSystemFolder;
  return ReadWholeFile(path);
}

std::wstring Win32SetupSystem::ReplaceWithNewFile(const std::wstring& path, const Bytes& bytes) {
  ScopedRealSystemFolder realSystemFolder;
  const std::wstring fresh = FreeNameBeside(path, L"setup-new");
  WriteNewFile(fresh, bytes, path);
  if (!Exists(path)) {
    if (!Move(fresh, path)) {
      const DWORD error = GetLastError();
      DeleteFileW(fresh.c_str());
      ThrowFileError(error, path);
    }
    return {};
  }
  // In one step where Windows can: the old file keeps a name beside the new one.
  std::wstring kept = FreeNameBeside(path, L"setup-old");
  if (::ReplaceFileW(path.c_str(), fresh.c_str(), kept.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS,
                     nullptr, nullptr)) {
    return kept;
  }
  DWORD error = GetLastError();
  if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
    // The old file was renamed but the new one did not follow: the old one goes back.
    Move(kept, path);
    DeleteFileW(fresh.c_str());
    ThrowFileError(error, path);
  }
  // A file in use (a loaded layout) cannot be replaced, only renamed: the old file moves aside,
  // then the new one moves in. (Wine's ReplaceFileW copies the old file, which a full disk can
  // stop part way: the partial copy goes.)
  if (Exists(kept) && !DeleteFileW(kept.c_str())) {
    kept = FreeNameBeside(path, L"setup-old");
  }
  if (!Move(path, kept)) {
    error = GetLastError();
    DeleteFileW(fresh.c_str());
    ThrowFileError(error, path);
  }
  if (!Move(fresh, path)) {
    error = GetLastError();
    Move(kept, path);
    DeleteFileW(fresh.c_str());
    ThrowFileError(error, path);
  }
  return kept;
}

std::wstring Win32SetupSystem::SetFileAside(const std::wstring& path) {
  ScopedRealSystemFolder realSystemFolder;
  std::wstring aside = FreeNameBeside(path, L"setup-removed");
  if (!Move(path, aside)) {
    ThrowFileError(GetLastError(), path);
  }
  return aside;
}

void Win32SetupSystem::RestoreFile(const std::wstring& path, const std::wstring& kept) {
  ScopedRealSystemFolder realSystemFolder;
  if (!kept.empty() && Move(kept, path, MOVEFILE_REPLACE_EXISTING)) {
    return;
  }
  if (kept.empty() && DeleteFileW(path.c_str())) {
    return;
  }
  const DWORD error = GetLastError();
  if (kept.empty() && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) {
    return;
  }
  if (!InUse(error)) {
    ThrowFileError(error, path);
  }
  // What setup put there is in use (Windows loaded the new layout): it moves aside and goes at
  // the restart, and the old file moves back in.
  const std::wstring aside = FreeNameBeside(path, L"setup-removed");
  if (!Move(path, aside)) {
    ThrowFileError(GetLastError(), path);
  }
  if (!kept.empty() && !Move(kept, path)) {
    const DWORD moveError = GetLastError();
    Move(aside, path);
    ThrowFileError(moveError, path);
  }
  DeleteNowOrAtRestart(aside);
}

bool Win32SetupSystem::DiscardFile(const std::wstring& path) {
  ScopedRealSystemFolder realSystemFolder;
  return DeleteNowOrAtRestart(path);
}

bool Win32SetupSystem::FolderExists(const std::wstring& path) {
  ScopedRealSystemFolder realSystemFolder;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void Win32SetupSystem::CreateFolder(const std::wstring& path) {
  ScopedRealSystemFolder realSystemFolder;
  if (!CreateDirectoryW(path.c_str(), nullptr)) {
    ThrowLastError(L"the folder " + path);
  }
}

bool Win32SetupSystem::RemoveFolder(const std::wstring& path) {
  ScopedRealSystemFolder realSystemFolder;
  if (RemoveDirectoryW(path.c_str())) {
    return true;
  }
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
    return true;
  }
  // Still holding a file that goes at the restart: the folder follows it then.
  if (!InUse(error) || !MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
    ThrowSystemError(error, L"the folder " + path);
  }
  return false;
}

bool Win32SetupSystem::KeyExists(RegRoot root, const std::wstring& key) {
  return static_cast<bool>(OpenKey(root, key, KEY_QUERY_VALUE));
}

std::vector<std::wstring> Win32SetupSystem::SubKeys(RegRoot root, const std::wstring& key) {
  const auto handle = OpenKey(root, key, KEY_ENUMERATE_SUB_KEYS);
  return handle ? SubKeyNames(handle.Get(), KeyName(root, key)) : std::vector<std::wstring>{};
}

std::vector<std::wstring> Win32SetupSystem::ValueNames(RegRoot root, const std::wstring& key) {
  const auto handle = OpenExistingKey(root, key, KEY_QUERY_VALUE);
  auto entries = ValueEntries(handle.Get(), KeyName(root, key), false);
  std::vector<std::wstring> names(entries.size());
  std::transform(entries.begin(), entries.end(), names.begin(),
                 [](RegistryEntry& entry) { return std::move(entry.name); });
  return names;
}

std::optional<RegValue> Win32SetupSystem::ReadValue(RegRoot root, const std::wstring& key,
                                                    const std::wstring& name) {
  const auto handle = OpenKey(root, key, KEY_QUERY_VALUE);
  if (!handle) {
    return std::nullopt;
  }
  DWORD type = 0;
  DWORD size = 0;
  LSTATUS status = RegQueryValueExW(handle.Get(), name.c_str(), nullptr, &type, nullptr, &size);
  if (status == ERROR_FILE_NOT_FOUND) {
    return std::nullopt;
  }
  Check(status, root, key);
  std::vector<BYTE> data(size + sizeof(wchar_t));
  status = RegQueryValueExW(handle.Get(), name.c_str(), nullptr, &type, data.data(), &size);
  Check(status, root, key);
  if (type == REG_DWORD && size == sizeof(DWORD)) {
    DWORD number = 0;
    std::memcpy(&number, data.data(), sizeof number);
    return RegValue::Number(number);
  }
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') {
      text.pop_back();
    }
    return type == REG_SZ ? RegValue::String(std::move(text)) : RegValue::Expand(std::move(text));
  }
  // A type setup never writes: reported as a text nobody else uses, so it is never taken for
  // one of ours and never written back in another form.
  return RegValue::String(L"\x1 unsupported value type " + std::to_wstring(type));
}

void Win32SetupSystem::WriteValue(RegRoot root, const std::wstring& key, const std::wstring& name,
                                  const RegValue& value) {
  HKEY raw = nullptr;
  Check(RegCreateKeyExW(RootKey(root), key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | kView, nullptr,
                        &raw, nullptr),
        root, key);
  const UniqueRegKey handle(raw);
  if (value.type == RegType::Number) {
    const DWORD number = value.number;
    Check(RegSetValueExW(handle.Get(), name.c_str(), 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&number), sizeof number),
          root, key);
    return;
  }
  Check(RegSetValueExW(
            handle.Get(), name.c_str(), 0, value.type == RegType::String ? REG_SZ : REG_EXPAND_SZ,
            reinterpret_cast<const BYTE*>(value.text.c_str()),
            static_cast<DWORD>(value.text.size() + 1) * static_cast<DWORD>(sizeof(wchar_t))),
        root, key);
}

void Win32SetupSystem::DeleteValue(RegRoot root, const std::wstring& key,
                                   const std::wstring& name) {
  const auto handle = OpenKey(root, key, KEY_SET_VALUE);
  if (!handle) {
    return;
  }
  const LSTATUS status = RegDeleteValueW(handle.Get(), name.c_str());
  if (status != ERROR_FILE_NOT_FOUND) {
    Check(status, root, key);
  }
}

void Win32SetupSystem::CreateKey(RegRoot root, const std::wstring& key) {
  HKEY raw = nullptr;
  Check(RegCreateKeyExW(RootKey(root), key.c_str(), 0, nullptr, 0, KEY_QUERY_VALUE | kView, nullptr,
                        &raw, nullptr),
        root, key);
  UniqueRegKey handle(raw);
}

void Win32SetupSystem::DeleteKey(RegRoot root, const std::wstring& key) {
  // Under WOW64 only RegDeleteKeyExW reaches the 64-bit view (the plain call would delete in
  // the 32-bit one); elsewhere there is one view, and 32-bit Windows XP lacks the function.
  using DeleteKeyEx = LSTATUS(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);
  const LSTATUS status = UnderWow64()
                             ? SystemFunction<DeleteKeyEx>(L"advapi32.dll", "RegDeleteKeyExW")(
                                   RootKey(root), key.c_str(), kView, 0)
                             : RegDeleteKeyW(RootKey(root), key.c_str());
  if (status != ERROR_FILE_NOT_FOUND) {
    Check(status, root, key);
  }
}

void Win32SetupSystem::CallInputService(const std::wstring& profile, DWORD flags,
                                        const std::wstring& step) {
  using InstallLayoutOrTipFunction = BOOL(WINAPI*)(LPCWSTR, DWORD);
  const auto installLayoutOrTip =
      SystemFunction<InstallLayoutOrTipFunction>(L"input.dll", "InstallLayoutOrTip");
  if (!installLayoutOrTip(profile.c_str(), flags)) {
    throw SystemError(kRefused, {},
                      L"Windows' input-language service (input.dll) refused to " + step +
                          L": InstallLayoutOrTip(\"" + profile + L"\", " + std::to_wstring(flags) +
                          L") returned FALSE.");
  }
}

void Win32SetupSystem::AddUserLanguage(const std::wstring& profile) {
  CallInputService(profile, 0, L"add Urdu Phonetic to your input languages");
}

void Win32SetupSystem::DisableUserLanguage(const std::wstring& profile) {
  constexpr DWORD kUninstall = 0x1;  // ILOT_UNINSTALL, documented as the same as ILOT_DISABLED
  CallInputService(profile, kUninstall, L"disable Urdu Phonetic in your input languages");
}

std::optional<std::uint32_t> Win32SetupSystem::LoadLayout(const std::wstring& klid) {
  // Wine reads no layout file: its LoadKeyboardLayoutW hands back the layout already in use
  // (04090409 in a fresh prefix) whatever it is asked for, so there is nothing to check.
  if (RunsOnWine()) {
    return std::nullopt;
  }
  const HKL layout = LoadKeyboardLayoutW(klid.c_str(), KLF_NOTELLSHELL);
  return static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(layout) & 0xFFFFFFFFu);
}

void Win32SetupSystem::UnloadLayout(std::uint32_t handle) noexcept {
  const int count = GetKeyboardLayoutList(0, nullptr);
  if (count <= 0) {
    return;
  }
  std::vector<HKL> layouts(static_cast<std::size_t>(count));
  const int got = GetKeyboardLayoutList(count, layouts.data());
  for (int i = 0; i < got; ++i) {
    const HKL layout = layouts[static_cast<std::size_t>(i)];
    if ((reinterpret_cast<ULONG_PTR>(layout) & 0xFFFFFFFFu) == handle) {
      UnloadKeyboardLayout(layout);
    }
  }
}

void Win32SetupSystem::ActivateLayout(const std::wstring& id) noexcept {
  LoadKeyboardLayoutW(id.c_str(), KLF_SUBSTITUTE_OK);
}

void Win32SetupSystem::ReleaseLayout(const std::wstring& layoutId) noexcept {
  const unsigned long id = std::wcstoul(layoutId.c_str(), nullptr, 16);
  if (id != 0) {
    // A custom layout's handle: 0xF000 | Layout Id in the high word, the language in the low.
    UnloadLayout(static_cast<std::uint32_t>(((0xF000 | id) << 16) | 0x0420));
  }
}
