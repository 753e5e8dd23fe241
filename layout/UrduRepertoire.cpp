#include "layout/UrduRepertoire.h"

#include <algorithm>
#include <iterator>

namespace layout {

namespace {

// The Urdu alphabet with the hamza and heh forms Urdu spelling uses (U+0626 yeh with hamza is
// typed as itself: ی followed by a hamza mark never becomes it).
constexpr char16_t kUrduLetters[] = {
    0x0621, 0x0622, 0x0623, 0x0624, 0x0626, 0x0627, 0x0628, 0x062A, 0x062B, 0x062C, 0x062D, 0x062E,
    0x062F, 0x0630, 0x0631, 0x0632, 0x0633, 0x0634, 0x0635, 0x0636, 0x0637, 0x0638, 0x0639, 0x063A,
    0x0641, 0x0642, 0x0644, 0x0645, 0x0646, 0x0648, 0x0679, 0x067E, 0x0686, 0x0688, 0x0691, 0x0698,
    0x06A9, 0x06AF, 0x06BA, 0x06BE, 0x06C1, 0x06C2, 0x06C3, 0x06CC, 0x06D2, 0x06D3,
};

constexpr char16_t kDiacritics[] = {0x064B, 0x064C, 0x064D, 0x064E, 0x064F, 0x0650, 0x0651,
                                    0x0652, 0x0653, 0x0654, 0x0656, 0x0657, 0x0658, 0x0670};

constexpr char16_t kUrduPunctuation[] = {0x060C, 0x060D, 0x061B, 0x061F,
                                         0x066A, 0x066B, 0x066C, 0x06D4};

constexpr char16_t kSigns[] = {0x0600, 0x0601, 0x0602, 0x0603, 0x060E, 0x060F};

constexpr char16_t kHonorifics[] = {0x0610, 0x0611, 0x0612, 0x0613, 0x0614,
                                    0xFDF2, 0xFDFA, 0xFDFB, 0xFDFD};

constexpr char16_t kTypographicPunctuation[] = {0x2013, 0x2014, 0x2018, 0x2019, 0x201C,
                                                0x201D, 0x2030, 0x00D7, 0x00F7};

constexpr char16_t kControlCodes[] = {0x0000, 0x0003, 0x0008, 0x0009, 0x000A, 0x000D,
                                      0x001B, 0x001C, 0x001D, 0x001E, 0x001F, 0x007F};

template <std::size_t N>
bool In(const char16_t (&set)[N], char16_t c) {
  return std::find(std::begin(set), std::end(set), c) != std::end(set);
}

}  // namespace

std::optional<CharacterKind> KindOf(char16_t c) {
  if (In(kUrduLetters, c)) return CharacterKind::UrduLetter;
  if (In(kDiacritics, c)) return CharacterKind::Diacritic;
  if (c >= 0x06F0 && c <= 0x06F9) return CharacterKind::UrduDigit;
  if (c >= u'0' && c <= u'9') return CharacterKind::LatinDigit;
  if (In(kUrduPunctuation, c)) return CharacterKind::UrduPunctuation;
  if (In(kSigns, c)) return CharacterKind::Sign;
  if (In(kHonorifics, c)) return CharacterKind::Honorific;
  if (c >= 0x200C && c <= 0x200F) return CharacterKind::FormatControl;
  if (c == u' ' || c == 0x00A0) return CharacterKind::Space;
  const bool asciiLetter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
  if ((c > u' ' && c < 0x7F && !asciiLetter) || In(kTypographicPunctuation, c)) {
    return CharacterKind::LatinPunctuation;
  }
  if (In(kControlCodes, c)) return CharacterKind::ControlCode;
  return std::nullopt;
}

bool IsCombiningMark(char16_t c) { return In(kDiacritics, c) || (c >= 0x0610 && c <= 0x0614); }

}  // namespace layout
