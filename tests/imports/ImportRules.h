#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/imports/PeImports.h"

namespace pe {

// The functions the shipped images may import: a list of "DLL FUNCTION" lines, '#' starting a
// comment. DLL names match whatever their case (the loader's do); function names exactly.
class AllowedImports {
 public:
  // Throws std::runtime_error naming the first line that is not a DLL and a function.
  static AllowedImports Parse(std::string_view text);
  bool Allows(std::string_view dll, std::string_view function) const;
  std::size_t Size() const { return entries_.size(); }

 private:
  std::set<std::pair<std::string, std::string>> entries_;  // DLL in upper case, function
};

// Why the loader of the oldest Windows the image is for would refuse it or fail a call: a
// version in its header above that Windows (32-bit: Windows XP, 5.1; x64: 5.2; ARM64: 10.0), a
// program not marked for 5.1 exactly, an import not in the list, an import by ordinal (no
// documentation names it). Empty when there is nothing.
std::vector<std::string> XpProblems(const Image& image, const AllowedImports& allowed);

}  // namespace pe
