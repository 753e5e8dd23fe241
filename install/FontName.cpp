#include "install/FontName.h"

#include <string_view>

namespace {

// Big-endian reads that fail instead of reading past the end.
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
  std::size_t offset;  // from the start of the file
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

}  // namespace

std::optional<std::wstring> FontRegistryName(std::span<const std::uint8_t> fontFile) {
  const Reader reader(fontFile);
  if (!reader.Has(0, 12)) {
    return std::nullopt;
  }
  const std::uint32_t version = reader.U32(0);
  const bool postScriptOutlines = version == Tag("OTTO");
  if (version != 0x00010000 && version != Tag("true") && !postScriptOutlines) {
    return std::nullopt;
  }
  const std::uint16_t tableCount = reader.U16(4);
  if (!reader.Has(12, static_cast<std::size_t>(tableCount) * 16)) {
    return std::nullopt;
  }
  std::optional<std::size_t> nameTable;
  std::size_t nameLength = 0;
  for (std::size_t i = 0; i < tableCount; ++i) {
    const std::size_t entry = 12 + i * 16;
    if (reader.U32(entry) == Tag("name")) {
      nameTable = reader.U32(entry + 8);
      nameLength = reader.U32(entry + 12);
      break;
    }
  }
  if (!nameTable || !reader.Has(*nameTable, nameLength) || nameLength < 6) {
    return std::nullopt;
  }
  const std::size_t table = *nameTable;
  const std::uint16_t recordCount = reader.U16(table + 2);
  const std::size_t storage = table + reader.U16(table + 4);
  if (6 + static_cast<std::size_t>(recordCount) * 12 > nameLength) {
    return std::nullopt;
  }

  std::wstring best;
  int bestRank = -1;
  for (std::size_t i = 0; i < recordCount; ++i) {
    const std::size_t at = table + 6 + i * 12;
    const NameRecord record{reader.U16(at),
                            reader.U16(at + 2),
                            reader.U16(at + 4),
                            reader.U16(at + 6),
                            storage + reader.U16(at + 10),
                            reader.U16(at + 8)};
    if (record.nameId != kFullName && record.nameId != kFamilyName) {
      continue;
    }
    const int preference = Preference(record);
    if (preference < 0 || !reader.Has(record.offset, record.length) ||
        record.offset + record.length > table + nameLength) {
      continue;
    }
    // The full name wins over the family name whatever the platform.
    const int rank = (record.nameId == kFullName ? 0 : 10) + preference;
    if (bestRank >= 0 && rank >= bestRank) {
      continue;
    }
    std::wstring text = Trimmed(Decode(reader, record));
    if (!text.empty()) {
      best = std::move(text);
      bestRank = rank;
    }
  }
  if (best.empty()) {
    return std::nullopt;
  }
  return best + (postScriptOutlines ? L" (OpenType)" : L" (TrueType)");
}
