#include "windows/Dpi_win.h"

#include <cstddef>

#include "platform/Handles_win.h"
#include "platform/SystemError_win.h"
#include "platform/WindowsVersion_win.h"

int SystemDpi() {
  const ScopedGetDC screen(nullptr);
  const int dpi = screen.Get() != nullptr ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : 96;
}

COLORREF ToColorRef(Rgb colour) { return RGB(colour.r, colour.g, colour.b); }

HFONT CreateDefaultGuiFont() {
  // Our headers declare the Vista structure; Windows XP knows it without the last field.
  static_assert(sizeof(NONCLIENTMETRICSW) == NonClientMetricsSize({6, 0}));
  static_assert(offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth) == NonClientMetricsSize({5, 1}));
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = NonClientMetricsSize(RunningWindows());
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
    ThrowLastError(L"the system's message font");
  }
  const HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
  if (font == nullptr) {
    ThrowLastError(L"the message font");
  }
  return font;
}
