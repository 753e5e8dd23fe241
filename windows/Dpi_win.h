#pragma once

#include <windows.h>

#include "windows/Geometry.h"

// The system DPI: the program declares itself system-DPI aware, so every window is laid out
// once at this DPI.
int SystemDpi();

COLORREF ToColorRef(Rgb colour);

// The message font of the system (the toolkit's default), at the system DPI.
HFONT CreateDefaultGuiFont();
