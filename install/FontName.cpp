#include "install/FontName.h"

#include <algorithm>
#include <string_view>

namespace {

// Big-endian reads from one piece of a font file; callers ask Has() before they read.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool Has(std::size_t offset, std::size_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }
  std::uint16_t U16(std::size_t offset) const {
    return static_cast<std::uint16_t>(bytes_[offset] << 8 | bytes_[offset + 1]);
  }
  std::uint32_t U32(std::size_t offset) const {
    return static_cast<std::uint32_t>(U16(offset)) << 16 | U16(offset + 2);
  }
  std::uint8_t U8(std::size_t offset) const { return bytes_[offset]; }

 private:
  std::span<const std::uint8_t> bytes_;
};

constexpr std::uint32_t Tag(const char (&text)[5]) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) << 24 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(text[3]));
}

constexpr std::uint16_t kFullName = 4;
constexpr std::uint16_t kFamilyName = 1;
constexpr std::uint16_t kEnglishUs = 0x0409;

struct NameRecord {
  std::uint16_t platform;
  std::uint16_t encoding;
  std::uint16_t language;
  std::uint16_t nameId;
  std::size_t offset;  // from the start of the 'name' table
  std::size_t length;
};

// Lower is better: Windows' own English name first, then any Windows name, then Unicode, then
// the old Macintosh Roman one; -1 when the record cannot be read as text.
int Preference(const NameRecord& record) {
  if (record.platform == 3 &&
      (record.encoding == 0 || record.encoding == 1 || record.encoding == 10)) {
    return record.language == kEnglishUs ? 0 : 1;
  }
  if (record.platform == 0) {
    return 2;
  }
  if (record.platform == 1 && record.encoding == 0) {
    return 3;
  }
  return -1;
}

std::wstring Decode(const Reader& reader, const NameRecord& record) {
  std::wstring text;
  if (record.platform == 1) {
    // Macintosh Roman: ASCII is all a registry name needs; anything else is left out.
    for (std::size_t i = 0; i < record.length; ++i) {
      const std::uint8_t c = reader.U8(record.offset + i);
      if (c >= 0x20 && c < 0x7F) {
        text += static_cast<wchar_t>(c);
      }
    }
    return text;
  }
  // UTF-16 big-endian. wchar_t is UTF-16 on Windows; elsewhere pairs are joined.
  for (std::size_t i = 0; i + 1 < record.length; i += 2) {
    std::uint32_t unit = reader.U16(record.offset + i);
    if (unit < 0x20) {
      continue;  // no control characters or NULs in a registry name
    }
    if constexpr (sizeof(wchar_t) == 4) {
      if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < record.length) {
        const std::uint32_t low = reader.U16(record.offset + i + 2);
        if (low >= 0xDC00 && low < 0xE000) {
          unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
          i += 2;
        }
      }
    }
    text += static_cast<wchar_t>(unit);
  }
  return text;
}

