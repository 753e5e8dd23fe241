#include "tests/layout/DefinitionCheck.h"

#include <algorithm>
#include <map>
#include <utility>

#include "layout/PcKeyboard.h"
#include "layout/UrduPhonetic.h"

namespace layout {

namespace {

constexpr std::uint8_t kCapsLockAttribute = 0x01;  // CAPLOK: Caps Lock acts as Shift

struct DefinedTable {
  const char* name;
  const KeyDefinition* keys;
  std::size_t count;
  std::size_t columns;
};

template <std::size_t N>
DefinedTable Table(const char* name, const KeyDefinition (&keys)[N], std::size_t columns) {
  return {name, keys, N, columns};
}

std::string Vk(unsigned vk) { return "VK " + Hex(vk); }

}  // namespace

std::vector<std::string> DifferencesFromDefinition(const DecodedLayout& decoded) {
  std::vector<std::string> differences;
  auto differ = [&differences](std::string text) { differences.push_back(std::move(text)); };

  const DefinedTable defined[] = {
      Table("control keys", kControlKeys, kControlKeyColumns),
      Table("typing keys", kTypingKeys, kTypingKeyColumns),
      Table("plain keys", kPlainKeys, kPlainKeyColumns),
      Table("keypad digits", kKeypadDigits, kKeypadDigitColumns),
  };
  if (decoded.tables.size() != std::size(defined)) {
    differ(std::to_string(decoded.tables.size()) + " character tables, not " +
           std::to_string(std::size(defined)));
  }
  for (std::size_t t = 0; t < std::min(decoded.tables.size(), std::size(defined)); ++t) {
    const auto& keys = decoded.tables[t];
    const DefinedTable& table = defined[t];
    if (keys.size() != table.count) {
      differ("table " + std::to_string(t) + " has " + std::to_string(keys.size()) + " keys, the " +
             table.name + " " + std::to_string(table.count));
    }
    for (std::size_t k = 0; k < std::min(keys.size(), table.count); ++k) {
      const KeyDefinition& key = table.keys[k];
      if (keys[k].vk != key.vk) {
        differ("table " + std::to_string(t) + " row " + std::to_string(k) + " is " +
               Vk(keys[k].vk) + ", the definition's " + Vk(key.vk));
        continue;
      }
      if (keys[k].chars.size() != table.columns) {
        differ(Vk(key.vk) + " has " + std::to_string(keys[k].chars.size()) + " columns, not " +
               std::to_string(table.columns));
      }
      const bool capsLock = (keys[k].attributes & kCapsLockAttribute) != 0;
      if (capsLock != (key.caps == CapsLock::ActsAsShift)) {
        differ(Vk(key.vk) + ": Caps Lock does not do what the definition says");
      }
      for (unsigned bits = 0; bits < kModifierColumns.size(); ++bits) {
        if (decoded.CharacterFor(key.vk, bits) != CharacterFor(key, bits)) {
          differ(Vk(key.vk) + " with modifier bits " + std::to_string(bits) + " types " +
                 Hex(decoded.CharacterFor(key.vk, bits)) + ", not " + Hex(CharacterFor(key, bits)));
        }
      }
    }
  }
  if (decoded.modifierColumns !=
      std::vector<std::uint8_t>(kModifierColumns.begin(), kModifierColumns.end())) {
    differ("the modifier combinations pick other columns");
  }

  std::vector<std::uint16_t> scanCodes;
  std::map<std::uint16_t, std::uint16_t> prefixed;
  for (const ScanCodeVk& s : kPcScanCodes) {
    if (s.scanCode < 0x100) {
      scanCodes.resize(std::max<std::size_t>(scanCodes.size(), s.scanCode + 1u), kNoVk);
      scanCodes[s.scanCode] = s.vk;
    } else {
      prefixed[s.scanCode] = s.vk;
    }
  }
  if (decoded.scanCodeToVk != scanCodes) differ("the scan-code table is not the keyboard's");
  if (decoded.prefixedScanCodeToVk != prefixed) {
    differ("the E0/E1 scan-code tables are not the keyboard's");
  }
  std::map<std::uint16_t, std::u16string> names;
  for (const KeyName& n : kPcKeyNames) names[n.scanCode] = std::u16string(n.name);
  if (decoded.keyNames != names) differ("the key names are not the keyboard's");
  return differences;
}

}  // namespace layout
