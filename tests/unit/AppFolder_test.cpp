#include "core/AppFolder.h"

#include <gtest/gtest.h>

namespace {

TEST(AppFolder, IsThePathBeforeTheLastBackslashWithoutTrailingBackslash) {
  EXPECT_EQ(
      AppFolderFromModulePath(L"C:\\Program Files\\Tamlorix\\Tamlorix Install Urdu Phonetic.exe"),
      L"C:\\Program Files\\Tamlorix");
  EXPECT_EQ(AppFolderFromModulePath(
                L"D:\\\u0627\u0631\u062f\u0648 \u06a9\u06cc \u0628\u0648\u0631\u0688\\setup.exe"),
            L"D:\\\u0627\u0631\u062f\u0648 \u06a9\u06cc \u0628\u0648\u0631\u0688");
  EXPECT_EQ(AppFolderFromModulePath(L"\\\\server\\share\\dist\\app.exe"),
            L"\\\\server\\share\\dist");
}

TEST(AppFolder, AShareInTheSystemsOwnFormIsNamedAsAShare) {
  EXPECT_EQ(AppFolderFromModulePath(L"\\\\?\\UNC\\server\\share\\dist\\app.exe"),
            L"\\\\server\\share\\dist");
  // As Wine 8 gives it.
  EXPECT_EQ(AppFolderFromModulePath(L"UNC\\server\\share\\a b\\app.exe"),
            L"\\\\server\\share\\a b");
  // A folder that is merely called UNC keeps its drive.
  EXPECT_EQ(AppFolderFromModulePath(L"C:\\UNC\\app.exe"), L"C:\\UNC");
}

TEST(AppFolder, AtADriveRootKeepsTheRootBackslash) {
  EXPECT_EQ(AppFolderFromModulePath(L"C:\\app.exe"), L"C:\\");
  EXPECT_EQ(AppFolderFromModulePath(L"z:\\a b.exe"), L"z:\\");
}

TEST(AppFolder, PathsIntoTheDistributionAreFolderPlusSuffixAsComposed) {
  EXPECT_EQ(InAppFolder(L"C:\\dist", L"\\lyurdu\\setup.exe"), L"C:\\dist\\lyurdu\\setup.exe");
  // At a drive root the backslash doubles; it is passed on as composed.
  EXPECT_EQ(InAppFolder(AppFolderFromModulePath(L"E:\\x.exe"), L"\\urdu fonts\\"),
            L"E:\\\\urdu fonts\\");
}

}  // namespace