std::wstring Trimmed(const std::wstring& text) {
  const auto first = text.find_first_not_of(L' ');
  if (first == std::wstring::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

// Where the 'name' table's records can reach at most: 65,535 records of 12 bytes after its
// 6-byte header (strings, at two 16-bit offsets, end sooner). Nothing past it is ever read.
constexpr std::size_t kFarthestNameRecord = 6 + 65535 * 12;
constexpr std::size_t kHeaderSize = 12;
constexpr std::size_t kDirectoryEntrySize = 16;
// Fonts carry 10 to 30 tables: the header and a directory this long come in one read.
constexpr std::size_t kDirectoryEntriesReadAtOnce = 64;

// The name from the 'name' table alone, all of it in `table`: every offset in it is checked
// against the table itself.
std::optional<std::wstring> NameFromTable(const Reader& table) {
  if (!table.Has(0, 6)) {
    return std::nullopt;
  }
  const std::uint16_t recordCount = table.U16(2);
  const std::size_t storage = table.U16(4);
  if (!table.Has(6, static_cast<std::size_t>(recordCount) * 12)) {
    return std::nullopt;
  }
  std::wstring best;
  int bestRank = -1;
  for (std::size_t i = 0; i < recordCount; ++i) {
    const std::size_t at = 6 + i * 12;
    const NameRecord record{table.U16(at),
                            table.U16(at + 2),
                            table.U16(at + 4),
                            table.U16(at + 6),
                            storage + table.U16(at + 10),
                            table.U16(at + 8)};
    if (record.nameId != kFullName && record.nameId != kFamilyName) {
      continue;
    }
    const int preference = Preference(record);
    if (preference < 0 || !table.Has(record.offset, record.length)) {
      continue;  // a string outside the table is damage, not a name
    }
    // The full name wins over the family name whatever the platform.
    const int rank = (record.nameId == kFullName ? 0 : 10) + preference;
    if (bestRank >= 0 && rank >= bestRank) {
      continue;
    }
    std::wstring text = Trimmed(Decode(table, record));
    if (!text.empty()) {
      best = std::move(text);
      bestRank = rank;
    }
  }
  if (best.empty()) {
    return std::nullopt;
  }
  return best;
}

}  // namespace

std::optional<std::wstring> FontRegistryName(FontFileReader& file) {
  // The header and the table directory, in one read for all but unusual fonts.
  std::vector<std::uint8_t> head =
      file.ReadAt(0, kHeaderSize + kDirectoryEntriesReadAtOnce * kDirectoryEntrySize);
  if (head.size() < kHeaderSize) {
    return std::nullopt;
  }
  const Reader header(head);
  const std::uint32_t version = header.U32(0);
  const bool postScriptOutlines = version == Tag("OTTO");
  if (version != 0x00010000 && version != Tag("true") && !postScriptOutlines) {
    return std::nullopt;
  }
  const std::size_t tableCount = header.U16(4);
  const std::size_t directoryEnd = kHeaderSize + tableCount * kDirectoryEntrySize;
  if (head.size() < directoryEnd) {
    if (tableCount <= kDirectoryEntriesReadAtOnce) {
      return std::nullopt;  // the file ends inside its own directory
    }
    // Read again whole: no font needs this, so its cost does not matter.
    head = file.ReadAt(0, directoryEnd);
    if (head.size() < directoryEnd) {
      return std::nullopt;
    }
  }
  const Reader directory(head);
  std::optional<std::uint64_t> nameTable;
  std::size_t nameLength = 0;
  for (std::size_t i = 0; i < tableCount; ++i) {
    const std::size_t entry = kHeaderSize + i * kDirectoryEntrySize;
    if (directory.U32(entry) == Tag("name")) {
      nameTable = directory.U32(entry + 8);
      nameLength = directory.U32(entry + 12);
      break;
    }
  }
  if (!nameTable) {
    return std::nullopt;
  }
  // The whole table must be in the file; only the part its records can reach is read.
  const std::size_t wanted = std::min(nameLength, kFarthestNameRecord);
  const std::vector<std::uint8_t> table = file.ReadAt(*nameTable, wanted);
  if (table.size() < wanted ||
      (nameLength > wanted && file.ReadAt(*nameTable + nameLength - 1, 1).size() != 1)) {
    return std::nullopt;
  }
  const auto name = NameFromTable(Reader(table));
  if (!name) {
    return std::nullopt;
  }
  return *name + (postScriptOutlines ? L" (OpenType)" : L" (TrueType)");
}

std::optional<std::wstring> FontRegistryName(std::span<const std::uint8_t> fontFile) {
  // Each piece in a buffer of exactly its size, as a file read gives, so that the sanitisers see
  // any read past it.
  class InMemory final : public FontFileReader {
   public:
    explicit InMemory(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::vector<std::uint8_t> ReadAt(std::uint64_t offset, std::size_t length) override {
      if (offset >= bytes_.size()) {
        return {};
      }
      const auto from = bytes_.subspan(static_cast<std::size_t>(offset));
      const auto piece = from.first(std::min(length, from.size()));
      return {piece.begin(), piece.end()};
    }

   private:
    std::span<const std::uint8_t> bytes_;
  };
  InMemory file(fontFile);
  return FontRegistryName(file);
}
