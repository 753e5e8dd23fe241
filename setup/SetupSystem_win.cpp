#include "setup/SetupSystem_win.h"

#include <cstring>
#include <cwchar>

#include "platform/SystemError_win.h"

namespace {

// The registry's 64-bit view on 64-bit Windows (the Uninstall key is split by WOW64); 32-bit
// Windows ignores the flag.
constexpr REGSAM kView = KEY_WOW64_64KEY;

// Turns WOW64 file-system redirection off for one file operation of a 32-bit program on 64-bit
// Windows, so "System32" is the real one. Looked up at run time: 32-bit Windows XP lacks it.
class ScopedRealSystemFolder {
 public:
  ScopedRealSystemFolder() noexcept {
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    disable_ = reinterpret_cast<Disable>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")));
    revert_ = reinterpret_cast<Revert>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64RevertWow64FsRedirection")));
    active_ = disable_ != nullptr && revert_ != nullptr && disable_(&previous_) != FALSE;
  }
  ScopedRealSystemFolder(const ScopedRealSystemFolder&) = delete;
  ScopedRealSystemFolder& operator=(const ScopedRealSystemFolder&) = delete;
  ~ScopedRealSystemFolder() {
    if (active_) {
      revert_(previous_);
    }
  }

 private:
  using Disable = BOOL(WINAPI*)(PVOID*);
  using Revert = BOOL(WINAPI*)(PVOID);
  Disable disable_ = nullptr;
  Revert revert_ = nullptr;
  PVOID previous_ = nullptr;
  bool active_ = false;
};

HKEY RootKey(RegRoot root) {
  return root == RegRoot::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

std::wstring KeyName(RegRoot root, const std::wstring& key) {
  return std::wstring(L"the registry key ") +
         (root == RegRoot::Machine ? L"HKEY_LOCAL_MACHINE\\" : L"HKEY_CURRENT_USER\\") + key;
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

}  // namespace

bool IsWindows64() {
  if (sizeof(void*) == 8) {
    return true;
  }
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) != FALSE && wow64 != FALSE;
}

Win32SetupSystem::Win32SetupSystem() {
  // Only from the system folder: a planted input.dll beside setup.exe must not be loaded.
  wchar_t system[MAX_PATH];
  const UINT length = GetSystemDirectoryW(system, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    return;
  }
  inputDll_.Reset(LoadLibraryW((std::wstring(system) + L"\\input.dll").c_str()));
  if (inputDll_) {
    installLayoutOrTip_ = reinterpret_cast<InstallLayoutOrTipFunction>(
        reinterpret_cast<void*>(GetProcAddress(inputDll_.Get(), "InstallLayoutOrTip")));
  }
}

std::optional<Bytes> Win32SetupSystem::ReadFile(const std::wstring& path) {
  ScopedRealSystemFolder realSystemFolder;
  UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
      return std::nullopt;
    }
    ThrowSystemError(error, L"the file " + path);
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > 256LL * 1024 * 1024) {
    ThrowLastError(L"the file " + path);
  }
  Bytes bytes(static_cast<std::size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty() &&
      (!::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
       read != bytes.size())) {
    ThrowLastError(L"the file " + path);
  }
  return bytes;
}

void Win32SetupSystem::WriteFile(const std::wstring& path, const Bytes& bytes) {
  ScopedRealSystemFolder realSystemFolder;
  UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    ThrowLastError(L"the file " + path);
  }
  DWORD written = 0;
  if (!bytes.empty() && (!::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                      &written, nullptr) ||
                         written != bytes.size())) {
    ThrowLastError(L"the file " + path);
  }
}

