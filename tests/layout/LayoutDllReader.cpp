#include "tests/layout/LayoutDllReader.h"

#include <algorithm>

namespace layout {

std::string Hex(std::uint64_t value) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), digits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return "0x" + text;
}

namespace {

constexpr char16_t kNothing = 0xF000;
constexpr std::size_t kMaxEntries = 1024;  // a table longer than this has lost its end marker

// Reads the fields of one structure in order, aligning each as the compiler does.
class Walker {
 public:
  Walker(const ImageMemory& memory, PointerLayout pointers, std::vector<std::string>& problems)
      : memory_(memory), pointers_(pointers), problems_(problems) {}

  std::size_t PointerSize() const { return pointers_ == PointerLayout::Narrow ? 4 : 8; }

  template <class T>
  T Value(std::uint64_t address, const char* what) const {
    T value{};
    if (!memory_.Read(address, &value, sizeof value)) {
      problems_.push_back(std::string(what) + " at " + Hex(address) + " cannot be read");
    }
    return value;
  }

  // A pointer that leads outside the memory is reported and read as null, not followed.
  std::uint64_t Pointer(std::uint64_t address, const char* what) const {
    std::uint64_t value = 0;
    if (pointers_ == PointerLayout::Narrow) {
      value = Value<std::uint32_t>(address, what);
    } else {
      value = Value<std::uint64_t>(address, what);
      if (pointers_ == PointerLayout::WideSlots && (value >> 32) != 0) {
        problems_.push_back(std::string(what) + ": upper half of the slot is not zero");
        value &= 0xFFFFFFFFu;
      }
    }
    const std::size_t relocatedWidth = pointers_ == PointerLayout::Wide ? 8 : 4;
    if (value != 0 && !memory_.IsRelocated(address, relocatedWidth)) {
      problems_.push_back(std::string(what) + " at " + Hex(address) + " has no relocation");
    }
    std::uint8_t probe = 0;
    if (value != 0 && !memory_.Read(value, &probe, 1)) {
      problems_.push_back(std::string(what) + " at " + Hex(address) + " points to " + Hex(value) +
                          ", outside " + std::string(memory_.Name()));
      return 0;
    }
    return value;
  }

  std::u16string String(std::uint64_t address, const char* what) const {
    std::u16string text;
    for (std::uint64_t i = 0; i < 256; ++i) {
      const auto c = Value<char16_t>(address + 2 * i, what);
      if (c == 0) return text;
      text.push_back(c);
    }
    problems_.push_back(std::string(what) + ": string without an end");
    return text;
  }

  void Problem(std::string text) const { problems_.push_back(std::move(text)); }

 private:
  const ImageMemory& memory_;
  PointerLayout pointers_;
  std::vector<std::string>& problems_;
};

std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

void ReadKeyNames(const Walker& w, std::uint64_t table, std::uint16_t prefix,
                  std::map<std::uint16_t, std::u16string>& names) {
  const std::uint64_t p = w.PointerSize();
  const std::uint64_t stride = 2 * p;  // { BYTE vsc; pointer } padded to pointer alignment
  if (table == 0) return;
  for (std::size_t i = 0; i < kMaxEntries; ++i) {
    const auto vsc = w.Value<std::uint8_t>(table + i * stride, "key name scan code");
    const std::uint64_t text = w.Pointer(table + i * stride + p, "key name");
    if (vsc == 0 && text == 0) return;
    names[static_cast<std::uint16_t>(prefix | vsc)] = text != 0 ? w.String(text, "key name") : u"";
  }
  w.Problem("key name table without an end");
}

void ReadPrefixed(const Walker& w, std::uint64_t table, std::uint16_t prefix,
                  std::map<std::uint16_t, std::uint16_t>& vks) {
  if (table == 0) return;
  for (std::uint64_t i = 0; i < kMaxEntries; ++i) {
    const auto vsc = w.Value<std::uint8_t>(table + 4 * i, "prefixed scan code");
    const auto vk = w.Value<std::uint16_t>(table + 4 * i + 2, "prefixed virtual key");
    if (vsc == 0) return;
    vks[static_cast<std::uint16_t>(prefix | vsc)] = vk;
  }
  w.Problem("prefixed scan code table without an end");
}

}  // namespace

