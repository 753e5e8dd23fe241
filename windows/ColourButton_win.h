#pragma once

#include <windows.h>

#include "windows/Geometry.h"

// Draws a push button in the graphical style: its own background colour, a raised edge that
// sinks while pressed, a frame and focus rectangle while it has the focus, and its caption
// with the access key underlined.
void DrawColourButton(const DRAWITEMSTRUCT& item, Rgb background, HFONT font);
