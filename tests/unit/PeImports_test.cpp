#include "tests/imports/PeImports.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/imports/ImportRules.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Dll {
  std::string name;
  std::vector<std::string> functions;  // "#N" imports ordinal N
};

struct PeShape {
  bool wide = false;  // PE32+ (x64) rather than PE32 (x86)
  bool isDll = false;
  pe::Version os{5, 1};
  pe::Version subsystem{5, 1};
  std::vector<Dll> imports;
  std::vector<Dll> delayLoaded;
};

void Put(Bytes& b, std::size_t at, std::uint64_t value, int size) {
  if (b.size() < at + size) {
    b.resize(at + size);
  }
  for (int i = 0; i < size; ++i) {
    b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

// A PE image as a linker lays it out: headers in the first 0x200 bytes, one section at RVA
// 0x1000 holding the import descriptors, the DLL names, the hint/name entries and the thunks.
Bytes Image(const PeShape& shape) {
  constexpr std::uint32_t kRva = 0x1000;
  constexpr std::uint32_t kRaw = 0x200;
  const int thunk = shape.wide ? 8 : 4;
  Bytes data((shape.imports.size() + 1) * 20 + (shape.delayLoaded.size() + 1) * 32);
  const auto addDll = [&](const Dll& dll, std::size_t descriptor, bool delayed) {
    const std::size_t name = data.size();
    data.insert(data.end(), dll.name.begin(), dll.name.end());
    data.push_back(0);
    std::vector<std::uint64_t> thunks;
    for (const std::string& function : dll.functions) {
      if (function[0] == '#') {
        thunks.push_back((shape.wide ? 1ULL << 63 : 1ULL << 31) | std::stoul(function.substr(1)));
        continue;
      }
      thunks.push_back(kRva + data.size());
      data.push_back(0);  // hint
      data.push_back(0);
      data.insert(data.end(), function.begin(), function.end());
      data.push_back(0);
    }
    const std::size_t table = data.size();
    for (std::size_t i = 0; i < thunks.size(); ++i) {
      Put(data, table + i * thunk, thunks[i], thunk);
    }
    Put(data, table + thunks.size() * thunk, 0, thunk);
    if (delayed) {
      Put(data, descriptor, 1, 4);  // relative addresses
      Put(data, descriptor + 4, kRva + name, 4);
      Put(data, descriptor + 16, kRva + table, 4);
    } else {
      Put(data, descriptor, kRva + table, 4);
      Put(data, descriptor + 12, kRva + name, 4);
      Put(data, descriptor + 16, kRva + table, 4);
    }
  };
  for (std::size_t i = 0; i < shape.imports.size(); ++i) {
    addDll(shape.imports[i], i * 20, false);
  }
  const std::size_t delayTable = (shape.imports.size() + 1) * 20;
  for (std::size_t i = 0; i < shape.delayLoaded.size(); ++i) {
    addDll(shape.delayLoaded[i], delayTable + i * 32, true);
  }

  Bytes image(kRaw);
  image[0] = 'M';
  image[1] = 'Z';
  Put(image, 0x3C, 0x40, 4);
  Put(image, 0x40, 0x00004550, 4);
  Put(image, 0x44, shape.wide ? PeFile::kMachineAmd64 : PeFile::kMachineI386, 2);
  Put(image, 0x46, 1, 2);  // one section
  const std::uint16_t optionalSize = shape.wide ? 240 : 224;
  Put(image, 0x54, optionalSize, 2);
  Put(image, 0x56, 0x0002 | (shape.isDll ? 0x2000 : 0), 2);
  const std::size_t optional = 0x58;
  Put(image, optional, shape.wide ? 0x20B : 0x10B, 2);
  Put(image, optional + 40, shape.os.major, 2);
  Put(image, optional + 42, shape.os.minor, 2);
  Put(image, optional + 48, shape.subsystem.major, 2);
  Put(image, optional + 50, shape.subsystem.minor, 2);
  Put(image, optional + 60, kRaw, 4);
  const std::size_t directories = optional + (shape.wide ? 108 : 92);
  Put(image, directories, 16, 4);
  if (!shape.imports.empty()) {
    Put(image, directories + 4 + 8 * 1, kRva, 4);
  }
  if (!shape.delayLoaded.empty()) {
    Put(image, directories + 4 + 8 * 13, kRva + delayTable, 4);
  }
  const std::size_t section = optional + optionalSize;
  Put(image, section + 8, data.size(), 4);
  Put(image, section + 12, kRva, 4);
  Put(image, section + 16, data.size(), 4);
  Put(image, section + 20, kRaw, 4);
  image.resize(kRaw);
  image.insert(image.end(), data.begin(), data.end());
  return image;
}

std::vector<std::string> Listed(const pe::Image& image) {
  std::vector<std::string> names;
  for (const pe::Import& import : image.imports) {
    names.push_back(
        import.dll + "!" +
        (import.function.empty() ? "#" + std::to_string(import.ordinal) : import.function) +
        (import.delayLoaded ? " (delay)" : ""));
  }
  return names;
}

const char* const kList =
    "# what XP has\n"
    "KERNEL32.dll GetTickCount   # Windows 2000\n"
    "KERNEL32.dll CloseHandle\n"
    "\n"
    "USER32.dll MessageBoxW\n";

TEST(PeImports, EveryImportOfAnX86AndAnX64ImageIsReadByNameOrdinalAndDelayLoad) {
  for (const bool wide : {false, true}) {
    PeShape shape;
    shape.wide = wide;
    shape.isDll = wide;
    shape.os = {4, 0};
    shape.subsystem = {5, 2};
    shape.imports = {{"KERNEL32.dll", {"CloseHandle", "#17"}}, {"USER32.dll", {"MessageBoxW"}}};
    shape.delayLoaded = {{"SHELL32.dll", {"ShellExecuteW"}}};
    const pe::Image image = pe::ReadImage(Image(shape));
    EXPECT_EQ(image.machine, wide ? 0x8664 : 0x014C);
    EXPECT_EQ(image.isDll, wide);
    EXPECT_EQ(pe::ToString(image.os), "4.0");
    EXPECT_EQ(pe::ToString(image.subsystem), "5.2");
    EXPECT_EQ(Listed(image), (std::vector<std::string>{"KERNEL32.dll!CloseHandle",
                                                       "KERNEL32.dll!#17", "USER32.dll!MessageBoxW",
                                                       "SHELL32.dll!ShellExecuteW (delay)"}));
  }
}

TEST(PeImports, APlantedGetTickCount64IsTheOneProblemOfAnImageMadeForXp) {
  const auto allowed = pe::AllowedImports::Parse(kList);
  PeShape shape;
  shape.imports = {{"kernel32.dll", {"GetTickCount", "GetTickCount64", "CloseHandle"}},
                   {"USER32.dll", {"MessageBoxW"}}};
  EXPECT_EQ(pe::XpProblems(pe::ReadImage(Image(shape)), allowed),
            std::vector<std::string>{"kernel32.dll!GetTickCount64 is not in the list of functions "
                                     "checked as present on 32-bit Windows XP SP2"});
  shape.imports = {};
  shape.delayLoaded = {{"USER32.dll", {"#2", "MessageBoxW", "MessageBoxIndirectW"}}};
  EXPECT_EQ(pe::XpProblems(pe::ReadImage(Image(shape)), allowed),
            (std::vector<std::string>{
                "USER32.dll ordinal 2 (delay-loaded) is imported by number, which no "
                "documentation names",
                "USER32.dll!MessageBoxIndirectW (delay-loaded) is not in the list of functions "
                "checked as present on 32-bit Windows XP SP2"}));
}

TEST(PeImports, ProgramsAreMarkedForXpAndNoImageAsksForALaterWindows) {
  const auto allowed = pe::AllowedImports::Parse(kList);
  const auto problems = [&](bool wide, bool isDll, pe::Version os, pe::Version subsystem) {
    PeShape shape{wide, isDll, os, subsystem, {}, {}};
    return pe::XpProblems(pe::ReadImage(Image(shape)), allowed);
  };
  EXPECT_TRUE(problems(false, false, {5, 1}, {5, 1}).empty());
  EXPECT_TRUE(problems(false, true, {4, 0}, {4, 0}).empty());  // a DLL only needs to load
  EXPECT_TRUE(problems(true, true, {4, 0}, {5, 2}).empty());   // x64 Windows begins at 5.2
  EXPECT_EQ(problems(false, false, {4, 0}, {6, 0}),
            (std::vector<std::string>{
                "OS version 4.0 is not 5.1: the program is built for Windows XP",
                "subsystem version 6.0 is above Windows 5.1: its loader refuses it"}));
  EXPECT_EQ(problems(false, true, {5, 2}, {5, 1}),
            std::vector<std::string>{"OS version 5.2 is above Windows 5.1: its loader refuses it"});
  EXPECT_EQ(problems(true, false, {6, 0}, {5, 2}),
            std::vector<std::string>{"OS version 6.0 is above Windows 5.2: its loader refuses it"});
  Bytes arm64 = Image({true, true, {6, 0}, {10, 1}, {}, {}});  // ARM64 begins at Windows 10
  Put(arm64, 0x44, PeFile::kMachineArm64, 2);
  EXPECT_EQ(pe::XpProblems(pe::ReadImage(arm64), allowed),
            std::vector<std::string>{
                "subsystem version 10.1 is above Windows 10.0: its loader refuses it"});
}

TEST(PeImports, BrokenInputIsRefusedRatherThanPassed) {
  PeShape shape;
  shape.imports = {{"KERNEL32.dll", {"CloseHandle"}}};
  Bytes image = Image(shape);
  image.resize(image.size() - 8);  // the thunks cut off
  EXPECT_THROW(pe::ReadImage(image), std::runtime_error);
  EXPECT_THROW(pe::ReadImage(Bytes{'M', 'Z'}), std::runtime_error);
  EXPECT_THROW(pe::AllowedImports::Parse("KERNEL32.dll\n"), std::runtime_error);
  EXPECT_THROW(pe::AllowedImports::Parse("GetTickCount KERNEL32.dll extra\n"), std::runtime_error);
}

}  // namespace
