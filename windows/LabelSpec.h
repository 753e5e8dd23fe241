#pragma once

#include <span>
#include <string>

#include "windows/WindowSpecs.h"

// What a label's or a picture's row in a window's table (windows/WindowSpecs.h) comes to: the
// label a control id stands for, its text, its font's height, the pixels it covers.

// The label of a window's table with a control id, or null.
const LabelSpec* FindLabel(std::span<const LabelSpec> labels, int id);

// A label's text: its caption, or the part of the website address it shows.
std::wstring LabelCaption(const LabelSpec& label);

// 1/100 pt at `dpi` as a font height in pixels (negative: the character height, as Windows
// expects from a point size).
int FontHeightAtDpi(int hundredthsOfPoint, int dpi);

// Whether a point in client pixels lies in a twips rectangle drawn at `dpi`.
bool Contains(const TwipsRect& bounds, int dpi, int x, int y);
