#pragma once

#include <windows.h>

#include <cstddef>

// Writes all `length` bytes at the file's position. A write may take less than it was given (a
// disk filling up): the rest goes again, and a write that takes nothing means the disk is full.
// ERROR_SUCCESS, or the system's error number for what stopped it.
DWORD WriteAll(HANDLE file, const void* bytes, std::size_t length) noexcept;
