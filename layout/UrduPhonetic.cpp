#include "layout/UrduPhonetic.h"

#include <algorithm>

namespace layout {

const KeyDefinition* FindKeyByVk(std::uint8_t vk) {
  const auto* it = std::find_if(std::begin(kUrduPhonetic), std::end(kUrduPhonetic),
                                [vk](const KeyDefinition& k) { return k.vk == vk; });
  return it == std::end(kUrduPhonetic) ? nullptr : it;
}

const KeyDefinition* FindKeyByScanCode(std::uint16_t scanCode) {
  if (scanCode == 0) {
    return nullptr;  // keypad digits have no scan code of their own
  }
  const auto* it =
      std::find_if(std::begin(kUrduPhonetic), std::end(kUrduPhonetic),
                   [scanCode](const KeyDefinition& k) { return k.scanCode == scanCode; });
  return it == std::end(kUrduPhonetic) ? nullptr : it;
}

char16_t CharacterFor(const KeyDefinition& key, unsigned modifierBits) {
  if (modifierBits >= kModifierColumns.size()) {
    return kNone;
  }
  const std::uint8_t column = kModifierColumns[modifierBits];
  return column == kNoColumn ? kNone : key.chars[column];
}

std::uint16_t VkForScanCode(std::uint16_t scanCode) {
  const auto* it = std::find_if(std::begin(kPcScanCodes), std::end(kPcScanCodes),
                                [scanCode](const ScanCodeVk& s) { return s.scanCode == scanCode; });
  return it == std::end(kPcScanCodes) ? kNoVk : it->vk;
}

}  // namespace layout
