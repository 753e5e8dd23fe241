#include "app/ErrorReport.h"

#include <gtest/gtest.h>

namespace {

TEST(ErrorReport, ShowsNumberDescriptionAndWhatFailed) {
  const std::wstring text = ErrorReportText(2, L"The system cannot find the file specified.",
                                            L"Starting C:\\d\\lyurdu\\setup.exe");
  EXPECT_EQ(text.find(L"Error 2: The system cannot find the file specified."), 0u);
  EXPECT_NE(text.find(L"Starting C:\\d\\lyurdu\\setup.exe"), std::wstring::npos);
  const std::wstring bare = ErrorReportText(5, L"Access is denied.", L"");
  EXPECT_EQ(bare.find(L"\r\n\r\n\r\n"), std::wstring::npos) << "no empty context paragraph";
  EXPECT_NE(bare.find(L"Error 5: Access is denied."), std::wstring::npos);
}

}  // namespace
