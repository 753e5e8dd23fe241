#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Reads up to `length` bytes of a font file from `offset`: fewer, or none, where the file ends
// first.
using FontFileReader =
    std::function<std::vector<std::uint8_t>(std::uint64_t offset, std::size_t length)>;

// The name under which Windows lists an installed font: the font's full name from its own
// 'name' table, followed by " (TrueType)" (" (OpenType)" for PostScript outlines). Nothing
// when the bytes are not a well-formed font with a usable name. Reads only the table directory
// and the 'name' table, a few kilobytes whatever the size of the font.
std::optional<std::wstring> FontRegistryName(const FontFileReader& read);

// The same for a font file already in memory.
std::optional<std::wstring> FontRegistryName(std::span<const std::uint8_t> fontFile);
