#include "install/InstallScript.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> SplitLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "text after the last line end";
  return lines;
}

TEST(InstallScript, IsTenLinesOf572CharactersEachEndedByCrLf) {
  const std::wstring script = BuildInstallScript();
  EXPECT_EQ(script.size(), 572u);
  const auto lines = SplitLines(script);
  ASSERT_EQ(lines.size(), 10u);
  const std::size_t lengths[] = {10, 8, 11, 11, 42, 53, 81, 53, 141, 142};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].size(), lengths[i]) << "line " << i + 1;
    EXPECT_EQ(lines[i].find_first_of(L"\r\n"), std::wstring::npos);
  }
  EXPECT_EQ(std::count(script.begin(), script.end(), L'\n'), 10);
}

TEST(InstallScript, RunsBothLanguageCollectionsFromIntlInfAndWaitsForEach) {
  const auto lines = SplitLines(BuildInstallScript());
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[0], L"Dim oShell");
  EXPECT_EQ(lines[4], L"Set oShell = CreateObject(\"WScript.Shell\")");
  EXPECT_EQ(
      lines[6],
      L"sCurDir = Left(WScript.ScriptFullName, InStrRev(WScript.ScriptFullName, \"\\\") - 1)");
  EXPECT_EQ(lines[7], L"sWinDir = oShell.ExpandEnvironmentStrings(\"%WinDir%\")");
  EXPECT_EQ(lines[8],
            L"oShell.Run sWinDir & \"\\system32\\rundll32.exe advpack.dll,LaunchINFSection \" & "
            L"sCurDir & "
            L"\"\\intl.inf,LANGUAGE_COLLECTION.COMPLEX.INSTALL\", 1, 1");
  // The last two lines differ only in the section name.
  std::wstring extended = lines[8];
  extended.replace(extended.find(L"COMPLEX"), 7, L"EXTENDED");
  EXPECT_EQ(lines[9], extended);
}

TEST(InstallScript, FileIsThe572CharactersAsBytesPlusOneMoreCrLf) {
  const std::wstring script = BuildInstallScript();
  const std::string bytes = InstallScriptFileBytes(script);
  ASSERT_EQ(bytes.size(), 574u);
  EXPECT_EQ(bytes.substr(bytes.size() - 4), "\r\n\r\n");
  for (std::size_t i = 0; i < script.size(); ++i) {
    ASSERT_EQ(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i])), script[i])
        << "byte " << i;
  }
  EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](char c) {
    return c == '\r' || c == '\n' || (c >= 0x20 && c <= 0x7E);
  }));
}

TEST(InstallScript, TextDoesNotDependOnAnythingAndIsBuiltAfresh) {
  EXPECT_EQ(BuildInstallScript(), BuildInstallScript());
}

TEST(InstallScript, FileBytesRefuseTextThatIsNotPlainAscii) {
  EXPECT_THROW(InstallScriptFileBytes(L"Dim \u0627\r\n"), std::invalid_argument);
  EXPECT_THROW(InstallScriptFileBytes(std::wstring(L"Dim\0x", 5)), std::invalid_argument);
}

}  // namespace
