#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Reading files into memory, the same way in both programs.

// The most either program reads from one file into memory. What they read is small (a font's
// table directory and name table, a layout DLL, setup.exe: a few hundred kilobytes at the most);
// a file or a request larger than this is damage, not data.
inline constexpr std::size_t kLargestRead = 16 * 1024 * 1024;

// Reads on from the file's position until `length` bytes are in or the file ends: the count
// read, or nothing on a failure (GetLastError says why).
std::optional<std::size_t> ReadOn(HANDLE file, void* into, std::size_t length) noexcept;

// Up to `length` bytes of the open file from `offset`, at most kLargestRead: fewer where the
// file ends. Moves the file's position. Throws SystemError naming the file at `path`.
std::vector<std::uint8_t> ReadFilePart(HANDLE file, std::uint64_t offset, std::size_t length,
                                       const std::wstring& path);

// The whole file at `path`, or nothing where there is no such file (or folder). Opened so that
// nobody is kept from it meanwhile: others may read, write and delete it. Throws SystemError
// naming the file, also where it is larger than kLargestRead (error 223, too large) or changes
// size while it is read (error 38, end of file).
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::wstring& path);
