#include "platform/FileRead_win.h"

#include <algorithm>
#include <climits>

#include "platform/Handles_win.h"
#include "platform/SystemError_win.h"

std::optional<std::size_t> ReadOn(HANDLE file, void* into, std::size_t length) noexcept {
  auto* const bytes = static_cast<std::uint8_t*>(into);
  std::size_t total = 0;
  while (total < length) {
    DWORD read = 0;
    const auto piece = static_cast<DWORD>(std::min<std::size_t>(length - total, 1u << 30));
    if (!ReadFile(file, bytes + total, piece, &read, nullptr)) {
      return std::nullopt;
    }
    if (read == 0) {
      break;
    }
    total += read;
  }
  return total;
}

std::vector<std::uint8_t> ReadFilePart(HANDLE file, std::uint64_t offset, std::size_t length,
                                       const std::wstring& path) {
  std::vector<std::uint8_t> bytes(std::min(length, kLargestRead));
  // Through the file's own position, not an OVERLAPPED offset: Wine serves a positioned read on
  // an ordinary handle through its server, several times slower.
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(std::min<std::uint64_t>(offset, LLONG_MAX));
  std::optional<std::size_t> read;
  if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN) ||
      !(read = ReadOn(file, bytes.data(), bytes.size()))) {
    ThrowFileError(GetLastError(), path);
  }
  bytes.resize(*read);
  return bytes;
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::wstring& path) {
  const UniqueFileHandle file(CreateFileW(
      path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
      return std::nullopt;
    }
    ThrowFileError(error, path);
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) {
    ThrowFileError(GetLastError(), path);
  }
  if (static_cast<std::uint64_t>(size.QuadPart) > kLargestRead) {
    ThrowFileError(ERROR_FILE_TOO_LARGE, path);
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
  const auto read = ReadOn(file.Get(), bytes.data(), bytes.size());
  if (!read) {
    ThrowFileError(GetLastError(), path);
  }
  if (*read != bytes.size()) {
    ThrowFileError(ERROR_HANDLE_EOF, path);
  }
  return bytes;
}
