#pragma once

#include <optional>
#include <string_view>

#include "windows/Geometry.h"

// What the windows' tables are made of: the window itself, its lines, its labels with their
// fonts, and its pictures. Each window is one table of these (frmMainLayout.h, frmAboutLayout.h,
// frmAboutProgrammerLayout.h), and the skeleton every window stands on (BaseWindow_win.h) reads
// its window's row.

struct WindowSpec {
  std::wstring_view caption;
  int clientWidth;  // twips
  int clientHeight;
  Rgb background;
};

struct LineSpec {
  std::wstring_view name;
  TwipsPoint from;
  TwipsPoint to;
  Rgb colour;
};

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

// A label shows what lies behind it around its text: the card's labels are transparent over its
// background and pictures, and the About window's labels have the window's own colour, which
// looks the same.
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
