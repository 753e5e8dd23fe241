#include "install/InstallSystem_win.h"

#include <algorithm>
#include <optional>

#include "core/Application_win.h"
#include "platform/FileRead_win.h"
#include "platform/FileWrite_win.h"
#include "platform/FreshFile_win.h"
#include "platform/Handles_win.h"
#include "platform/Module1_win.h"
#include "platform/Paths_win.h"
#include "platform/SystemError_win.h"

std::wstring Win32InstallSystem::AppFolder() { return ::AppFolder(); }

// A 32-bit program on 64-bit Windows gets "system32" too; the system sends it to the 32-bit
// folder, which has its own script host.
std::wstring Win32InstallSystem::SystemFolder() { return ::SystemFolder(); }

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
    ThrowLastError(L"the program " + application);
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

namespace {

// Anyone else may read, write or delete the file while it is open here: Windows holds a loaded
// font open for reading, and an installer must never be what keeps a file in use.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Reads and writes go through the file's own position, not through OVERLAPPED offsets: Wine
// serves a positioned read on an ordinary handle through its server, several times slower.
class Win32FileForReading final : public FileForReading {
 public:
  explicit Win32FileForReading(const std::wstring& path)
      : path_(path),
        file_(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {
    if (!file_) {
      ThrowFileError(GetLastError(), path_);
    }
  }

  // No part of a font the name reader asks for comes near the platform's largest read; a
  // larger request is damage, and gets no more than that.
  std::vector<std::uint8_t> ReadAt(std::uint64_t offset, std::size_t length) override {
    return ReadFilePart(file_.Get(), offset, length, path_);
  }

  void CopyTo(const std::wstring& destination) override {
    FILETIME lastWrite{};
    const LARGE_INTEGER start{};
    if (!GetFileTime(file_.Get(), nullptr, nullptr, &lastWrite) ||
        !SetFilePointerEx(file_.Get(), start, nullptr, FILE_BEGIN)) {
      CopyFailed(GetLastError(), destination);
    }
    // Created as an ordinary file: nothing of the source's attributes (read-only from a CD)
    // comes along.
    UniqueFileHandle copy(CreateFileW(destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!copy) {
      CopyFailed(GetLastError(), destination);
    }
    DWORD error = CopyContents(copy.Get());
    if (error == ERROR_SUCCESS && !SetFileTime(copy.Get(), nullptr, nullptr, &lastWrite)) {
      error = GetLastError();
    }
    if (error != ERROR_SUCCESS) {
      copy.Reset();
      // A font cut short must not stay in the Fonts folder for the next install to meet.
      DeleteFileW(destination.c_str());
      CopyFailed(error, destination);
    }
  }

 private:
  [[noreturn]] void CopyFailed(DWORD error, const std::wstring& destination) const {
    ThrowSystemError(error, L"the file " + destination + L" (a copy of " + path_ + L")");
  }

  // The rest of the file into `copy`, in pieces of the size CopyFileW uses; the system's error
  // number on a failure.
  DWORD CopyContents(HANDLE copy) const {
    std::vector<std::uint8_t> piece(64 * 1024);
    for (;;) {
      DWORD read = 0;
      if (!ReadFile(file_.Get(), piece.data(), static_cast<DWORD>(piece.size()), &read, nullptr)) {
        return GetLastError();
      }
      if (read == 0) {
        return ERROR_SUCCESS;
      }
      if (const DWORD error = WriteAll(copy, piece.data(), read); error != ERROR_SUCCESS) {
        return error;
      }
    }
  }

  std::wstring path_;
  UniqueFileHandle file_;
};

// The size of a file, or nothing when it is not there (or not a file).
std::optional<ULONGLONG> FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  return static_cast<ULONGLONG>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

}  // namespace

std::unique_ptr<FileForReading> Win32InstallSystem::OpenForReading(const std::wstring& path) {
  return std::make_unique<Win32FileForReading>(path);
}

bool Win32InstallSystem::HoldsSameBytes(const std::wstring& path, const std::wstring& original) {
  const auto size = FileSize(path);
  if (!size || size != FileSize(original)) {
    return false;  // absent, or a different size: no need to read a byte
  }
  const UniqueFileHandle one(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  const UniqueFileHandle other(CreateFileW(original.c_str(), GENERIC_READ, kShareAll, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!one || !other) {
    return false;  // held without read sharing: whether it is ours cannot be known
  }
  constexpr std::size_t kChunk = 64 * 1024;
  std::vector<char> left(kChunk);
  std::vector<char> right(kChunk);
  for (;;) {
    const auto leftRead = ReadOn(one.Get(), left.data(), left.size());
    const auto rightRead = ReadOn(other.Get(), right.data(), right.size());
    if (!leftRead || !rightRead || *leftRead != *rightRead ||
        !std::equal(left.data(), left.data() + *leftRead, right.data())) {
      return false;
    }
    if (*leftRead < kChunk) {
      return true;  // both ended together, every byte equal
    }
  }
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
    ThrowSystemError(error, L"the files " + pattern);
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
    ThrowSystemError(error, L"the files " + pattern);
  }
  return names;
}

void Win32InstallSystem::ClearReadOnly(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    ThrowFileError(GetLastError(), path);
  }
  // Changing attributes needs no write access to the contents, so this works on a font Windows
  // holds open too.
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
      !SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
    ThrowFileError(GetLastError(), path);
  }
}

std::wstring Win32InstallSystem::SpecialFolder(int folderId) {
  return GetSpecialFolder(folderId, owner_);
}

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
    ThrowSystemError(static_cast<DWORD>(status),
                     L"the font " + fileName + L" in the machine's list of fonts");
  }
  const UniqueRegKey key(opened);
  // A bare file name: the system looks for it in the Fonts folder.
  const auto* data = reinterpret_cast<const BYTE*>(fileName.c_str());
  const DWORD size = static_cast<DWORD>(fileName.size() + 1) * static_cast<DWORD>(sizeof(wchar_t));
  const LSTATUS set = RegSetValueExW(key.Get(), valueName.c_str(), 0, REG_SZ, data, size);
  if (set != ERROR_SUCCESS) {
    ThrowSystemError(static_cast<DWORD>(set),
                     L"the font " + fileName + L" in the machine's list of fonts");
  }
  // Usable at once, without a restart.
  if (AddFontResourceW(path.c_str()) == 0) {
    const DWORD error = GetLastError();
    ThrowSystemError(error != ERROR_SUCCESS ? error : ERROR_BAD_FORMAT, L"the font " + path);
  }
}

void Win32InstallSystem::AnnounceFontChange() {
  // Posted, not sent: a program that does not answer can never hold the installer up.
  PostMessageW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
}

void Win32InstallSystem::End() { ::End(); }
