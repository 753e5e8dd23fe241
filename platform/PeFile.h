#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The headers of a Windows image file (an EXE or a DLL), read from its bytes without loading it:
// the machine it is for, its optional header (PE32 or PE32+), its data directories and sections,
// and where an address relative to the image base (an RVA) lies in the file. Setup's version
// reader and the tests' import and layout readers read what is their own through it. The bytes
// are not trusted: every offset is checked against them. A PeFile views the bytes it was parsed
// from; they must outlive it.
class PeFile {
 public:
  static constexpr std::uint16_t kMachineI386 = 0x014C;
  static constexpr std::uint16_t kMachineAmd64 = 0x8664;
  static constexpr std::uint16_t kMachineArm64 = 0xAA64;

  // Data directories, by index.
  static constexpr std::size_t kExportDirectory = 0;
  static constexpr std::size_t kImportDirectory = 1;
  static constexpr std::size_t kResourceDirectory = 2;
  static constexpr std::size_t kRelocationDirectory = 5;
  static constexpr std::size_t kDelayImportDirectory = 13;

  struct Version {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    friend auto operator<=>(const Version&, const Version&) = default;
  };

  struct Directory {
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
  };

  struct Section {
    std::string name;
    std::uint32_t virtualAddress = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t rawOffset = 0;  // where its bytes lie in the file
    std::uint32_t rawSize = 0;
    // Whether size bytes at rva lie in the section as mapped: as far as its virtual size or its
    // data in the file, whichever is longer.
    bool Holds(std::uint64_t rva, std::uint64_t size = 1) const;
  };

  // Nothing when the bytes hold no PE headers; why then says which part failed: "not a PE image",
  // "unknown optional header", "optional header cut short" or "section table cut short".
  static std::optional<PeFile> Parse(std::span<const std::uint8_t> file,
                                     std::string* why = nullptr);

  std::uint16_t Machine() const { return machine_; }
  bool IsDll() const { return (characteristics_ & 0x2000) != 0; }  // IMAGE_FILE_DLL
  bool IsPe32Plus() const { return pe32Plus_; }                    // 64-bit fields and pointers
  std::uint64_t ImageBase() const { return imageBase_; }
  std::uint32_t EntryPoint() const { return entryPoint_; }
  std::uint32_t HeadersSize() const { return headersSize_; }
  std::uint32_t ImageSize() const { return imageSize_; }
  Version OsVersion() const { return os_; }
  Version SubsystemVersion() const { return subsystem_; }
  // Zeros when the header has no entry at index.
  Directory DataDirectory(std::size_t index) const;
  const std::vector<Section>& Sections() const { return sections_; }
  // The first section with this name, or null.
  const Section* FindSection(std::string_view name) const;
  // The first section that holds size bytes at rva, or null.
  const Section* SectionAt(std::uint64_t rva, std::uint64_t size = 1) const;

  // The file offset of the byte at rva, when the file holds it: not in a section's tail that
  // the loader fills with zeros, nor past the end of the file.
  std::optional<std::uint64_t> FileOffset(std::uint64_t rva) const;
  // Copies the bytes at rva as the loader maps them (zeros past a section's data in the file);
  // false when they lie outside the headers and every section.
  bool ReadMapped(std::uint64_t rva, std::span<std::uint8_t> out) const;

  std::span<const std::uint8_t> Bytes() const { return bytes_; }
  // A little-endian number at a file offset; nothing when it runs past the end of the file.
  template <class T>
  std::optional<T> Read(std::uint64_t offset) const {
    if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T)) {
      return std::nullopt;
    }
    T value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
      value |= static_cast<T>(static_cast<T>(bytes_[offset + i]) << (8 * i));
    }
    return value;
  }
  std::optional<std::uint16_t> U16(std::uint64_t offset) const {
    return Read<std::uint16_t>(offset);
  }
  std::optional<std::uint32_t> U32(std::uint64_t offset) const {
    return Read<std::uint32_t>(offset);
  }

 private:
  explicit PeFile(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::span<const std::uint8_t> bytes_;
  std::uint16_t machine_ = 0;
  std::uint16_t characteristics_ = 0;
  bool pe32Plus_ = false;
  std::uint64_t imageBase_ = 0;
  std::uint32_t entryPoint_ = 0;
  std::uint32_t headersSize_ = 0;
  std::uint32_t imageSize_ = 0;
  Version os_;
  Version subsystem_;
  std::vector<Directory> directories_;
  std::vector<Section> sections_;
};
