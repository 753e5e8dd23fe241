#include "platform/NtPath.h"

#include <gtest/gtest.h>

namespace {

TEST(NtPath, DrivesSharesAndTheSystemsOwnFormsGetTheirNtNames) {
  EXPECT_EQ(NtPathName(L"C:\\Urdu Phonetic\\install.vbs"), L"\\??\\C:\\Urdu Phonetic\\install.vbs");
  EXPECT_EQ(NtPathName(L"T:\\\\install.vbs"), L"\\??\\T:\\install.vbs");  // at a drive's root
  EXPECT_EQ(NtPathName(L"\\\\server\\share\\dist\\install.vbs"),
            L"\\??\\UNC\\server\\share\\dist\\install.vbs");
  EXPECT_EQ(NtPathName(L"\\\\server\\share\\\\install.vbs"),
            L"\\??\\UNC\\server\\share\\install.vbs");
  EXPECT_EQ(NtPathName(L"\\\\?\\C:\\dist\\install.vbs"), L"\\??\\C:\\dist\\install.vbs");
  EXPECT_EQ(NtPathName(L"\\\\?\\UNC\\server\\share\\install.vbs"),
            L"\\??\\UNC\\server\\share\\install.vbs");
}

}  // namespace
