#include "install/InstallScript.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
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

// install.vbs as it must reach the script host, kept byte for byte beside the tests.
std::string KeptScriptFile() {
  std::ifstream in(TIUP_EXPECTED_DIR "/install.vbs", std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(InstallScript, TextAndFileAreExactlyTheKept574Bytes) {
  const std::string kept = KeptScriptFile();
  ASSERT_EQ(kept.size(), 574u) << "tests/expected/install.vbs lost its CR LF line ends?";
  const std::wstring script = BuildInstallScript();
  // The text is the file without its record end; both are fixed, whatever the machine.
  EXPECT_EQ(script, std::wstring(kept.begin(), kept.end() - 2));
  EXPECT_EQ(InstallScriptFileBytes(script), kept);
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

TEST(InstallScript, FileBytesRefuseTextThatIsNotPlainAscii) {
  EXPECT_THROW(InstallScriptFileBytes(L"Dim \u0627\r\n"), std::invalid_argument);
  EXPECT_THROW(InstallScriptFileBytes(std::wstring(L"Dim\0x", 5)), std::invalid_argument);
}

}  // namespace
