#include "core/ErrorReport.h"

namespace {

// Decimal digits without std::to_wstring, which would link the C runtime's whole printf
// machinery (tens of kilobytes) into the program for one number.
std::wstring Decimal(std::uint32_t number) {
  std::wstring digits;
  do {
    digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + number % 10));
    number /= 10;
  } while (number != 0);
  return digits;
}

}  // namespace

std::wstring ErrorReportText(std::uint32_t number, std::wstring_view description,
                             std::wstring_view context) {
  std::wstring text = L"Error " + Decimal(number) + L": ";
  text += description;
  if (!context.empty()) {
    text += L"\r\n\r\nThis concerned ";
    text += context;
    text += L'.';
  }
  text += L"\r\n\r\nThe program will now close.";
  return text;
}
