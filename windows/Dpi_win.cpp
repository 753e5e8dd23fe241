#include "windows/Dpi_win.h"

#include "platform/Handles_win.h"
#include "platform/SystemError_win.h"

int SystemDpi() {
  const ScopedGetDC screen(nullptr);
  const int dpi = screen.Get() != nullptr ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : 96;
}

COLORREF ToColorRef(Rgb colour) { return RGB(colour.r, colour.g, colour.b); }

HFONT CreateDefaultGuiFont() {
  // The structure without the Vista field, so that the call also succeeds on Windows XP.
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    ThrowLastError(L"Reading the system's message font");
  }
  const HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
  if (font == nullptr) {
    ThrowLastError(L"Creating the message font");
  }
  return font;
}
