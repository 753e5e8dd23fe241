#include "windows/ColourButton_win.h"

#include <string>

#include "platform/Handles_win.h"
#include "windows/Dpi_win.h"

void DrawColourButton(const DRAWITEMSTRUCT& item, Rgb background, HFONT font) {
  const HDC dc = item.hDC;
  RECT rect = item.rcItem;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  const bool focused = (item.itemState & ODS_FOCUS) != 0;

  const UniqueBrush fill(CreateSolidBrush(ToColorRef(background)));
  FillRect(dc, &rect, fill.Get());

  if (focused) {
    // The focused button carries a black frame, as graphical buttons always have.
    FrameRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    InflateRect(&rect, -1, -1);
  }
  DrawEdge(dc, &rect, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);

  wchar_t caption[256];
  const int length = GetWindowTextW(item.hwndItem, caption, static_cast<int>(std::size(caption)));
  RECT textRect = rect;
  if (pressed) {
    OffsetRect(&textRect, 1, 1);
  }
  const ScopedSelect selectFont(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc,
               GetSysColor((item.itemState & ODS_DISABLED) != 0 ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  if ((item.itemState & ODS_NOACCEL) != 0) {
    format |= DT_HIDEPREFIX;
  }
  DrawTextW(dc, caption, length, &textRect, format);

  if (focused && (item.itemState & ODS_NOFOCUSRECT) == 0) {
    RECT focusRect = rect;
    InflateRect(&focusRect, -2, -2);
    DrawFocusRect(dc, &focusRect);
  }
}
