#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "windows/Geometry.h"

// The pieces the two information windows are made of: text labels, pictures and what a click on
// each of them does. Each window is one table of these (frmAboutLayout.h,
// frmAboutProgrammerLayout.h). A label shows what lies behind it around its text: the card's
// labels are transparent over its background and pictures, and the About window's labels have
// the window's own colour, which looks the same.

struct FontSpec {
  std::wstring_view face;  // asked for by name; a system without it maps it as Windows does
  int hundredthsOfPoint;   // 21.75 pt is 2175
  bool bold;
  bool underline;
};

// Where a label's text comes from: written in the table, or made from the website's address.
enum class LabelText {
  Fixed,
  WebsiteHost,  // the host name of the address
  WebsiteNote,  // the About window's note naming the site's domain
};

enum class ClickAction {
  Nothing,
  HideWindow,
  OpenWebsite,
};

struct LabelSpec {
  int id;                  // control id, unique in its window, never IDOK or IDCANCEL
  std::wstring_view name;  // Label1, lblLabel, lbl, lblLink
  int index;               // its place in a control array; -1 for a label of its own
  LabelText text;
  std::wstring_view caption;  // the text when it is Fixed
  TwipsRect bounds;
  FontSpec font;
  std::optional<Rgb> colour;  // none: the system's window-text colour
  int tabIndex;
  ClickAction click;
};

struct PictureSpec {
  std::wstring_view name;
  int resourceId;  // the encoded picture (GIF or JPEG) in the program's resources
  int pixelWidth;  // the picture's own size; it is stretched to fill `bounds`
  int pixelHeight;
  TwipsRect bounds;
  ClickAction click;
};

// The label of a window's table with a control id, or null.
const LabelSpec* FindLabel(std::span<const LabelSpec> labels, int id);

// A label's text: its caption, or the part of the website address it shows.
std::wstring LabelCaption(const LabelSpec& label);

// 1/100 pt at `dpi` as a font height in pixels (negative: the character height, as Windows
// expects from a point size).
int FontHeightAtDpi(int hundredthsOfPoint, int dpi);

// Whether a point in client pixels lies in a twips rectangle drawn at `dpi`.
bool Contains(const TwipsRect& bounds, int dpi, int x, int y);
