#include "tests/layout/KernelLayoutReader.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace layout {

namespace {

constexpr std::uint8_t kMovEaxImm32 = 0xB8;
constexpr std::uint8_t kRet = 0xC3;
constexpr std::uint8_t kLeaRaxRipRelative[] = {0x48, 0x8D, 0x05};

// "xor edx, edx" in either of its two encodings.
bool IsXorEdxEdx(const std::uint8_t* code) {
  return (code[0] == 0x31 || code[0] == 0x33) && code[1] == 0xD2;
}

// The tables' address KbdLayerDescriptor's code returns, at the preferred base, or nothing
// when the code has another form than the one the kernel decodes.
std::optional<std::uint64_t> DecodeDescriptor(const PeImage& file, std::uint32_t rva,
                                              PointerLayout pointers) {
  std::uint8_t code[10] = {};
  if (!file.ReadRva(rva, code, sizeof code)) return std::nullopt;
  std::uint32_t value = 0;
  switch (pointers) {
    case PointerLayout::Narrow:  // mov eax, imm32; ret
      if (code[0] != kMovEaxImm32 || code[5] != kRet) return std::nullopt;
      std::memcpy(&value, code + 1, 4);
      return value;
    case PointerLayout::WideSlots:  // the address in EDX:EAX, EDX cleared, in either order
      if (code[0] == kMovEaxImm32 && IsXorEdxEdx(code + 5) && code[7] == kRet) {
        std::memcpy(&value, code + 1, 4);
        return value;
      }
      if (IsXorEdxEdx(code) && code[2] == kMovEaxImm32 && code[7] == kRet) {
        std::memcpy(&value, code + 3, 4);
        return value;
      }
      return std::nullopt;
    case PointerLayout::Wide: {  // lea rax, [rip + disp32]; ret
      if (!std::equal(std::begin(kLeaRaxRipRelative), std::end(kLeaRaxRipRelative), code) ||
          code[7] != kRet) {
        return std::nullopt;
      }
      std::int32_t disp = 0;
      std::memcpy(&disp, code + 3, 4);
      return file.ImageBase() + rva + 7 + static_cast<std::int64_t>(disp);
    }
  }
  return std::nullopt;
}

// The kernel's copy of the .data section: only what lies in it can be read, and its pointers
// are rebased by the structure they sit in, not by the file's base relocations.
class DataSectionCopy final : public ImageMemory {
 public:
  DataSectionCopy(std::uint64_t address, std::vector<std::uint8_t> bytes)
      : address_(address), bytes_(std::move(bytes)) {}

  bool Read(std::uint64_t address, void* out, std::size_t size) const override {
    if (address < address_ || address - address_ > bytes_.size() ||
        bytes_.size() - (address - address_) < size) {
      return false;
    }
    std::memcpy(out, bytes_.data() + (address - address_), size);
    return true;
  }
  bool IsRelocated(std::uint64_t, std::size_t) const override { return true; }
  std::string_view Name() const override { return "the .data section"; }

 private:
  std::uint64_t address_;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace

KernelReading ReadLayoutAsKernel(const PeImage& file, PointerLayout pointers) {
  KernelReading reading;
  const std::uint16_t machine =
      pointers == PointerLayout::Wide ? PeImage::kMachineAmd64 : PeImage::kMachineI386;
  if (file.Machine() != machine) {
    reading.refusal = "the file is for machine " + Hex(file.Machine()) + ", not " + Hex(machine);
    return reading;
  }
  const auto descriptor = file.FindExport("KbdLayerDescriptor");
  if (!descriptor) {
    reading.refusal = "no export named KbdLayerDescriptor";
    return reading;
  }
  const auto tables = DecodeDescriptor(file, descriptor->rva, pointers);
  if (!tables) {
    reading.refusal = "KbdLayerDescriptor's code is not in the form the kernel decodes";
    return reading;
  }
  reading.tablesAddress = *tables;

  const PeImage::Section* data = file.FindSection(".data");
  if (data == nullptr) {
    reading.refusal = "no section named .data";
    return reading;
  }
  // What the file holds of the section: its raw data, no further than its virtual size.
  const std::uint32_t size =
      data->virtualSize != 0 ? std::min(data->virtualSize, data->rawSize) : data->rawSize;
  const std::vector<std::uint8_t>& bytes = file.FileBytes();
  if (data->rawOffset > bytes.size() || bytes.size() - data->rawOffset < size) {
    reading.refusal = ".data runs past the end of the file";
    return reading;
  }
  const std::uint64_t start = file.ImageBase() + data->virtualAddress;
  const std::size_t tablesSize = pointers == PointerLayout::Narrow ? 60 : 104;
  if (*tables < start || *tables - start > size || size - (*tables - start) < tablesSize) {
    reading.refusal = "KBDTABLES at " + Hex(*tables) + " lies outside .data (" + Hex(start) + ", " +
                      Hex(size) + " bytes)";
    return reading;
  }

  const auto from = bytes.begin() + static_cast<std::ptrdiff_t>(data->rawOffset);
  const DataSectionCopy copy(
      start, std::vector<std::uint8_t>(from, from + static_cast<std::ptrdiff_t>(size)));
  reading.layout = ReadKbdTables(copy, *tables, pointers);
  for (const std::string& problem : reading.layout.problems) {
    reading.refusal += (reading.refusal.empty() ? "" : "; ") + problem;
  }
  return reading;
}

}  // namespace layout