char16_t DecodedLayout::CharacterFor(std::uint8_t vk, unsigned modifierBits) const {
  if (modifierBits >= modifierColumns.size()) return kNothing;
  const std::uint8_t column = modifierColumns[modifierBits];
  for (const std::vector<DecodedKey>& table : tables) {
    const auto key =
        std::find_if(table.begin(), table.end(), [vk](const DecodedKey& k) { return k.vk == vk; });
    if (key != table.end()) {
      return column < key->chars.size() ? key->chars[column] : kNothing;
    }
  }
  return kNothing;
}

std::optional<DecodedLayout::Keystroke> DecodedLayout::KeystrokeFor(char16_t c) const {
  for (const std::vector<DecodedKey>& table : tables) {
    for (const DecodedKey& key : table) {
      for (std::size_t column = 0; column < key.chars.size(); ++column) {
        if (key.chars[column] != c) continue;
        for (unsigned bits = 0; bits < modifierColumns.size(); ++bits) {
          if (modifierColumns[bits] == column) return Keystroke{key.vk, bits};
        }
      }
    }
  }
  return std::nullopt;
}

DecodedLayout ReadKbdTables(const ImageMemory& memory, std::uint64_t address,
                            PointerLayout pointers) {
  DecodedLayout layout;
  const Walker w(memory, pointers, layout.problems);
  const std::uint64_t p = w.PointerSize();

  // KBDTABLES: seven pointers, a byte, two pointers, a DWORD, two bytes, a pointer, two DWORDs.
  std::uint64_t at = address;
  const std::uint64_t modifiers = w.Pointer(at, "pCharModifiers");
  const std::uint64_t vkToWcharTables = w.Pointer(at += p, "pVkToWcharTable");
  const std::uint64_t deadKeys = w.Pointer(at += p, "pDeadKey");
  const std::uint64_t keyNames = w.Pointer(at += p, "pKeyNames");
  const std::uint64_t keyNamesExt = w.Pointer(at += p, "pKeyNamesExt");
  const std::uint64_t keyNamesDead = w.Pointer(at += p, "pKeyNamesDead");
  const std::uint64_t scanCodes = w.Pointer(at += p, "pusVSCtoVK");
  const auto scanCodeCount = w.Value<std::uint8_t>(at += p, "bMaxVSCtoVK");
  const std::uint64_t e0 = w.Pointer(at = AlignUp(at + 1, p), "pVSCtoVK_E0");
  const std::uint64_t e1 = w.Pointer(at += p, "pVSCtoVK_E1");
  layout.localeFlags = w.Value<std::uint32_t>(at += p, "fLocaleFlags");
  layout.ligatureMax = w.Value<std::uint8_t>(at += 4, "nLgMax");
  layout.ligatureEntrySize = w.Value<std::uint8_t>(at += 1, "cbLgEntry");
  layout.hasLigatures = w.Pointer(at = AlignUp(at + 1, p), "pLigature") != 0;
  layout.keyboardType = w.Value<std::uint32_t>(at += p, "dwType");
  layout.keyboardSubType = w.Value<std::uint32_t>(at + 4, "dwSubType");

  // MODIFIERS: pointer to {vk, bit} pairs, the highest bit combination, then one column each.
  if (modifiers == 0) {
    w.Problem("no modifiers");
  } else {
    const std::uint64_t bits = w.Pointer(modifiers, "pVkToBit");
    for (std::uint64_t i = 0; bits != 0 && i < 16; ++i) {
      const auto vk = w.Value<std::uint8_t>(bits + 2 * i, "modifier key");
      const auto bit = w.Value<std::uint8_t>(bits + 2 * i + 1, "modifier bit");
      if (vk == 0) break;
      layout.modifierBits.emplace_back(vk, bit);
    }
    const auto maxBits = w.Value<std::uint16_t>(modifiers + p, "wMaxModBits");
    for (std::uint16_t b = 0; b <= maxBits && b < 256; ++b) {
      layout.modifierColumns.push_back(w.Value<std::uint8_t>(modifiers + p + 2 + b, "ModNumber"));
    }
  }

  // VK_TO_WCHAR_TABLE entries { pointer, BYTE columns, BYTE row size }, ended by a null.
  for (std::uint64_t t = 0; vkToWcharTables != 0 && t < 16; ++t) {
    const std::uint64_t entry = vkToWcharTables + t * 2 * p;
    const std::uint64_t rows = w.Pointer(entry, "pVkToWchars");
    if (rows == 0) break;
    const auto columns = w.Value<std::uint8_t>(entry + p, "nModifications");
    const auto rowSize = w.Value<std::uint8_t>(entry + p + 1, "cbSize");
    if (rowSize != 2 + 2 * columns) {
      w.Problem("table " + std::to_string(t) + " has rows of " + std::to_string(rowSize) +
                " bytes for " + std::to_string(columns) + " columns");
    }
    std::vector<DecodedKey>& keys = layout.tables.emplace_back();
    for (std::uint64_t r = 0;; ++r) {
      if (r == kMaxEntries) {
        w.Problem("character table without an end");
        break;
      }
      const std::uint64_t row = rows + r * rowSize;
      DecodedKey key;
      key.vk = w.Value<std::uint8_t>(row, "VirtualKey");
      if (key.vk == 0) break;
      key.attributes = w.Value<std::uint8_t>(row + 1, "Attributes");
      for (std::uint64_t c = 0; c < columns; ++c) {
        key.chars.push_back(w.Value<char16_t>(row + 2 + 2 * c, "wch"));
      }
      keys.push_back(std::move(key));
    }
  }

  for (std::uint64_t i = 0; deadKeys != 0 && i < kMaxEntries; ++i) {
    if (w.Value<std::uint32_t>(deadKeys + 8 * i, "dwBoth") == 0) break;
    ++layout.deadKeyCount;
  }
  layout.hasDeadKeyNames = keyNamesDead != 0;

  ReadKeyNames(w, keyNames, 0, layout.keyNames);
  ReadKeyNames(w, keyNamesExt, 0xE000, layout.keyNames);

  for (std::uint64_t s = 0; scanCodes != 0 && s < scanCodeCount; ++s) {
    layout.scanCodeToVk.push_back(w.Value<std::uint16_t>(scanCodes + 2 * s, "usVSCtoVK"));
  }
  ReadPrefixed(w, e0, 0xE000, layout.prefixedScanCodeToVk);
  ReadPrefixed(w, e1, 0xE100, layout.prefixedScanCodeToVk);
  return layout;
}

