#include "tests/imports/PeImports.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace pe {

namespace {

// Little-endian reads that refuse to leave the file.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  template <typename T>
  T At(std::uint64_t offset, std::string_view what) const {
    if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T)) {
      throw std::runtime_error(std::string(what) + " lies outside the file");
    }
    T value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
      value |= static_cast<T>(static_cast<T>(bytes_[offset + i]) << (8 * i));
    }
    return value;
  }

  std::string String(std::uint64_t offset, std::string_view what) const {
    std::string text;
    for (;; ++offset) {
      const auto c = At<std::uint8_t>(offset, what);
      if (c == 0) {
        return text;
      }
      text += static_cast<char>(c);
    }
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

struct Section {
  std::uint32_t virtualAddress;
  std::uint32_t virtualSize;
  std::uint32_t rawOffset;
  std::uint32_t rawSize;
};

class Layout {
 public:
  Layout(const Reader& file, std::uint32_t headersSize, std::vector<Section> sections)
      : file_(file), headersSize_(headersSize), sections_(std::move(sections)) {}

  // The file offset of a relative virtual address, where the loader would find its bytes.
  std::uint64_t Offset(std::uint64_t rva, std::string_view what) const {
    if (rva < headersSize_) {
      return rva;
    }
    for (const Section& s : sections_) {
      const std::uint64_t extent = std::max(s.virtualSize, s.rawSize);
      if (rva >= s.virtualAddress && rva < s.virtualAddress + extent) {
        const std::uint64_t into = rva - s.virtualAddress;
        if (into >= s.rawSize) {
          break;  // in the section's uninitialised tail: nothing in the file
        }
        return s.rawOffset + into;
      }
    }
    throw std::runtime_error(std::string(what) + " is in no section of the file");
  }

  template <typename T>
  T At(std::uint64_t rva, std::string_view what) const {
    return file_.At<T>(Offset(rva, what), what);
  }
  std::string String(std::uint64_t rva, std::string_view what) const {
    return file_.String(Offset(rva, what), what);
  }

 private:
  const Reader& file_;
  std::uint32_t headersSize_;
  std::vector<Section> sections_;
};

// One table of thunks: names (or ordinals) until a zero entry.
void ReadThunks(const Layout& image, bool wide, std::uint64_t rva, const std::string& dll,
                bool delayLoaded, std::vector<Import>& out) {
  const std::uint64_t ordinalFlag = wide ? (1ULL << 63) : (1ULL << 31);
  for (;; rva += wide ? 8 : 4) {
    const std::uint64_t thunk = wide ? image.At<std::uint64_t>(rva, "an import thunk")
                                     : image.At<std::uint32_t>(rva, "an import thunk");
    if (thunk == 0) {
      return;
    }
    Import entry{dll, {}, 0, delayLoaded};
    if ((thunk & ordinalFlag) != 0) {
      entry.ordinal = static_cast<std::uint16_t>(thunk & 0xFFFF);
    } else {
      entry.function = image.String((thunk & 0x7FFFFFFF) + 2, "an imported name");
    }
    out.push_back(std::move(entry));
  }
}

}  // namespace

Image ReadImage(std::span<const std::uint8_t> bytes) {
  const Reader file(bytes);
  if (file.At<std::uint16_t>(0, "the DOS header") != 0x5A4D) {
    throw std::runtime_error("no MZ header");
  }
  const std::uint32_t pe = file.At<std::uint32_t>(0x3C, "the DOS header");
  if (file.At<std::uint32_t>(pe, "the PE signature") != 0x00004550) {
    throw std::runtime_error("no PE signature");
  }
  Image image;
  image.machine = file.At<std::uint16_t>(pe + 4, "the file header");
  const auto sectionCount = file.At<std::uint16_t>(pe + 6, "the file header");
  const auto optionalSize = file.At<std::uint16_t>(pe + 20, "the file header");
  image.isDll = (file.At<std::uint16_t>(pe + 22, "the file header") & 0x2000) != 0;

  const std::uint64_t optional = pe + 24;
  const auto magic = file.At<std::uint16_t>(optional, "the optional header");
  if (magic != 0x10B && magic != 0x20B) {
    throw std::runtime_error("an optional header of neither PE32 nor PE32+");
  }
  const bool wide = magic == 0x20B;
  image.os = {file.At<std::uint16_t>(optional + 40, "the OS version"),
              file.At<std::uint16_t>(optional + 42, "the OS version")};
  image.subsystem = {file.At<std::uint16_t>(optional + 48, "the subsystem version"),
                     file.At<std::uint16_t>(optional + 50, "the subsystem version")};
  const std::uint32_t headersSize = file.At<std::uint32_t>(optional + 60, "the headers' size");
  const std::uint64_t directoryCountAt = optional + (wide ? 108 : 92);
  const std::uint32_t directoryCount = file.At<std::uint32_t>(directoryCountAt, "the directories");
  const auto directory = [&](std::uint32_t index) -> std::uint32_t {
    return index < directoryCount
               ? file.At<std::uint32_t>(
                     directoryCountAt + 4 + static_cast<std::uint64_t>(index) * 8,
                     "a data directory")
               : 0;
  };

  std::vector<Section> sections;
  const std::uint64_t table = optional + optionalSize;
  for (std::uint32_t i = 0; i < sectionCount; ++i) {
    const std::uint64_t at = table + 40ULL * i;
    sections.push_back({file.At<std::uint32_t>(at + 12, "a section header"),
                        file.At<std::uint32_t>(at + 8, "a section header"),
                        file.At<std::uint32_t>(at + 20, "a section header"),
                        file.At<std::uint32_t>(at + 16, "a section header")});
  }
  const Layout layout(file, headersSize, std::move(sections));

  // Imports resolved when the image is loaded: 20-byte descriptors until an empty one.
  if (std::uint64_t at = directory(1); at != 0) {
    for (;; at += 20) {
      const auto names = layout.At<std::uint32_t>(at, "an import descriptor");
      const auto dllName = layout.At<std::uint32_t>(at + 12, "an import descriptor");
      const auto addresses = layout.At<std::uint32_t>(at + 16, "an import descriptor");
      if (dllName == 0 && addresses == 0) {
        break;
      }
      const std::string dll = layout.String(dllName, "an imported DLL's name");
      ReadThunks(layout, wide, names != 0 ? names : addresses, dll, false, image.imports);
    }
  }
  // Imports resolved on first call: 32-byte descriptors until an empty one.
  if (std::uint64_t at = directory(13); at != 0) {
    for (;; at += 32) {
      const auto attributes = layout.At<std::uint32_t>(at, "a delay-import descriptor");
      const auto dllName = layout.At<std::uint32_t>(at + 4, "a delay-import descriptor");
      const auto names = layout.At<std::uint32_t>(at + 16, "a delay-import descriptor");
      if (dllName == 0) {
        break;
      }
      if ((attributes & 1) == 0) {
        // Visual C++ 6 wrote addresses, not relative ones; no linker of ours does.
        throw std::runtime_error("a delay-import descriptor of addresses, not read");
      }
      const std::string dll = layout.String(dllName, "a delay-loaded DLL's name");
      ReadThunks(layout, wide, names, dll, true, image.imports);
    }
  }
  return image;
}

std::string ToString(Version version) {
  return std::to_string(version.major) + "." + std::to_string(version.minor);
}

}  // namespace pe
