#include "app/ErrorReport.h"

std::wstring ErrorReportText(std::uint32_t number, std::wstring_view description,
                             std::wstring_view context) {
  std::wstring text = L"Error " + std::to_wstring(number) + L": ";
  text += description;
  if (!context.empty()) {
    text += L"\r\n\r\n";
    text += context;
  }
  text += L"\r\n\r\nThe program will now close.";
  return text;
}