// ---- PeImage ----------------------------------------------------------------------------------

namespace {

constexpr int kRelocHighLow = 3;
constexpr int kRelocDir64 = 10;

}  // namespace

std::optional<PeImage> PeImage::Parse(std::vector<std::uint8_t> file, std::string& error) {
  auto headers = PeFile::Parse(file, &error);
  if (!headers) {
    return std::nullopt;
  }
  PeImage image(std::move(file), std::move(*headers));

  // Base relocations: blocks of { page RVA, block size, 16-bit entries of type << 12 | offset }.
  const auto [relocRva, relocSize] = image.headers_.DataDirectory(PeFile::kRelocationDirectory);
  for (std::uint32_t at = 0; relocRva != 0 && at + 8 <= relocSize;) {
    std::uint32_t page = 0;
    std::uint32_t blockSize = 0;
    image.ReadRva(relocRva + at, &page, 4);
    image.ReadRva(relocRva + at + 4, &blockSize, 4);
    if (blockSize < 8) break;
    for (std::uint32_t e = 8; e + 2 <= blockSize; e += 2) {
      std::uint16_t entry = 0;
      image.ReadRva(relocRva + at + e, &entry, 2);
      const int type = entry >> 12;
      if (type != 0) image.relocations_[page + (entry & 0xFFF)] = type;
    }
    at += blockSize;
  }
  return image;
}

