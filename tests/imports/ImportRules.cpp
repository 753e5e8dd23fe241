#include "tests/imports/ImportRules.h"

#include <cctype>
#include <sstream>
#include <stdexcept>

namespace pe {

namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return out;
}

}  // namespace

AllowedImports AllowedImports::Parse(std::string_view text) {
  AllowedImports allowed;
  std::istringstream lines{std::string(text)};
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    std::istringstream words(line.substr(0, line.find('#')));
    std::string dll;
    std::string function;
    std::string extra;
    if (!(words >> dll)) {
      continue;
    }
    if (!(words >> function) || (words >> extra) || dll.find('.') == std::string::npos) {
      throw std::runtime_error("line " + std::to_string(number) +
                               " is not \"DLL FUNCTION\": " + line);
    }
    allowed.entries_.emplace(Upper(dll), function);
  }
  return allowed;
}

bool AllowedImports::Allows(std::string_view dll, std::string_view function) const {
  return entries_.contains({Upper(dll), std::string(function)});
}

std::vector<std::string> XpProblems(const Image& image, const AllowedImports& allowed) {
  std::vector<std::string> problems;
  Version oldest;
  if (image.machine == PeFile::kMachineI386) {
    oldest = {5, 1};
  } else if (image.machine == PeFile::kMachineAmd64) {
    oldest = {5, 2};
  } else if (image.machine == PeFile::kMachineArm64) {
    oldest = {10, 0};  // the first Windows on ARM64; it has every function XP has in the list
  } else {
    problems.push_back("machine " + std::to_string(image.machine) +
                       " is neither x86, x64 nor ARM64");
    return problems;
  }
  const auto checkVersion = [&](const char* what, Version version) {
    if (version > oldest) {
      problems.push_back(std::string(what) + " version " + ToString(version) +
                         " is above Windows " + ToString(oldest) + ": its loader refuses it");
    } else if (!image.isDll && image.machine == PeFile::kMachineI386 && version != oldest) {
      problems.push_back(std::string(what) + " version " + ToString(version) +
                         " is not 5.1: the program is built for Windows XP");
    }
  };
  checkVersion("OS", image.os);
  checkVersion("subsystem", image.subsystem);

  for (const Import& import : image.imports) {
    const std::string how = import.delayLoaded ? " (delay-loaded)" : "";
    if (import.function.empty()) {
      problems.push_back(import.dll + " ordinal " + std::to_string(import.ordinal) + how +
                         " is imported by number, which no documentation names");
    } else if (!allowed.Allows(import.dll, import.function)) {
      problems.push_back(
          import.dll + "!" + import.function + how +
          " is not in the list of functions checked as present on 32-bit Windows XP SP2");
    }
  }
  return problems;
}

}  // namespace pe
