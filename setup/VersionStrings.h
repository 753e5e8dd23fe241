#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The texts of a Windows program file's version resource ("CompanyName", "ProductName", ...),
// read from the file's bytes without loading it: setup looks at a file that is already in the
// system folder before it decides whether that file is its own.

using VersionStrings = std::map<std::wstring, std::wstring>;

// The first string table of the version resource; nothing when the bytes are not a PE file or
// carry no readable version resource.
std::optional<VersionStrings> ReadVersionStrings(const std::vector<std::uint8_t>& file);
