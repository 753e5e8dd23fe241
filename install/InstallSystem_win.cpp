#include "install/InstallSystem_win.h"

#include "app/Application_win.h"
#include "install/Module1_win.h"
#include "platform/FreshFile_win.h"
#include "platform/Handles_win.h"
#include "platform/SystemError_win.h"

std::wstring Win32InstallSystem::AppFolder() { return ::AppFolder(); }

std::wstring Win32InstallSystem::SystemFolder() {
  // A 32-bit program on 64-bit Windows gets "system32" too; the system sends it to the 32-bit
  // folder, which has its own script host.
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    ThrowLastError(L"Finding the system folder");
  }
  return folder;
}

int Win32InstallSystem::ShowMessage(std::wstring_view prompt, unsigned code,
                                    std::wstring_view title) {
  return MsgBox(owner_, prompt, code, title);
}

void Win32InstallSystem::Launch(const std::wstring& application, const std::wstring& commandLine,
                                int showCode) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showCode);
  PROCESS_INFORMATION started{};
  std::wstring line = commandLine;  // CreateProcessW may write into it
  // Started in the system folder, not in ours (the current folder when the user opened the
  // program): Windows looks for a program's DLLs in its current folder too, and the script host
  // and the INF installer it starts do not restrict that as our programs do.
  const std::wstring folder = SystemFolder();
  // The program is named by its full path, so no search and no guessing at spaces happens.
  if (!CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &started)) {
    ThrowLastError(L"Starting " + application);
  }
  // Never waited for, never watched.
  UniqueKernelHandle process(started.hProcess);
  UniqueKernelHandle thread(started.hThread);
}

void Win32InstallSystem::WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  // The file last written stays held (readable by all, writable by none) until the program
  // ends or writes it again: the script host is started on it right after, and must read these
  // bytes, not whatever someone could put there meanwhile.
  static UniqueFileHandle held;
  held.Reset();  // our own hold would keep the new file from taking the name
  held = WriteFreshFile(path, bytes);
}

std::vector<std::uint8_t> Win32InstallSystem::ReadFileBytes(const std::wstring& path) {
  const std::wstring context = L"Reading " + path;
  const UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    ThrowLastError(context);
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) {
    ThrowLastError(context);
  }
  constexpr LONGLONG kLargestFont = 64LL * 1024 * 1024;
  if (size.QuadPart > kLargestFont) {
    ThrowSystemError(ERROR_BAD_FORMAT, context);
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty() &&
      (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
       read != bytes.size())) {
    ThrowLastError(context);
  }
  return bytes;
}

std::vector<std::wstring> Win32InstallSystem::OrdinaryFiles(const std::wstring& pattern) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found{};
  const UniqueFindHandle search(FindFirstFileW(pattern.c_str(), &found));
  if (!search) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
        error == ERROR_NO_MORE_FILES) {
      return names;  // no folder or nothing in it: nothing to copy
    }
    ThrowSystemError(error, L"Listing " + pattern);
  }
  constexpr DWORD kNotOrdinary =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
  do {
    if ((found.dwFileAttributes & kNotOrdinary) == 0) {
      names.emplace_back(found.cFileName);
    }
  } while (FindNextFileW(search.Get(), &found));
  const DWORD error = GetLastError();
  if (error != ERROR_NO_MORE_FILES) {
    ThrowSystemError(error, L"Listing " + pattern);
  }
  return names;
}

void Win32InstallSystem::CopyFileOver(const std::wstring& from, const std::wstring& to) {
  if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) {
    ThrowLastError(L"Copying " + from + L" to " + to);
  }
}

std::wstring Win32InstallSystem::SpecialFolder(int folderId) { return GetSpecialFolder(folderId); }

void Win32InstallSystem::RegisterFont(const std::wstring& valueName, const std::wstring& fileName,
                                      const std::wstring& path) {
  // The machine's list of fonts, read at every start. On 64-bit Windows this key is shared
  // between 32- and 64-bit programs (not redirected); asking for the 64-bit view says so and
  // is ignored on 32-bit Windows.
  HKEY opened = nullptr;
  const LSTATUS status = RegCreateKeyExW(
      HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", 0, nullptr,
      REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &opened, nullptr);
  if (status != ERROR_SUCCESS) {
    ThrowSystemError(static_cast<DWORD>(status), L"Registering the font " + fileName);
  }
  const UniqueRegKey key(opened);
  // A bare file name: the system looks for it in the Fonts folder.
  const auto* data = reinterpret_cast<const BYTE*>(fileName.c_str());
  const DWORD size = static_cast<DWORD>(fileName.size() + 1) * static_cast<DWORD>(sizeof(wchar_t));
  const LSTATUS set = RegSetValueExW(key.Get(), valueName.c_str(), 0, REG_SZ, data, size);
  if (set != ERROR_SUCCESS) {
    ThrowSystemError(static_cast<DWORD>(set), L"Registering the font " + fileName);
  }
  // Usable at once, without a restart.
  if (AddFontResourceW(path.c_str()) == 0) {
    const DWORD error = GetLastError();
    ThrowSystemError(error != ERROR_SUCCESS ? error : ERROR_BAD_FORMAT,
                     L"Loading the font " + path);
  }
}

void Win32InstallSystem::AnnounceFontChange() {
  // Posted, not sent: a program that does not answer can never hold the installer up.
  PostMessageW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
}

void Win32InstallSystem::End() { ::End(); }
