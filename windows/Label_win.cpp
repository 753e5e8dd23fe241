#include "windows/Label_win.h"

#include <algorithm>
#include <string>

#include "platform/SystemError_win.h"
#include "windows/Dpi_win.h"
#include "windows/LabelSpec.h"

UniqueFont CreateLabelFont(const FontSpec& font, int dpi) {
  const std::wstring face(font.face);
  UniqueFont created(CreateFontW(
      FontHeightAtDpi(font.hundredthsOfPoint, dpi), 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE,
      font.underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str()));
  if (!created) {
    ThrowLastError(L"the font " + face);
  }
  return created;
}

HWND CreateLabel(HWND parent, const LabelSpec& label, HFONT font, int dpi) {
  const PixelRect r = ToPixels(label.bounds, dpi);
  const std::wstring caption = LabelCaption(label);
  // SS_NOTIFY: a click on the label reaches the parent as STN_CLICKED with the label's id.
  const HWND control = CreateWindowExW(
      0, L"STATIC", caption.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_NOTIFY,
      r.left, r.top, r.width, r.height, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(label.id)),
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
  if (control == nullptr) {
    ThrowLastError(L"a label");
  }
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

HBRUSH PrepareLabelColours(HDC dc, const LabelSpec& label) {
  SetTextColor(dc, label.colour ? ToColorRef(*label.colour) : GetSysColor(COLOR_WINDOWTEXT));
  SetBkMode(dc, TRANSPARENT);
  return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

LRESULT LabelColours(WPARAM dc, LPARAM control, std::span<const LabelSpec> labels) {
  const LabelSpec* label = FindLabel(labels, GetDlgCtrlID(reinterpret_cast<HWND>(control)));
  if (label == nullptr) {
    return 0;
  }
  return reinterpret_cast<LRESULT>(PrepareLabelColours(reinterpret_cast<HDC>(dc), *label));
}

void DrawLine(HDC dc, const LineSpec& line, int dpi) {
  const UniquePen pen(CreatePen(PS_SOLID, std::max(1, dpi / 96), ToColorRef(line.colour)));
  const ScopedSelect selectPen(dc, pen.Get());
  MoveToEx(dc, TwipsToPixels(line.from.x, dpi), TwipsToPixels(line.from.y, dpi), nullptr);
  LineTo(dc, TwipsToPixels(line.to.x, dpi), TwipsToPixels(line.to.y, dpi));
}
