#include "tests/imports/PeImports.h"

#include <stdexcept>
#include <string_view>
#include <utility>

namespace pe {

namespace {

// Reads at addresses relative to the image base, where the loader would find them.
class Layout {
 public:
  explicit Layout(const PeFile& file) : file_(file) {}

  template <typename T>
  T At(std::uint64_t rva, std::string_view what) const {
    const auto value = file_.Read<T>(Offset(rva, what));
    if (!value) {
      throw std::runtime_error(std::string(what) + " lies outside the file");
    }
    return *value;
  }
  // A string runs on in the file from where it starts.
  std::string String(std::uint64_t rva, std::string_view what) const {
    std::string text;
    for (std::uint64_t offset = Offset(rva, what);; ++offset) {
      const auto c = file_.Read<std::uint8_t>(offset);
      if (!c) {
        throw std::runtime_error(std::string(what) + " lies outside the file");
      }
      if (*c == 0) {
        return text;
      }
      text += static_cast<char>(*c);
    }
  }

 private:
  std::uint64_t Offset(std::uint64_t rva, std::string_view what) const {
    const auto offset = file_.FileOffset(rva);
    if (!offset) {
      throw std::runtime_error(std::string(what) + " is in no section of the file");
    }
    return *offset;
  }

  const PeFile& file_;
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
  std::string why;
  const auto file = PeFile::Parse(bytes, &why);
  if (!file) {
    throw std::runtime_error(why);
  }
  Image image;
  image.machine = file->Machine();
  image.isDll = file->IsDll();
  image.os = file->OsVersion();
  image.subsystem = file->SubsystemVersion();
  const bool wide = file->IsPe32Plus();
  const Layout layout(*file);

  // Imports resolved when the image is loaded: 20-byte descriptors until an empty one.
  if (std::uint64_t at = file->DataDirectory(PeFile::kImportDirectory).rva; at != 0) {
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
  if (std::uint64_t at = file->DataDirectory(PeFile::kDelayImportDirectory).rva; at != 0) {
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