bool Win32SetupSystem::DeleteFile(const std::wstring& path) {
  ScopedRealSystemFolder realSystemFolder;
  if (::DeleteFileW(path.c_str())) {
    return true;
  }
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
    return true;
  }
  if (!InUse(error)) {
    ThrowSystemError(error, L"the file " + path);
  }
  // In use (a loaded layout, or this very program): rename it out of the way so that a new
  // install can put its file there at once, and delete it at the next restart.
  const std::wstring parked = path + L".removed";
  const std::wstring& doomed =
      MoveFileExW(path.c_str(), parked.c_str(), MOVEFILE_REPLACE_EXISTING) ? parked : path;
  if (!MoveFileExW(doomed.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
    ThrowSystemError(error, L"the file " + path);
  }
  return false;
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
  std::vector<std::wstring> names;
  const auto handle = OpenKey(root, key, KEY_ENUMERATE_SUB_KEYS);
  if (!handle) {
    return names;
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];  // the longest key name the registry allows, plus the terminator
    DWORD length = static_cast<DWORD>(std::size(name));
    const LSTATUS status =
        RegEnumKeyExW(handle.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) {
      return names;
    }
    Check(status, root, key);
    names.emplace_back(name, length);
  }
}

std::vector<std::wstring> Win32SetupSystem::ValueNames(RegRoot root, const std::wstring& key) {
  std::vector<std::wstring> names;
  const auto handle = OpenExistingKey(root, key, KEY_QUERY_VALUE);
  for (DWORD index = 0;; ++index) {
    wchar_t name[16384];  // the longest value name the registry allows, plus the terminator
    DWORD length = static_cast<DWORD>(std::size(name));
    const LSTATUS status =
        RegEnumValueW(handle.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) {
      return names;
    }
    Check(status, root, key);
    names.emplace_back(name, length);
  }
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
  // RegDeleteKeyExW reaches the 64-bit view from a 32-bit program; 32-bit Windows XP lacks it
  // and has only the one view.
  using DeleteKeyEx = LSTATUS(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);
  const auto deleteKeyEx = reinterpret_cast<DeleteKeyEx>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"advapi32.dll"), "RegDeleteKeyExW")));
  const LSTATUS status = deleteKeyEx != nullptr ? deleteKeyEx(RootKey(root), key.c_str(), kView, 0)
                                                : RegDeleteKeyW(RootKey(root), key.c_str());
  if (status != ERROR_FILE_NOT_FOUND) {
    Check(status, root, key);
  }
}

void Win32SetupSystem::AddUserLanguage(const std::wstring& profile) {
  if (installLayoutOrTip_ == nullptr || !installLayoutOrTip_(profile.c_str(), 0)) {
    ThrowSystemError(ERROR_GEN_FAILURE, L"your input languages");
  }
}

void Win32SetupSystem::RemoveUserLanguage(const std::wstring& profile) {
  constexpr DWORD kUninstall = 0x1;  // ILOT_UNINSTALL
  if (installLayoutOrTip_ == nullptr || !installLayoutOrTip_(profile.c_str(), kUninstall)) {
    ThrowSystemError(ERROR_GEN_FAILURE, L"your input languages");
  }
}

void Win32SetupSystem::LoadLayout(const std::wstring& id) noexcept {
  LoadKeyboardLayoutW(id.c_str(), KLF_SUBSTITUTE_OK);
}

void Win32SetupSystem::UnloadLayout(const std::wstring& layoutId) noexcept {
  const unsigned long id = std::wcstoul(layoutId.c_str(), nullptr, 16);
  const int count = GetKeyboardLayoutList(0, nullptr);
  if (id == 0 || count <= 0) {
    return;
  }
  std::vector<HKL> layouts(static_cast<std::size_t>(count));
  const int got = GetKeyboardLayoutList(count, layouts.data());
  // A custom layout's handle: 0xF000 | Layout Id in the high word, the language in the low.
  const auto wanted = static_cast<ULONG_PTR>(((0xF000 | id) << 16) | 0x0420);
  for (int i = 0; i < got; ++i) {
    if ((reinterpret_cast<ULONG_PTR>(layouts[static_cast<std::size_t>(i)]) & 0xFFFFFFFF) ==
        wanted) {
      UnloadKeyboardLayout(layouts[static_cast<std::size_t>(i)]);
    }
  }
}