std::uint32_t PeImage::DirectoryRva(std::size_t index) const {
  return headers_.DataDirectory(index).rva;
}

bool PeImage::ReadRva(std::uint32_t rva, void* out, std::size_t size) const {
  return headers_.ReadMapped(rva, {static_cast<std::uint8_t*>(out), size});
}

bool PeImage::Read(std::uint64_t address, void* out, std::size_t size) const {
  if (address < ImageBase() || address - ImageBase() > 0xFFFFFFFFu) return false;
  return ReadRva(static_cast<std::uint32_t>(address - ImageBase()), out, size);
}

bool PeImage::IsRelocated(std::uint64_t address, std::size_t width) const {
  if (address < ImageBase()) return false;
  const auto it = relocations_.find(static_cast<std::uint32_t>(address - ImageBase()));
  return it != relocations_.end() && it->second == (width == 8 ? kRelocDir64 : kRelocHighLow);
}

std::vector<std::string> PeImage::ImportedDlls() const {
  std::vector<std::string> names;
  const std::uint32_t imports = DirectoryRva(PeFile::kImportDirectory);
  for (std::uint32_t i = 0; imports != 0 && i < 256; ++i) {
    // IMAGE_IMPORT_DESCRIPTOR: five DWORDs; the name RVA is the fourth; all zero ends the list.
    std::uint32_t fields[5] = {};
    if (!ReadRva(imports + 20 * i, fields, sizeof fields)) break;
    if (fields[0] == 0 && fields[3] == 0 && fields[4] == 0) break;
    std::string name;
    for (std::uint32_t c = 0; c < 260; ++c) {
      char ch = 0;
      if (!ReadRva(fields[3] + c, &ch, 1) || ch == 0) break;
      name.push_back(ch);
    }
    names.push_back(name);
  }
  return names;
}

std::vector<PeImage::Export> PeImage::Exports() const {
  std::vector<Export> exports;
  const std::uint32_t directoryRva = DirectoryRva(PeFile::kExportDirectory);
  std::uint32_t directory[10] = {};  // IMAGE_EXPORT_DIRECTORY as DWORDs
  if (directoryRva == 0 || !ReadRva(directoryRva, directory, sizeof directory)) return exports;
  const std::uint32_t ordinalBase = directory[4];
  for (std::uint32_t index = 0; index < directory[5] && index < 4096; ++index) {
    std::uint32_t rva = 0;
    if (ReadRva(directory[7] + 4 * index, &rva, 4) && rva != 0) {
      exports.push_back({rva, ordinalBase + index, {}});
    }
  }
  // Names: each with the index of its function in the address table.
  for (std::uint32_t i = 0; i < directory[6] && i < 4096; ++i) {
    std::uint32_t nameRva = 0;
    std::uint16_t index = 0;
    ReadRva(directory[8] + 4 * i, &nameRva, 4);
    ReadRva(directory[9] + 2 * i, &index, 2);
    std::string name;
    for (std::uint32_t c = 0; c < 256; ++c) {
      char ch = 0;
      if (!ReadRva(nameRva + c, &ch, 1) || ch == 0) break;
      name.push_back(ch);
    }
    for (Export& e : exports) {
      if (e.ordinal == ordinalBase + index) e.name = name;
    }
  }
  return exports;
}

std::optional<PeImage::Export> PeImage::FindExport(std::string_view name) const {
  const std::vector<Export> exports = Exports();
  const auto it = std::find_if(exports.begin(), exports.end(),
                               [name](const Export& e) { return e.name == name; });
  return it == exports.end() ? std::nullopt : std::optional<Export>(*it);
}

}  // namespace layout
