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
constexpr std::uint32_t kArm64Ret = 0xD65F03C0;

// "xor edx, edx" in either of its two encodings.
bool IsXorEdxEdx(const std::uint8_t* code) {
  return (code[0] == 0x31 || code[0] == 0x33) && code[1] == 0xD2;
}

// i386: "mov eax, imm32" at `at`; the immediate is the address only when the loader relocates it.
std::optional<std::uint64_t> MovEaxAddress(const PeImage& file, std::uint32_t rva,
                                           const std::uint8_t* code, std::uint32_t at) {
  std::uint32_t value = 0;
  std::memcpy(&value, code + at + 1, 4);
  if (!file.IsRelocated(file.ImageBase() + rva + at + 1, 4)) return std::nullopt;
  return value;
}

// ARM64: "adrp x0, page; add x0, x0, #lo12; ret".
std::optional<std::uint64_t> Arm64Address(const PeImage& file, std::uint32_t rva,
                                          const std::uint8_t* code) {
  std::uint32_t adrp = 0;
  std::uint32_t add = 0;
  std::uint32_t ret = 0;
  std::memcpy(&adrp, code, 4);
  std::memcpy(&add, code + 4, 4);
  std::memcpy(&ret, code + 8, 4);
  const bool addX0X0 = (add >> 24) == 0x91 && ((add >> 22) & 3) <= 1 && (add & 0x3FF) == 0;
  if ((adrp & 0x9F00001F) != 0x90000000 || !addX0X0 || ret != kArm64Ret) return std::nullopt;
  // adrp: a signed 21-bit page count, immhi (bits 5-23) above immlo (bits 29-30).
  const std::uint32_t pages = ((adrp >> 5) & 0x7FFFF) << 2 | ((adrp >> 29) & 3);
  const std::int64_t signedPages =
      static_cast<std::int64_t>(pages) - ((pages & 0x100000) != 0 ? std::int64_t{0x200000} : 0);
  const std::uint64_t pc = file.ImageBase() + rva;
  const std::uint64_t page =
      (pc & ~std::uint64_t{0xFFF}) + static_cast<std::uint64_t>(signedPages * 4096);
  const std::uint64_t low = std::uint64_t{(add >> 10) & 0xFFF} << (((add >> 22) & 1) != 0 ? 12 : 0);
  return page + low;
}

// The tables' address KbdLayerDescriptor returns, at the preferred base, or nothing when its code
// has another form than those this reader follows.
std::optional<std::uint64_t> DescriptorResult(const PeImage& file, std::uint32_t rva,
                                              std::uint16_t machine, PointerLayout pointers) {
  std::uint8_t code[12] = {};
  if (!file.ReadRva(rva, code, sizeof code)) return std::nullopt;
  if (machine == PeFile::kMachineArm64) return Arm64Address(file, rva, code);
  switch (pointers) {
    case PointerLayout::Narrow:  // mov eax, imm32; ret
      if (code[0] != kMovEaxImm32 || code[5] != kRet) return std::nullopt;
      return MovEaxAddress(file, rva, code, 0);
    case PointerLayout::WideSlots:  // the address in EDX:EAX, EDX cleared, in either order
      if (code[0] == kMovEaxImm32 && IsXorEdxEdx(code + 5) && code[7] == kRet) {
        return MovEaxAddress(file, rva, code, 0);
      }
      if (IsXorEdxEdx(code) && code[2] == kMovEaxImm32 && code[7] == kRet) {
        return MovEaxAddress(file, rva, code, 2);
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

// What user32 asks of the exports: ordinal 1 is the descriptor; ordinals 2, 3, 5 and 6 are
// called if they exist, so there must be none.
std::string ExportRefusal(const PeImage& file, std::uint32_t& descriptorRva) {
  std::string refusal;
  bool descriptor = false;
  for (const PeImage::Export& e : file.Exports()) {
    if (e.ordinal == 1) {
      descriptor = e.name == "KbdLayerDescriptor";
      descriptorRva = e.rva;
    } else if (e.ordinal == 2 || e.ordinal == 3 || e.ordinal == 5 || e.ordinal == 6) {
      refusal += (refusal.empty() ? "" : "; ") + std::string("ordinal ") +
                 std::to_string(e.ordinal) + " (" + e.name + ") is exported: user32 calls it";
    }
  }
  return descriptor ? refusal : "ordinal 1 is not KbdLayerDescriptor";
}

// win32k's copy of the .data section: only what lies in it can be read, and its pointers
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

KernelReading ReadLayoutAsKernel(const PeImage& file, std::uint16_t machine,
                                 PointerLayout pointers) {
  KernelReading reading;
  if (file.Machine() != machine) {
    reading.refusal = "the file is for machine " + Hex(file.Machine()) + ", not " + Hex(machine);
    return reading;
  }
  std::uint32_t descriptor = 0;
  reading.refusal = ExportRefusal(file, descriptor);
  if (!reading.refusal.empty()) {
    return reading;
  }
  const auto tables = DescriptorResult(file, descriptor, machine, pointers);
  if (!tables) {
    reading.refusal = "this reader cannot follow KbdLayerDescriptor's code to what it returns";
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
