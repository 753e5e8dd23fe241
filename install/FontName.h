#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// The name under which Windows lists an installed font: the font's full name from its own
// 'name' table, followed by " (TrueType)" (" (OpenType)" for PostScript outlines). Nothing
// when the bytes are not a well-formed font with a usable name.
std::optional<std::wstring> FontRegistryName(std::span<const std::uint8_t> fontFile);
