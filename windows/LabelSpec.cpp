#include "windows/LabelSpec.h"

#include <algorithm>

#include "web/Website.h"

const LabelSpec* FindLabel(std::span<const LabelSpec> labels, int id) {
  const auto found = std::find_if(labels.begin(), labels.end(),
                                  [id](const LabelSpec& label) { return label.id == id; });
  return found != labels.end() ? &*found : nullptr;
}

std::wstring LabelCaption(const LabelSpec& label) {
  switch (label.text) {
    case LabelText::Fixed:
      return std::wstring(label.caption);
    case LabelText::WebsiteHost:
      return std::wstring(HostName(kWebsiteAddress));
    case LabelText::WebsiteNote:
      return L"Note: You can give suggestion for improvements and increments of this product on "
             L"the " +
             std::wstring(DomainName(kWebsiteAddress)) + L" website and donate money.";
  }
  return {};
}

int FontHeightAtDpi(int hundredthsOfPoint, int dpi) {
  // 72 points to the inch, rounded to nearest as MulDiv does: 9.75 pt at 96 DPI is 13 pixels.
  const long long product = static_cast<long long>(hundredthsOfPoint) * dpi;
  return -static_cast<int>((product + 3600) / 7200);
}

bool Contains(const TwipsRect& bounds, int dpi, int x, int y) {
  const PixelRect r = ToPixels(bounds, dpi);
  return x >= r.left && x < r.left + r.width && y >= r.top && y < r.top + r.height;
}
