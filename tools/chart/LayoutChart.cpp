#include "tools/chart/LayoutChart.h"

#include <cstdio>

#include "layout/UrduPhonetic.h"
#include "layout/UrduRepertoire.h"

namespace layout {

namespace {

constexpr double kUnit = 84;    // pixels per key width
constexpr double kGap = 4;      // between key caps
constexpr double kMargin = 24;  // around the keyboard
constexpr double kTitleHeight = 56;
constexpr double kLegendHeight = 150;

std::string Utf8(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

// Ligatures of whole phrases are wide: they get a smaller size to fit their quarter of a key.
double FontSizeFor(char16_t c, double normal) {
  if (c == 0xFDFD) return normal * 0.42;
  if (c == 0xFDFA || c == 0xFDFB) return normal * 0.85;
  if (c >= 0x0600 && c <= 0x0603) return normal * 0.7;
  if (KindOf(c) == CharacterKind::FormatControl || c == kNbsp) return 10;
  return normal;
}

struct Slot {
  Level level;
  const char* cssClass;
  double dx;  // from the key's left edge, as a share of its width
  double dy;  // from its top, in pixels
  double size;
};

// Base bottom left, Shift top left, AltGr bottom right, Shift+AltGr top right: the usual
// arrangement of key-cap charts.
constexpr Slot kSlots[] = {
    {kBase, "base", 0.32, 66, 30},
    {kShift, "shift", 0.32, 34, 26},
    {kAltGr, "altgr", 0.76, 68, 22},
    {kShiftAltGr, "shiftaltgr", 0.76, 36, 22},
};

std::string Text(double x, double y, double size, const std::string& cssClass,
                 const std::string& text) {
  return "<text class=\"" + cssClass + "\" x=\"" + Number(x) + "\" y=\"" + Number(y) +
         "\" font-size=\"" + Number(size) + "\">" + Escape(text) + "</text>";
}

}  // namespace

const std::vector<ChartKey>& ChartKeys() {
  struct Cap {
    std::uint16_t scanCode;
    std::string_view caption;
    double width;
  };
  static const std::vector<std::vector<Cap>> rows = {
      {{0x29, "`", 1},
       {0x02, "1", 1},
       {0x03, "2", 1},
       {0x04, "3", 1},
       {0x05, "4", 1},
       {0x06, "5", 1},
       {0x07, "6", 1},
       {0x08, "7", 1},
       {0x09, "8", 1},
       {0x0A, "9", 1},
       {0x0B, "0", 1},
       {0x0C, "-", 1},
       {0x0D, "=", 1},
       {0x0E, "Backspace", 2}},
      {{0x0F, "Tab", 1.5},
       {0x10, "Q", 1},
       {0x11, "W", 1},
       {0x12, "E", 1},
       {0x13, "R", 1},
       {0x14, "T", 1},
       {0x15, "Y", 1},
       {0x16, "U", 1},
       {0x17, "I", 1},
       {0x18, "O", 1},
       {0x19, "P", 1},
       {0x1A, "[", 1},
       {0x1B, "]", 1},
       {0x2B, "\\", 1.5}},
      {{0x3A, "Caps Lock", 1.75},
       {0x1E, "A", 1},
       {0x1F, "S", 1},
       {0x20, "D", 1},
       {0x21, "F", 1},
       {0x22, "G", 1},
       {0x23, "H", 1},
       {0x24, "J", 1},
       {0x25, "K", 1},
       {0x26, "L", 1},
       {0x27, ";", 1},
       {0x28, "'", 1},
       {0x1C, "Enter", 2.25}},
      {{0x2A, "Shift", 2.25},
       {0x2C, "Z", 1},
       {0x2D, "X", 1},
       {0x2E, "C", 1},
       {0x2F, "V", 1},
       {0x30, "B", 1},
       {0x31, "N", 1},
       {0x32, "M", 1},
       {0x33, ",", 1},
       {0x34, ".", 1},
       {0x35, "/", 1},
       {0x36, "Shift", 2.75}},
      {{0x1D, "Ctrl", 1.25},
       {kE0 | 0x5B, "Win", 1.25},
       {0x38, "Alt", 1.25},
       {0x39, "Space", 6.25},
       {kE0 | 0x38, "AltGr", 1.25},
       {kE0 | 0x5C, "Win", 1.25},
       {kE0 | 0x5D, "Menu", 1.25},
       {kE0 | 0x1D, "Ctrl", 1.25}},
  };
  static const std::vector<ChartKey> keys = [] {
    std::vector<ChartKey> k;
    for (std::size_t r = 0; r < rows.size(); ++r) {
      double column = 0;
      for (const Cap& cap : rows[r]) {
        // Keys that type only control codes (Tab, Enter, Backspace) show their caption.
        const KeyDefinition* definition = FindKeyByScanCode(cap.scanCode);
        const bool typing =
            definition != nullptr && KindOf(definition->chars[kBase]) != CharacterKind::ControlCode;
        k.push_back({cap.scanCode, cap.caption, column, static_cast<int>(r), cap.width, typing});
        column += cap.width;
      }
    }
    return k;
  }();
  return keys;
}

std::string ChartLabel(char16_t c) {
  switch (c) {
    case kNone:
    case u' ':
      return "";
    case kZwnj:
      return "ZWNJ";
    case kZwj:
      return "ZWJ";
    case kLrm:
      return "LRM";
    case kRlm:
      return "RLM";
    case kNbsp:
      return "NBSP";
    default:
      break;
  }
  if (c >= 0x0600 && c <= 0x0603) {
    // Number, year, footnote and page signs span the digits after them: show them with some.
    return Utf8(c) + Utf8(0x06F1) + Utf8(0x06F2);
  }
  return IsCombiningMark(c) ? Utf8(0x25CC) + Utf8(c) : Utf8(c);
}

std::string RenderChartSvg() {
  const double width = 2 * kMargin + 15 * kUnit;
  const double keyboardTop = kTitleHeight;
  const double height = keyboardTop + 5 * kUnit + kLegendHeight;
  std::string svg;
  // Tagged Urdu so that fonts pick the Urdu shapes of the digits 4, 6 and 7.
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" xml:lang=\"ur\" width=\"" + Number(width) +
         "\" height=\"" + Number(height) + "\" viewBox=\"0 0 " + Number(width) + " " +
         Number(height) + "\">\n";
  svg +=
      "<style>\n"
      "text { font-family: 'Noto Naskh Arabic', 'Noto Sans', 'DejaVu Sans', sans-serif; "
      "text-anchor: middle; }\n"
      ".latin, .caption, .legend, .title { font-family: 'Noto Sans', 'DejaVu Sans', "
      "sans-serif; }\n"
      ".latin { fill: #7a7a7a; text-anchor: start; }\n"
      ".caption { fill: #555555; }\n"
      ".legend { fill: #333333; text-anchor: start; }\n"
      ".title { fill: #1b5e20; font-weight: bold; text-anchor: start; }\n"
      ".base { fill: #000000; }\n"
      // Naskh draws the Persian shapes of 4, 6 and 7; the Nastaliq font has Urdu's own.
      ".digit { font-family: 'Noto Nastaliq Urdu', 'Noto Naskh Arabic', sans-serif; }\n"
      ".shift { fill: #0d47a1; }\n"
      ".altgr, .shiftaltgr { fill: #b71c1c; }\n"
      "</style>\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
  svg += Text(kMargin, 38, 26, "title", "Urdu Phonetic") + "\n";

  for (const ChartKey& key : ChartKeys()) {
    const double x = kMargin + key.column * kUnit;
    const double y = keyboardTop + key.row * kUnit;
    const double w = key.width * kUnit - kGap;
    char scan[8];
    std::snprintf(scan, sizeof scan, "%04X", key.scanCode);
    svg += "<g class=\"key\" data-scan=\"" + std::string(scan) + "\">";
    svg += "<rect x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" width=\"" + Number(w) +
           "\" height=\"" + Number(kUnit - kGap) + "\" rx=\"6\" fill=\"" +
           (key.typing ? "#f7f7f2" : "#e0e0e0") + "\" stroke=\"#9e9e9e\"/>";
    const KeyDefinition* definition = key.typing ? FindKeyByScanCode(key.scanCode) : nullptr;
    if (definition == nullptr) {
      svg += Text(x + w / 2, y + kUnit / 2 + 4, 13, "caption", std::string(key.caption));
    } else {
      svg += Text(x + 6, y + 16, 13, "latin", std::string(key.caption));
      for (const Slot& slot : kSlots) {
        const char16_t c = definition->chars[slot.level];
        const std::string label = ChartLabel(c);
        if (!label.empty()) {
          // The space bar's few characters spread along it; other keys have four quarters.
          const double dx = key.width > 2 ? (slot.dx < 0.5 ? 0.35 : 0.65) : slot.dx;
          svg += Text(x + w * dx, y + slot.dy, FontSizeFor(c, slot.size),
                      KindOf(c) == CharacterKind::UrduDigit ? slot.cssClass + std::string(" digit")
                                                            : std::string(slot.cssClass),
                      label);
        }
      }
    }
    svg += "</g>\n";
  }

  // The legend: a sample key and the notes a chart cannot show.
  const double ly = keyboardTop + 5 * kUnit + 10;
  const double lx = kMargin;
  svg += "<rect x=\"" + Number(lx) + "\" y=\"" + Number(ly) + "\" width=\"" + Number(kUnit - kGap) +
         "\" height=\"" + Number(kUnit - kGap) +
         "\" rx=\"6\" fill=\"#f7f7f2\" stroke=\"#9e9e9e\"/>";
  svg += Text(lx + 0.32 * kUnit, ly + 34, 13, "shift", "Shift");
  svg += Text(lx + 0.32 * kUnit, ly + 66, 13, "base", "Key");
  svg += Text(lx + 0.76 * kUnit, ly + 36, 9, "shiftaltgr", "Shift+AltGr");
  svg += Text(lx + 0.76 * kUnit, ly + 68, 11, "altgr", "AltGr");
  const char* notes[] = {
      "AltGr is the right Alt key (or Ctrl+Alt). Marks (zabar, zer, pesh ...) are typed after "
      "their letter.",
      "AltGr+Space types a zero-width non-joiner (ZWNJ), which keeps two words apart without a "
      "space; Shift+AltGr+Space a joiner (ZWJ).",
      "Urdu digits on the digit row, Latin digits with AltGr and on the numeric keypad. Caps "
      "Lock changes nothing.",
      "The extra key beside left Shift on 102-key keyboards types \\ and |, like the key above "
      "Enter; Brazilian ABNT keyboards' extra keys type / ؟ and the keypad's .",
  };
  double noteY = ly + 20;
  for (const char* note : notes) {
    svg += Text(lx + kUnit + 12, noteY, 15, "legend", note) + "\n";
    noteY += 26;
  }
  svg += "</svg>\n";
  return svg;
}

}  // namespace layout
