// libFuzzer target for the font name reader, the one place the program parses bytes it did not
// make itself. Built and run by tests/fuzz/run.sh (clang, AddressSanitizer, UBSan); never part
// of the tests. Besides the sanitisers' findings, a name that breaks what the registry is given
// (empty, padded, with control characters, without its kind) stops the run.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "install/FontName.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto name = FontRegistryName(std::span<const std::uint8_t>(data, size));
  if (!name) {
    return 0;
  }
  const std::wstring_view text = *name;
  const bool marked = text.ends_with(L" (TrueType)") || text.ends_with(L" (OpenType)");
  if (!marked || text.size() <= 11 || text.front() == L' ' || text[text.size() - 12] == L' ') {
    std::abort();
  }
  for (const wchar_t c : text) {
    if (c < 0x20) {
      std::abort();
    }
  }
  return 0;
}
