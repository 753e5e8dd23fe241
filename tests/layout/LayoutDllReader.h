#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/PeFile.h"

// Walks a keyboard layout DLL's tables, so tests can compare what a DLL holds with the layout's
// definition: in a DLL a program loaded, in a DLL file addressed as the loader would map it
// (any architecture: the 32-bit ones cannot be loaded by a 64-bit test), or in the copy of its
// .data section that Windows' kernel makes (KernelLayoutReader.h).

namespace layout {

// Memory holding a layout's tables.
class ImageMemory {
 public:
  virtual ~ImageMemory() = default;
  // Copies size bytes at address; false when they lie outside this memory.
  virtual bool Read(std::uint64_t address, void* out, std::size_t size) const = 0;
  // Whether a pointer of this width stored at address is fixed up when the memory is moved:
  // by a base relocation for a loaded image.
  virtual bool IsRelocated(std::uint64_t address, std::size_t width) const = 0;
  // What this memory is, for reports of pointers that lead outside it.
  virtual std::string_view Name() const { return "the image"; }
};

// How the tables store pointers.
enum class PointerLayout {
  Narrow,     // 4 bytes: 32-bit Windows
  Wide,       // 8 bytes: 64-bit Windows
  WideSlots,  // a 32-bit pointer in an 8-byte slot, upper half zero: the WOW64 DLL
};

struct DecodedKey {
  std::uint8_t vk = 0;
  std::uint8_t attributes = 0;
  std::vector<char16_t> chars;  // one per column of its table
};

struct DecodedLayout {
  std::vector<std::pair<std::uint8_t, std::uint8_t>> modifierBits;  // virtual key, bit
  std::vector<std::uint8_t> modifierColumns;    // column for each combination of bits
  std::vector<std::vector<DecodedKey>> tables;  // in the order the system searches them
  std::size_t deadKeyCount = 0;
  bool hasDeadKeyNames = false;
  std::map<std::uint16_t, std::u16string> keyNames;  // scan code (0xE000 | code if extended)
  std::vector<std::uint16_t> scanCodeToVk;
  std::map<std::uint16_t, std::uint16_t> prefixedScanCodeToVk;  // 0xE000 / 0xE100 | code
  std::uint32_t localeFlags = 0;
  std::uint8_t ligatureMax = 0;
  std::uint8_t ligatureEntrySize = 0;
  bool hasLigatures = false;
  std::uint32_t keyboardType = 0;
  std::uint32_t keyboardSubType = 0;
  // Anything a reader would trip over: pointers that lead outside the memory, table sizes that
  // disagree, slot upper halves not zero, pointers without a relocation.
  std::vector<std::string> problems;

  // What Windows types for a virtual key with a combination of modifier bits (Shift 1,
  // Ctrl 2, Alt 4), or 0xF000 for nothing.
  char16_t CharacterFor(std::uint8_t vk, unsigned modifierBits) const;

  struct Keystroke {
    std::uint8_t vk;
    unsigned modifierBits;
    bool operator==(const Keystroke&) const = default;
  };
  // The keystroke VkKeyScanEx gives for a character: the first key, searching the tables in
  // order, each key's columns in order, with the fewest modifier bits for that column.
  std::optional<Keystroke> KeystrokeFor(char16_t c) const;
};

// A number as the reports write it: lower-case hexadecimal with 0x.
std::string Hex(std::uint64_t value);

// Walks the KBDTABLES at address and everything it points to.
DecodedLayout ReadKbdTables(const ImageMemory& memory, std::uint64_t address,
                            PointerLayout pointers);

// A PE file (DLL) read without loading it.
class PeImage final : public ImageMemory {
 public:
  // Nothing when the bytes are not a PE image; error then says why.
  static std::optional<PeImage> Parse(std::vector<std::uint8_t> file, std::string& error);

  // Moved, never copied: the headers view the file's bytes, which a move hands over whole.
  PeImage(PeImage&&) = default;
  PeImage& operator=(PeImage&&) = default;
  PeImage(const PeImage&) = delete;
  PeImage& operator=(const PeImage&) = delete;

  std::uint16_t Machine() const { return headers_.Machine(); }
  std::uint64_t ImageBase() const { return headers_.ImageBase(); }
  std::uint32_t EntryPoint() const { return headers_.EntryPoint(); }
  // DLLs named in the import directory.
  std::vector<std::string> ImportedDlls() const;

  struct Export {
    std::uint32_t rva;
    std::uint32_t ordinal;
    std::string name;  // empty when exported by ordinal only
  };
  std::optional<Export> FindExport(std::string_view name) const;
  // Every function exported, by ordinal (an empty slot of the address table is none).
  std::vector<Export> Exports() const;

  using Section = PeFile::Section;
  // The first section with this name, or null.
  const Section* FindSection(std::string_view name) const { return headers_.FindSection(name); }
  const std::vector<std::uint8_t>& FileBytes() const { return file_; }

  // Copies size bytes at an address relative to the image base, as the loader maps them.
  bool ReadRva(std::uint32_t rva, void* out, std::size_t size) const;

  bool Read(std::uint64_t address, void* out, std::size_t size) const override;
  bool IsRelocated(std::uint64_t address, std::size_t width) const override;

 private:
  PeImage(std::vector<std::uint8_t> file, PeFile headers)
      : file_(std::move(file)), headers_(std::move(headers)) {}
  std::uint32_t DirectoryRva(std::size_t index) const;

  std::vector<std::uint8_t> file_;
  PeFile headers_;                            // views file_
  std::map<std::uint32_t, int> relocations_;  // rva -> relocation type
};

}  // namespace layout
