#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/PeFile.h"

// What the Windows loader reads from an image before any of its code runs: which machine it is
// for, which Windows version its header asks for, and every function it imports (directly or
// delay-loaded). Read from the file's bytes, so that the 32-bit images can be checked on a
// machine that cannot run them.
namespace pe {

using Version = PeFile::Version;

struct Import {
  std::string dll;
  std::string function;       // empty when imported by ordinal
  std::uint16_t ordinal = 0;  // only when imported by ordinal
  bool delayLoaded = false;
};

struct Image {
  std::uint16_t machine = 0;  // PeFile::kMachine...
  bool isDll = false;
  Version os;         // MajorOperatingSystemVersion.MinorOperatingSystemVersion
  Version subsystem;  // MajorSubsystemVersion.MinorSubsystemVersion
  std::vector<Import> imports;
};

// Throws std::runtime_error when the bytes are no PE image or a table lies outside the file.
Image ReadImage(std::span<const std::uint8_t> bytes);

std::string ToString(Version version);

}  // namespace pe
