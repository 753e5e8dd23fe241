// The Win32 layer both programs share, in this process on a real (Wine) system: what a missing
// system function does, and the limits of the whole-file reader.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "UiDriver_win.h"
#include "platform/FileRead_win.h"
#include "platform/SystemError.h"
#include "platform/SystemLibrary_win.h"

namespace {

TEST(SystemLibrary, AMissingFunctionThrowsAndOnlyTheExplicitQuestionAnswersNo) {
  EXPECT_TRUE(WindowsHasFunction(L"kernel32.dll", "GetTickCount"));
  EXPECT_FALSE(WindowsHasFunction(L"kernel32.dll", "NoSuchFunctionAnywhere"));
  EXPECT_FALSE(WindowsHasFunction(L"input.dll", "InstallLayoutOrTip")) << "never loads a DLL";
  EXPECT_TRUE(WindowsHasLibrary(L"kernel32.dll"));
  EXPECT_FALSE(WindowsHasLibrary(L"input.dll")) << "Wine has none, as Windows XP";
  try {
    SystemProcedure(L"kernel32.dll", "NoSuchFunctionAnywhere");
    ADD_FAILURE() << "a missing function was returned";
  } catch (const SystemError& error) {
    EXPECT_EQ(error.Number(), 127u);  // ERROR_PROC_NOT_FOUND
    EXPECT_EQ(error.Context(), L"the function NoSuchFunctionAnywhere in kernel32.dll");
  }
  try {
    SystemProcedure(L"input.dll", "InstallLayoutOrTip");
    ADD_FAILURE() << "a function of a missing DLL was returned";
  } catch (const SystemError& error) {
    EXPECT_EQ(error.Number(), 126u);  // ERROR_MOD_NOT_FOUND
    EXPECT_EQ(error.Context().rfind(L"the file "), 0u);
    EXPECT_NE(error.Context().find(L"\\input.dll"), std::wstring::npos);
  }
}

TEST(FileRead, ReadsAWholeFileAndRefusesOneLargerThanTheLimit) {
  const std::wstring path = ui::ArtefactsFolder() + L"\\platform-read.bin";
  const std::wstring missing = ui::ArtefactsFolder() + L"\\no-such-folder\\none.bin";
  EXPECT_FALSE(ReadWholeFile(missing).has_value());

  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, "abc", 3, &written, nullptr));
  CloseHandle(file);
  EXPECT_EQ(ReadWholeFile(path), (std::vector<std::uint8_t>{'a', 'b', 'c'}));

  // One byte past the limit, as a sparse file: damage, not data.
  file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  LARGE_INTEGER end{};
  end.QuadPart = 16 * 1024 * 1024 + 1;
  EXPECT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file));
  CloseHandle(file);
  try {
    ReadWholeFile(path);
    ADD_FAILURE() << "a file past the limit was read";
  } catch (const SystemError& error) {
    EXPECT_EQ(error.Number(), 223u);  // ERROR_FILE_TOO_LARGE
    EXPECT_EQ(error.Context(), L"the file " + path);
  }
  DeleteFileW(path.c_str());
}

}  // namespace
