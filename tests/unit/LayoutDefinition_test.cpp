#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "layout/UrduPhonetic.h"
#include "layout/UrduRepertoire.h"

namespace {

using namespace layout;

std::string Hex(char16_t c) {
  char text[8];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
  return text;
}

// Every character the layout types, with where it sits.
std::multimap<char16_t, std::pair<std::uint8_t, Level>> Reachable() {
  std::multimap<char16_t, std::pair<std::uint8_t, Level>> where;
  for (const KeyDefinition& key : kUrduPhonetic) {
    for (std::size_t level = 0; level < kLevelCount; ++level) {
      if (key.chars[level] != kNone) {
        where.emplace(key.chars[level], std::make_pair(key.vk, static_cast<Level>(level)));
      }
    }
  }
  return where;
}

char16_t Typed(std::uint8_t vk, unsigned modifierBits) {
  const KeyDefinition* key = FindKeyByVk(vk);
  return key ? CharacterFor(*key, modifierBits) : kNone;
}

constexpr unsigned kShift = kShiftBit;
constexpr unsigned kAltGr = kCtrlBit | kAltBit;

TEST(UrduPhoneticCoverage, EveryLetterOfTheAlphabetAndItsHamzaFormsCanBeTyped) {
  const std::u16string letters =
      u"ا آ ب پ ت ٹ ث ج چ ح خ د ڈ ذ ر ڑ ز ژ س ش ص ض ط ظ ع غ ف ق ک گ ل م ن ں و ہ ھ ء ی ے ۃ ئ ؤ أ ۂ "
      u"ۓ";
  const auto where = Reachable();
  for (char16_t c : letters) {
    if (c != u' ') {
      EXPECT_TRUE(where.count(c)) << Hex(c) << " cannot be typed";
    }
  }
}

TEST(UrduPhoneticCoverage, DiacriticsDigitsPunctuationHonorificsAndJoinersCanBeTyped) {
  const std::vector<char16_t> wanted = {
      // zabar, zer, pesh, jazm, tashdid, do zabar, do zer, do pesh, khari zabar, khari zer,
      // ulta pesh, madd, hamza above, noon ghunna mark
      0x064E, 0x0650, 0x064F, 0x0652, 0x0651, 0x064B, 0x064D, 0x064C, 0x0670, 0x0656, 0x0657,
      0x0653, 0x0654, 0x0658,
      // ۔ ، ؟ ؛ ٫ ٬ ٪ ؍
      0x06D4, 0x060C, 0x061F, 0x061B, 0x066B, 0x066C, 0x066A, 0x060D,
      // honorifics and signs
      0x0610, 0x0611, 0x0612, 0x0613, 0x0614, 0xFDFA, 0xFDFB, 0xFDFD, 0xFDF2, 0x0600, 0x0601,
      0x0602, 0x0603, 0x060E, 0x060F,
      // joiners and direction marks
      0x200C, 0x200D, 0x200E, 0x200F,
      // Latin punctuation Urdu text uses, the per mille sign and the no-break space
      u'!', u'(', u')', u'-', u'"', u'\'', u':', u'/', u'.', u',', u'?', u'%', 0x2030, 0x00A0};
  const auto where = Reachable();
  for (char16_t c : wanted) {
    EXPECT_TRUE(where.count(c)) << Hex(c) << " cannot be typed";
  }
}

TEST(UrduPhoneticCoverage, UrduDigitsOnTheDigitRowLatinDigitsOnAltGrAndTheKeypad) {
  for (int d = 0; d <= 9; ++d) {
    const std::uint8_t digitKey = static_cast<std::uint8_t>('0' + d);
    EXPECT_EQ(Typed(digitKey, 0), 0x06F0 + d) << d;
    EXPECT_EQ(Typed(digitKey, kAltGr), u'0' + d) << d;
    EXPECT_EQ(Typed(static_cast<std::uint8_t>(kVkNumpad0 + d), 0), u'0' + d) << d;
  }
}

TEST(UrduPhoneticSounds, LettersSitOnTheLatinKeysThatSoundLikeThem) {
  // key, base, Shift: stated here from the phonetic convention, not read from the table.
  const struct {
    char key;
    char16_t base;
    char16_t shift;
  } expected[] = {
      {'A', u'ا', u'آ'},   {'B', u'ب', kNone},  {'P', u'پ', 0x064F}, {'T', u'ت', u'ٹ'},
      {'D', u'د', u'ڈ'},   {'R', u'ر', u'ڑ'},   {'S', u'س', u'ص'},   {'Z', u'ز', u'ذ'},
      {'X', u'ش', u'ژ'},   {'C', u'چ', u'ث'},   {'V', u'ط', u'ظ'},   {'G', u'گ', u'غ'},
      {'H', u'ح', u'ھ'},   {'J', u'ج', u'ض'},   {'K', u'ک', u'خ'},   {'L', u'ل', 0x0654},
      {'M', u'م', 0x0658}, {'N', u'ن', u'ں'},   {'Q', u'ق', 0x0652}, {'W', u'و', u'ؤ'},
      {'E', u'ع', 0x0670}, {'Y', u'ے', 0x064E}, {'U', u'ء', u'ئ'},   {'I', u'ی', 0x0650},
      {'O', u'ہ', u'ۃ'},   {'F', u'ف', 0x0651},
  };
  for (const auto& e : expected) {
    EXPECT_EQ(Typed(static_cast<std::uint8_t>(e.key), 0), e.base) << e.key;
    EXPECT_EQ(Typed(static_cast<std::uint8_t>(e.key), kShift), e.shift) << "Shift+" << e.key;
  }
  EXPECT_EQ(Typed('K', 0), 0x06A9);  // keheh, not Arabic kaf
  EXPECT_EQ(Typed('I', 0), 0x06CC);  // Farsi yeh, not Arabic yeh
  EXPECT_EQ(Typed('O', 0), 0x06C1);  // heh goal, not Arabic heh
}

TEST(UrduPhoneticSounds, UrduPunctuationReplacesItsLatinTwinAndShiftSpaceIsASpace) {
  EXPECT_EQ(Typed(kVkOemComma, 0), u'،');
  EXPECT_EQ(Typed(kVkOemComma, kAltGr), u',');
  EXPECT_EQ(Typed(kVkOemPeriod, 0), u'۔');
  EXPECT_EQ(Typed(kVkOemPeriod, kAltGr), u'.');
  EXPECT_EQ(Typed(kVkOem1, 0), u'؛');
  EXPECT_EQ(Typed(kVkOem2, kShift), u'؟');
  EXPECT_EQ(Typed('S', kAltGr | kShift), 0xFDFA);
  // A typist still holding Shift after ں or ھ gets the space between words, not a ZWNJ.
  EXPECT_EQ(Typed(kVkSpace, 0), u' ');
  EXPECT_EQ(Typed(kVkSpace, kShift), u' ');
  EXPECT_EQ(Typed(kVkSpace, kAltGr), 0x200C);           // ZWNJ
  EXPECT_EQ(Typed(kVkSpace, kAltGr | kShift), 0x200D);  // ZWJ
  EXPECT_EQ(Typed(kVkOem3, kAltGr), 0x00A0);            // no-break space
  EXPECT_EQ(Typed('5', kShift), u'%');
  EXPECT_EQ(Typed('5', kAltGr | kShift), 0x066A);  // ٪
  EXPECT_EQ(Typed('6', kAltGr | kShift), 0x2030);  // ‰
}

TEST(UrduPhoneticModifiers, AltAloneTypesNothingShiftCtrlIsTheUsLayoutsRightAltIsAltGr) {
  EXPECT_EQ(Typed('A', kAltBit), kNone);
  EXPECT_EQ(Typed('A', kAltBit | kShiftBit), kNone);
  EXPECT_EQ(Typed('2', kCtrlBit | kShiftBit), 0x0000);
  EXPECT_EQ(Typed('6', kCtrlBit | kShiftBit), 0x001E);
  EXPECT_EQ(Typed(kVkOemMinus, kCtrlBit | kShiftBit), 0x001F);
  EXPECT_EQ(Typed(kVkOem4, kCtrlBit | kShiftBit), kNone);
  EXPECT_EQ(Typed('A', kCtrlBit | kShiftBit), kNone);
  EXPECT_EQ(Typed(kVkOem4, kCtrlBit), 0x001B);  // Ctrl+[ is Escape, as terminals expect
  EXPECT_EQ(Typed(kVkReturn, kCtrlBit), u'\n');
  EXPECT_EQ(Typed('A', kAltGr), 0x0611);
  EXPECT_EQ(CharacterFor(*FindKeyByVk('A'), 8), kNone);  // no such modifier bit
}

TEST(UrduPhoneticTable, EachKeyAppearsOnceAndSitsWhereTheKeyboardPutsIt) {
  std::set<std::uint8_t> vks;
  std::set<std::uint16_t> scanCodes;
  for (const KeyDefinition& key : kUrduPhonetic) {
    EXPECT_TRUE(vks.insert(key.vk).second) << "VK " << int{key.vk} << " twice";
    if (key.scanCode == 0) {
      // Reached through Num Lock only: the keypad digits and decimal point.
      EXPECT_TRUE((key.vk >= kVkNumpad0 && key.vk <= kVkNumpad0 + 9) || key.vk == kVkDecimal)
          << int{key.vk};
      continue;
    }
    EXPECT_TRUE(scanCodes.insert(key.scanCode).second) << "scan " << key.scanCode << " twice";
    EXPECT_EQ(VkForScanCode(key.scanCode) & 0xFF, key.vk) << "scan " << key.scanCode;
    EXPECT_EQ(FindKeyByScanCode(key.scanCode), &key);
    EXPECT_EQ(FindKeyByVk(key.vk), &key);
  }
  // Every printing key of a US 102-key keyboard types something.
  std::vector<std::uint8_t> printing = {kVkOem1, kVkOemPlus, kVkOemComma, kVkOemMinus, kVkOemPeriod,
                                        kVkOem2, kVkOem3,    kVkOem4,     kVkOem5,     kVkOem6,
                                        kVkOem7, kVkOem102,  kVkSpace};
  for (char c = '0'; c <= '9'; ++c) printing.push_back(static_cast<std::uint8_t>(c));
  for (char c = 'A'; c <= 'Z'; ++c) printing.push_back(static_cast<std::uint8_t>(c));
  for (std::uint8_t vk : printing) {
    const KeyDefinition* key = FindKeyByVk(vk);
    ASSERT_NE(key, nullptr) << "VK " << int{vk} << " missing";
    EXPECT_NE(key->chars[kBase], kNone) << "VK " << int{vk};
  }
  EXPECT_EQ(FindKeyByVk(kVkF1), nullptr);
  EXPECT_EQ(FindKeyByScanCode(0), nullptr);
}

TEST(UrduPhoneticTable, TheExtraKeysOfBrazilianAbntKeyboardsType) {
  EXPECT_EQ(VkForScanCode(0x73), 0xC1);
  EXPECT_EQ(VkForScanCode(0x7E), 0xC2);
  EXPECT_EQ(Typed(0xC1, 0), u'/');
  EXPECT_EQ(Typed(0xC1, kShift), 0x061F);
  EXPECT_EQ(Typed(0xC2, 0), u'.');
  EXPECT_EQ(VkForScanCode(0x7C), 0x09);  // Tab, as on the US layout
  EXPECT_EQ(VkForScanCode(0x63), 0x2F);  // Help
}

TEST(UrduPhoneticTable, KeypadDigitsComeLastSoCharacterSearchesFindTheDigitRowFirst) {
  const KeyDefinition& last = kUrduPhonetic[kUrduPhoneticKeyCount - 1];
  EXPECT_EQ(last.vk, kVkNumpad0 + 9);
  for (std::size_t i = 0; i < kUrduPhoneticKeyCount; ++i) {
    if (kUrduPhonetic[i].vk == kVkNumpad0) {
      for (std::size_t j = i; j < kUrduPhoneticKeyCount; ++j) {
        EXPECT_EQ(kUrduPhonetic[j].scanCode, 0) << j;
      }
    }
  }
}

TEST(UrduPhoneticRepertoire, EveryCharacterBelongsToUrduOrTheChosenPunctuation) {
  for (const KeyDefinition& key : kUrduPhonetic) {
    for (std::size_t level = 0; level < kLevelCount; ++level) {
      const char16_t c = key.chars[level];
      if (c == kNone) continue;
      const auto kind = KindOf(c);
      ASSERT_TRUE(kind.has_value()) << Hex(c) << " on VK " << int{key.vk};
      if (*kind == CharacterKind::ControlCode) {
        // Control codes only from the keys that type them on every layout, or with Ctrl.
        EXPECT_TRUE(level == kCtrl || level == kShiftCtrl || key.vk == kVkTab ||
                    key.vk == kVkReturn || key.vk == kVkBack || key.vk == kVkEscape ||
                    key.vk == kVkCancel)
            << Hex(c) << " on VK " << int{key.vk};
      }
    }
  }
}

TEST(UrduPhoneticRepertoire, ArabicLookalikesAndLatinLettersAreNeverTyped) {
  const auto where = Reachable();
  for (char16_t c : {0x0643, 0x064A, 0x0647, 0x0649, 0x06D5, 0x0629}) {
    EXPECT_FALSE(where.count(c)) << Hex(c);
    EXPECT_FALSE(KindOf(c).has_value()) << Hex(c);
  }
  for (char16_t c = 0x0660; c <= 0x0669; ++c) {  // Arabic-Indic digits are not Urdu's
    EXPECT_FALSE(where.count(c)) << Hex(c);
  }
  for (char16_t c = u'A'; c <= u'z'; ++c) {
    if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) {
      EXPECT_FALSE(where.count(c)) << Hex(c);
    }
  }
  EXPECT_EQ(KindOf(u'q'), std::nullopt);
  EXPECT_EQ(KindOf(0x06F4), CharacterKind::UrduDigit);
  EXPECT_EQ(KindOf(0x007F), CharacterKind::ControlCode);
}

TEST(UrduPhoneticRepertoire, CapsLockNeverTurnsUrduKeysIntoTheirShiftPartners) {
  for (const KeyDefinition& key : kUrduPhonetic) {
    const auto kind = KindOf(key.chars[kBase]);
    if (kind == CharacterKind::UrduLetter || kind == CharacterKind::UrduDigit ||
        kind == CharacterKind::UrduPunctuation) {
      EXPECT_EQ(key.caps, CapsLock::Ignored) << "VK " << int{key.vk};
    }
  }
}

TEST(UrduPhoneticRepertoire, MarksAreCombiningAndLettersAreNot) {
  EXPECT_TRUE(IsCombiningMark(0x064E));
  EXPECT_TRUE(IsCombiningMark(0x0670));
  EXPECT_TRUE(IsCombiningMark(0x0610));
  EXPECT_FALSE(IsCombiningMark(0xFDFA));  // a ligature stands alone
  EXPECT_FALSE(IsCombiningMark(0x06A9));
  EXPECT_FALSE(IsCombiningMark(0x0655));  // hamza below: not part of this layout
}

}  // namespace
