#include "core/ErrorReport.h"

#include <gtest/gtest.h>

namespace {

TEST(ErrorReport, ShowsNumberDescriptionAndWhatFailed) {
  const std::wstring text = ErrorReportText(2, L"The system cannot find the file specified.",
                                            L"the program C:\\d\\lyurdu\\setup.exe");
  EXPECT_EQ(text,
            L"Error 2: The system cannot find the file specified.\r\n\r\n"
            L"This concerned the program C:\\d\\lyurdu\\setup.exe.\r\n\r\n"
            L"The program will now close.");
  const std::wstring bare = ErrorReportText(5, L"Access is denied.", L"");
  EXPECT_EQ(bare.find(L"\r\n\r\n\r\n"), std::wstring::npos) << "no empty context paragraph";
  EXPECT_NE(bare.find(L"Error 5: Access is denied."), std::wstring::npos);
}

TEST(ErrorReport, WritesEveryNumberInDecimal) {
  EXPECT_EQ(ErrorReportText(0, L"x", L"").find(L"Error 0: x"), 0u);
  EXPECT_EQ(ErrorReportText(10, L"x", L"").find(L"Error 10: x"), 0u);
  // An HRESULT such as E_ACCESSDENIED, and the largest number there is.
  EXPECT_EQ(ErrorReportText(0x80070005u, L"x", L"").find(L"Error 2147942405: x"), 0u);
  EXPECT_EQ(ErrorReportText(4294967295u, L"x", L"").find(L"Error 4294967295: x"), 0u);
}

}  // namespace
