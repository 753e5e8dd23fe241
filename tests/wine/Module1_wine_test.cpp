// The shell's special-folder look-up as the font copier uses it, on a real (Wine) system.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/Module1_win.h"

namespace {

TEST(GetSpecialFolder, GivesTheFontsFolderWithoutATrailingBackslash) {
  wchar_t windows[MAX_PATH] = {};
  ASSERT_NE(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  const int fonts = 20;
  const std::wstring folder = GetSpecialFolder(fonts, nullptr);
  EXPECT_EQ(CompareStringOrdinal(folder.c_str(), -1, (std::wstring(windows) + L"\\Fonts").c_str(),
                                 -1, TRUE),
            CSTR_EQUAL)
      << std::string(folder.begin(), folder.end());
  EXPECT_NE(GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST(GetSpecialFolder, GivesNothingForAnIdentifierTheSystemDoesNotKnow) {
  const int unknown = 0x7F;
  EXPECT_EQ(GetSpecialFolder(unknown, nullptr), L"");
  // A known folder that is no file-system folder (the Control Panel) has no path either.
  const int controlPanel = 3;
  EXPECT_EQ(GetSpecialFolder(controlPanel, nullptr), L"");
}

}  // namespace
