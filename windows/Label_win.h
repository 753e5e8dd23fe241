#pragma once

#include <windows.h>

#include <span>

#include "platform/Handles_win.h"
#include "windows/WindowSpecs.h"

// A label's font at `dpi`, asked for by face name: where the face is missing, the system's font
// mapper picks the nearest it has, as it does for any program.
UniqueFont CreateLabelFont(const FontSpec& font, int dpi);

// A label as a static text control: the text is a real window text (screen readers and tests
// read it) and wraps at word boundaries within the label's box. Its clicks arrive at the parent
// as WM_COMMAND with STN_CLICKED.
HWND CreateLabel(HWND parent, const LabelSpec& label, HFONT font, int dpi);

// A label's text colour on a transparent background, set in `dc`; the brush to paint it with.
HBRUSH PrepareLabelColours(HDC dc, const LabelSpec& label);

// The answer to WM_CTLCOLORSTATIC: the colours of the label of `labels` that `control` is, or
// nothing (0) for a control that is none of them.
LRESULT LabelColours(WPARAM dc, LPARAM control, std::span<const LabelSpec> labels);

// The window's picture of `line`, one pixel wide per 96 DPI.
void DrawLine(HDC dc, const LineSpec& line, int dpi);
