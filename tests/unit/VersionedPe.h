#pragma once

// A minimal PE file whose only content is a version resource, built byte by byte so that the
// native tests can hand setup the kind of file it finds in a system folder.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace versioned_pe {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& b, std::size_t at, unsigned v) {
  b[at] = static_cast<std::uint8_t>(v), b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, v & 0xFFFF), Put16(b, at + 2, v >> 16);
}
inline void Pad4(Bytes& b) { b.resize((b.size() + 3) & ~std::size_t{3}); }

// One node of a version resource: key, value (text in UTF-16, or raw bytes) and children.
inline Bytes Node(const std::u16string& key, const Bytes& value, bool text,
                  const std::vector<Bytes>& children) {
  Bytes b(6);
  for (char16_t c : key + u'\0') {
    b.push_back(static_cast<std::uint8_t>(c)), b.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  Pad4(b);
  b.insert(b.end(), value.begin(), value.end());
  for (const auto& child : children) {
    Pad4(b);
    b.insert(b.end(), child.begin(), child.end());
  }
  Put16(b, 0, static_cast<unsigned>(b.size()));
  Put16(b, 2, static_cast<unsigned>(text ? value.size() / 2 : value.size()));
  Put16(b, 4, text ? 1 : 0);
  return b;
}

inline Bytes Text(const std::u16string& text) {
  Bytes b;
  for (char16_t c : text + u'\0') {
    b.push_back(static_cast<std::uint8_t>(c)), b.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return b;
}

// A 32-bit DLL with one .rsrc section holding a version resource with these strings; `tail` is
// appended after the image (as an installer's variants differ).
inline Bytes Dll(const std::vector<std::pair<std::u16string, std::u16string>>& strings,
                 const std::string& tail = {}) {
  std::vector<Bytes> entries;
  for (const auto& [name, value] : strings) {
    entries.push_back(Node(name, Text(value), true, {}));
  }
  const Bytes version =
      Node(u"VS_VERSION_INFO", Bytes(52), false,
           {Node(u"StringFileInfo", {}, true, {Node(u"040904B0", {}, true, entries)})});
  // Resource tree: type 16 -> name 1 -> language 0x409 -> data, then the version itself.
  Bytes rsrc(0x60);
  const std::uint32_t sectionRva = 0x1000;
  for (std::size_t level = 0; level < 3; ++level) {
    const std::size_t dir = level * 0x18;
    Put16(rsrc, dir + 14, 1);
    Put32(rsrc, dir + 16, level == 0 ? 16 : level == 1 ? 1 : 0x409);
    Put32(rsrc, dir + 20, level < 2 ? 0x80000000u | static_cast<std::uint32_t>(dir + 0x18) : 0x48);
  }
  Put32(rsrc, 0x48, sectionRva + 0x60);
  Put32(rsrc, 0x4C, static_cast<std::uint32_t>(version.size()));
  rsrc.insert(rsrc.end(), version.begin(), version.end());
  Pad4(rsrc);

  Bytes pe(0x200);
  pe[0] = 'M', pe[1] = 'Z';
  Put32(pe, 0x3C, 0x40);
  pe[0x40] = 'P', pe[0x41] = 'E';
  const std::size_t coff = 0x44;
  Put16(pe, coff, 0x014C);
  Put16(pe, coff + 2, 1);
  Put16(pe, coff + 16, 224);
  const std::size_t optional = coff + 20;
  Put16(pe, optional, 0x10B);
  Put32(pe, optional + 92, 16);
  Put32(pe, optional + 96 + 2 * 8, sectionRva);
  Put32(pe, optional + 96 + 2 * 8 + 4, static_cast<std::uint32_t>(rsrc.size()));
  const std::size_t section = optional + 224;
  std::copy_n(".rsrc", 5, pe.begin() + static_cast<std::ptrdiff_t>(section));
  Put32(pe, section + 8, static_cast<std::uint32_t>(rsrc.size()));
  Put32(pe, section + 12, sectionRva);
  Put32(pe, section + 16, static_cast<std::uint32_t>(rsrc.size()));
  Put32(pe, section + 20, 0x200);
  pe.insert(pe.end(), rsrc.begin(), rsrc.end());
  pe.insert(pe.end(), tail.begin(), tail.end());
  return pe;
}

}  // namespace versioned_pe
