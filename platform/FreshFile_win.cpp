#include "platform/FreshFile_win.h"

#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/FileWrite_win.h"
#include "platform/NtPath.h"
#include "platform/SystemError_win.h"
#include "platform/SystemLibrary_win.h"

namespace {

// Renaming and deleting through a handle (rather than by a name someone else could change in
// between) are ntdll's, in every Windows since NT: kernel32's SetFileInformationByHandle came
// with Vista.
// The system's IO_STATUS_BLOCK: a status (in a pointer-sized slot) and a count; neither is read,
// the call's own result says all.
struct IoStatus {
  ULONG_PTR status;
  ULONG_PTR information;
};
using NtSetInformationFileFn = LONG(NTAPI*)(HANDLE, IoStatus*, void*, ULONG, ULONG);
using RtlNtStatusToDosErrorFn = ULONG(NTAPI*)(LONG);
constexpr ULONG kFileRenameInformation = 10;
constexpr ULONG kFileDispositionInformation = 13;

// The system's error number, or ERROR_SUCCESS.
DWORD SetFileInformation(HANDLE file, ULONG informationClass, void* information, ULONG size) {
  const auto set = SystemFunction<NtSetInformationFileFn>(L"ntdll.dll", "NtSetInformationFile");
  const auto toError =
      SystemFunction<RtlNtStatusToDosErrorFn>(L"ntdll.dll", "RtlNtStatusToDosError");
  IoStatus io{};
  const LONG status = set(file, &io, information, size, informationClass);
  return status >= 0 ? ERROR_SUCCESS : toError(status);
}

// Gives `file` the name `path`, replacing whatever has that name, as MoveFileEx does but through
// the handle: no one can have put another file in its place.
DWORD RenameOver(HANDLE file, const std::wstring& path) {
  const std::wstring name = NtPathName(path);
  struct RenameInformation {  // the system's FILE_RENAME_INFORMATION
    BOOLEAN replaceIfExists;
    HANDLE rootDirectory;
    ULONG fileNameLength;
    WCHAR fileName[1];  // as long as fileNameLength says
  };
  const std::size_t nameOffset = offsetof(RenameInformation, fileName);
  const std::size_t size = nameOffset + name.size() * sizeof(WCHAR);
  const std::size_t slots = size / sizeof(ULONG_PTR) + 1;
  std::vector<ULONG_PTR> buffer(slots);  // aligned as the fixed part
  auto* rename = reinterpret_cast<RenameInformation*>(buffer.data());
  rename->replaceIfExists = TRUE;
  rename->rootDirectory = nullptr;
  rename->fileNameLength = static_cast<ULONG>(name.size()) * ULONG{sizeof(WCHAR)};
  std::memcpy(reinterpret_cast<char*>(buffer.data()) + nameOffset, name.data(),
              name.size() * sizeof(WCHAR));
  const ULONG bufferSize = static_cast<ULONG>(slots) * ULONG{sizeof(ULONG_PTR)};
  return SetFileInformation(file, kFileRenameInformation, buffer.data(), bufferSize);
}

// Marks the file for deletion when its last handle closes. The deletion is tried only where
// the program made the file itself; a failure leaves a stray file and changes nothing else.
void DeleteOnClose(HANDLE file) {
  BOOLEAN deleteFile = TRUE;
  SetFileInformation(file, kFileDispositionInformation, &deleteFile, sizeof(deleteFile));
}

// A new file of its own beside `path`, under a name nobody could have prepared: "install.vbs"
// gets "install.vbs.<8 hex digits>.new", from the process and the time. A name that is taken
// already is passed over.
UniqueFileHandle CreateBeside(const std::wstring& path, const std::wstring& context) {
  std::wstring name = path + L".00000000.new";
  const std::size_t digits = path.size() + 1;
  DWORD unique = (GetCurrentProcessId() << 16) ^ GetTickCount();
  for (int attempt = 0; attempt < 16; ++attempt, ++unique) {
    for (int i = 0; i < 8; ++i) {
      name[digits + i] = L"0123456789abcdef"[(unique >> (28 - 4 * i)) & 15];
    }
    // Read and written by this program alone until it has its name.
    UniqueFileHandle file(CreateFileW(name.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      return file;
    }
    if (GetLastError() != ERROR_FILE_EXISTS) {
      ThrowLastError(context);
    }
  }
  ThrowSystemError(ERROR_FILE_EXISTS, context);
}

// Opens the file at `path` for reading, shared for reading only, into `held`, when its contents
// are exactly `bytes`: from then on nobody can write, rename or delete it. Never through a link:
// where one stands at the name, its own (empty) contents are read and refused. The system's
// error number otherwise; someone may have written or replaced the file in the moment before.
DWORD HoldExactly(const std::wstring& path, std::string_view bytes, UniqueFileHandle& held) {
  held.Reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!held) {
    return GetLastError();
  }
  std::string contents(bytes.size() + 1, '\0');
  DWORD read = 0;
  if (!ReadFile(held.Get(), contents.data(), static_cast<DWORD>(contents.size()), &read, nullptr)) {
    return GetLastError();
  }
  if (std::string_view(contents.data(), read) != bytes) {
    return ERROR_SHARING_VIOLATION;
  }
  return ERROR_SUCCESS;
}

}  // namespace

UniqueFileHandle WriteFreshFile(const std::wstring& path, std::string_view bytes) {
  const std::wstring context = L"the file " + path;
  DWORD renamed = ERROR_SUCCESS;
  {
    const UniqueFileHandle file = CreateBeside(path, context);
    const DWORD error = WriteAll(file.Get(), bytes.data(), bytes.size());
    if (error != ERROR_SUCCESS) {
      DeleteOnClose(file.Get());
      ThrowSystemError(error, context);
    }
    renamed = RenameOver(file.Get(), path);
    if (renamed != ERROR_SUCCESS) {
      DeleteOnClose(file.Get());
    }
  }  // closed: only now can it be opened to be shared for reading only

  // A file that is open cannot be replaced (only Windows 10 added a way, and the script is for
  // Windows XP), and another copy of the program holds its own script so until it ends. The
  // text is the same in every copy: a file at the name that holds exactly these bytes is as good
  // as ours, and is held the same way. Anything else there is refused with the rename's error.
  UniqueFileHandle held;
  const DWORD error = HoldExactly(path, bytes, held);
  if (error != ERROR_SUCCESS) {
    ThrowSystemError(renamed != ERROR_SUCCESS ? renamed : error, context);
  }
  return held;
}
