#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// A font file, read piece by piece.
class FontFileReader {
 public:
  virtual ~FontFileReader() = default;
  // Up to `length` bytes from `offset`: fewer, or none, where the file ends first.
  virtual std::vector<std::uint8_t> ReadAt(std::uint64_t offset, std::size_t length) = 0;
};

// The name under which Windows lists an installed font: the font's full name from its own
// 'name' table, followed by " (TrueType)" (" (OpenType)" for PostScript outlines). Nothing
// when the bytes are not a well-formed font with a usable name. Reads only the table directory
// and the 'name' table, a few kilobytes whatever the size of the font.
std::optional<std::wstring> FontRegistryName(FontFileReader& file);

// The same for a font file already in memory.
std::optional<std::wstring> FontRegistryName(std::span<const std::uint8_t> fontFile);
