#pragma once

#include <optional>

// The characters an Urdu layout may type, by kind: what Unicode and Urdu orthography expect,
// and nothing else (no Arabic kaf, yeh or heh in place of the Urdu keheh, Farsi yeh and heh
// goal, no Arabic-Indic digits, no Latin letters).

namespace layout {

enum class CharacterKind {
  UrduLetter,
  Diacritic,  // vowel and other marks, typed after their letter
  UrduDigit,  // U+06F0..U+06F9
  LatinDigit,
  UrduPunctuation,   // ۔ ، ؟ ؛ ٪ ٫ ٬ ؍
  Sign,              // number, year, footnote, page, verse and misra signs
  Honorific,         // marks and ligatures such as ﷺ
  FormatControl,     // ZWNJ, ZWJ, LRM, RLM
  Space,             // space and no-break space
  LatinPunctuation,  // ASCII punctuation, dashes, quotation marks, ‰ × ÷
  ControlCode,       // what Tab, Enter, Backspace, Esc, Ctrl+[ ] \ and Shift+Ctrl+2 6 - type
};

// The kind of a character, or nothing when an Urdu layout has no business typing it.
std::optional<CharacterKind> KindOf(char16_t c);

// Whether a character is a combining mark, drawn on a dotted circle when shown alone.
bool IsCombiningMark(char16_t c);

}  // namespace layout
