#include "setup/SetupArguments.h"

#include <gtest/gtest.h>

namespace {

TEST(SetupArguments, NoneMeansInstallWithItsMessage) {
  const auto parsed = ParseSetupArguments({});
  EXPECT_EQ(parsed.action, SetupAction::Install);
  EXPECT_FALSE(parsed.quiet);
  EXPECT_TRUE(parsed.unknown.empty());
}

TEST(SetupArguments, SwitchesCombineInAnyOrderCaseAndPrefix) {
  for (const auto& words :
       std::vector<std::vector<std::wstring>>{{L"/uninstall", L"/quiet"},
                                              {L"-QUIET", L"/Uninstall"},
                                              {L"/quiet", L"-uninstall", L"/quiet"}}) {
    const auto parsed = ParseSetupArguments(words);
    EXPECT_EQ(parsed.action, SetupAction::Uninstall);
    EXPECT_TRUE(parsed.quiet);
    EXPECT_TRUE(parsed.unknown.empty());
  }
  EXPECT_EQ(ParseSetupArguments({L"/quiet"}).action, SetupAction::Install);
  const auto perPerson = ParseSetupArguments({L"/USER", L"/uninstall", L"/elevated"});
  EXPECT_TRUE(perPerson.forUser && perPerson.elevatedRun && perPerson.unknown.empty());
  EXPECT_FALSE(ParseSetupArguments({L"/uninstall"}).forUser);
  EXPECT_EQ(ParseSetupArguments({L"/?"}).action, SetupAction::Usage);
  EXPECT_EQ(ParseSetupArguments({L"/uninstall", L"-help"}).action, SetupAction::Usage);
}

TEST(SetupArguments, TheFirstUnknownWordIsKeptAsTyped) {
  EXPECT_EQ(ParseSetupArguments({L"/quiet", L"/Remove", L"x"}).unknown, L"/Remove");
  EXPECT_EQ(ParseSetupArguments({L"uninstall"}).unknown, L"uninstall");  // no switch character
  EXPECT_EQ(ParseSetupArguments({L"/"}).unknown, L"/");
  EXPECT_EQ(ParseSetupArguments({L"/uninstallx"}).unknown, L"/uninstallx");
  EXPECT_EQ(ParseSetupArguments({L""}).unknown, L"\"\"");
  // Quiet is still seen, so a bad command line in a deployment script opens no window.
  EXPECT_TRUE(ParseSetupArguments({L"/bogus", L"/quiet"}).quiet);
}

}  // namespace
