#include "platform/PeFile.h"

#include <algorithm>

namespace {

constexpr std::uint16_t kMz = 0x5A4D;                // "MZ"
constexpr std::uint32_t kPeSignature = 0x00004550u;  // "PE\0\0"
constexpr std::uint16_t kPe32 = 0x10B;
constexpr std::uint16_t kPe32Plus = 0x20B;
constexpr std::size_t kSectionHeaderSize = 40;
// The loader looks at no more directories than the header has room for, whatever the count says.
constexpr std::uint32_t kMaxDirectories = 16;

}  // namespace

bool PeFile::Section::Holds(std::uint64_t rva, std::uint64_t size) const {
  const std::uint64_t extent = std::max(virtualSize, rawSize);
  return rva >= virtualAddress && rva - virtualAddress <= extent &&
         size <= extent - (rva - virtualAddress);
}

std::optional<PeFile> PeFile::Parse(std::span<const std::uint8_t> bytes, std::string* why) {
  const auto fail = [why](const char* text) {
    if (why != nullptr) {
      *why = text;
    }
    return std::optional<PeFile>();
  };
  PeFile file(bytes);
  const auto pe = file.U32(0x3C);  // e_lfanew
  if (file.U16(0) != kMz || !pe || file.U32(*pe) != kPeSignature) {
    return fail("not a PE image");
  }
  const std::uint64_t header = *pe + std::uint64_t{4};
  const std::uint64_t optional = header + 20;
  const auto magic = file.U16(optional);
  if (!magic || (*magic != kPe32 && *magic != kPe32Plus)) {
    return fail("unknown optional header");
  }
  // The magic lies past the file header, so all of that header is in the file.
  file.machine_ = *file.U16(header);
  const std::uint16_t sectionCount = *file.U16(header + 2);
  const std::uint16_t optionalSize = *file.U16(header + 16);
  file.characteristics_ = *file.U16(header + 18);

  file.pe32Plus_ = *magic == kPe32Plus;
  const std::uint64_t countAt = optional + (file.pe32Plus_ ? 108 : 92);
  const auto directoryCount = file.U32(countAt);
  if (!directoryCount) {
    return fail("optional header cut short");
  }
  // Every field read below lies before the directory count.
  file.entryPoint_ = *file.U32(optional + 16);
  file.imageBase_ =
      file.pe32Plus_ ? *file.Read<std::uint64_t>(optional + 24) : *file.U32(optional + 28);
  file.os_ = {*file.U16(optional + 40), *file.U16(optional + 42)};
  file.subsystem_ = {*file.U16(optional + 48), *file.U16(optional + 50)};
  file.imageSize_ = *file.U32(optional + 56);
  file.headersSize_ = *file.U32(optional + 60);
  for (std::uint32_t d = 0; d < std::min(*directoryCount, kMaxDirectories); ++d) {
    const std::uint64_t at = countAt + 4 + std::uint64_t{d} * 8;
    const auto rva = file.U32(at);
    const auto size = file.U32(at + 4);
    if (!rva || !size) {
      return fail("optional header cut short");
    }
    file.directories_.push_back({*rva, *size});
  }

  const std::uint64_t table = optional + optionalSize;
  for (std::uint32_t s = 0; s < sectionCount; ++s) {
    const std::uint64_t at = table + s * std::uint64_t{kSectionHeaderSize};
    Section section;
    for (std::uint64_t c = 0; c < 8; ++c) {
      const auto letter = file.Read<std::uint8_t>(at + c);
      if (!letter || *letter == 0) {
        break;
      }
      section.name.push_back(static_cast<char>(*letter));
    }
    const auto virtualSize = file.U32(at + 8);
    const auto virtualAddress = file.U32(at + 12);
    const auto rawSize = file.U32(at + 16);
    const auto rawOffset = file.U32(at + 20);
    if (!virtualSize || !virtualAddress || !rawSize || !rawOffset) {
      return fail("section table cut short");
    }
    section.virtualSize = *virtualSize;
    section.virtualAddress = *virtualAddress;
    section.rawSize = *rawSize;
    section.rawOffset = *rawOffset;
    file.sections_.push_back(std::move(section));
  }
  return file;
}

PeFile::Directory PeFile::DataDirectory(std::size_t index) const {
  return index < directories_.size() ? directories_[index] : Directory{};
}

const PeFile::Section* PeFile::FindSection(std::string_view name) const {
  const auto it = std::find_if(sections_.begin(), sections_.end(),
                               [name](const Section& s) { return s.name == name; });
  return it == sections_.end() ? nullptr : &*it;
}

const PeFile::Section* PeFile::SectionAt(std::uint64_t rva, std::uint64_t size) const {
  const auto it = std::find_if(sections_.begin(), sections_.end(),
                               [rva, size](const Section& s) { return s.Holds(rva, size); });
  return it == sections_.end() ? nullptr : &*it;
}

std::optional<std::uint64_t> PeFile::FileOffset(std::uint64_t rva) const {
  std::uint64_t offset = rva;  // the headers are mapped as the file has them
  if (rva >= headersSize_) {
    const Section* section = SectionAt(rva);
    if (section == nullptr || rva - section->virtualAddress >= section->rawSize) {
      return std::nullopt;
    }
    offset = section->rawOffset + (rva - section->virtualAddress);
  }
  return offset < bytes_.size() ? std::optional<std::uint64_t>(offset) : std::nullopt;
}

bool PeFile::ReadMapped(std::uint64_t rva, std::span<std::uint8_t> out) const {
  if (rva <= headersSize_ && out.size() <= headersSize_ - rva) {
    if (rva > bytes_.size() || bytes_.size() - rva < out.size()) {
      return false;
    }
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(rva), out.size(), out.begin());
    return true;
  }
  const Section* section = SectionAt(rva, out.size());
  if (section == nullptr) {
    return false;
  }
  for (std::size_t i = 0; i < out.size(); ++i) {
    const std::uint64_t within = rva - section->virtualAddress + i;
    // Past the section's data in the file the loader fills with zeros.
    out[i] = within < section->rawSize
                 ? Read<std::uint8_t>(section->rawOffset + within).value_or(std::uint8_t{0})
                 : std::uint8_t{0};
  }
  return true;
}
