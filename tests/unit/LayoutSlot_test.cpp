#include "setup/LayoutSlot.h"

#include <gtest/gtest.h>

#include "platform/SystemError.h"

namespace {

const std::vector<RegisteredLayout> kSystemLayouts = {
    {L"00000409", L"KBDUS.DLL", L""},
    {L"00000420", L"KBDURDU.DLL", L""},
    {L"00010409", L"KBDDV.DLL", L"0002"},
};

TEST(LayoutSlot, OnAMachineWithoutCustomLayoutsTakesTheFirstOfBoth) {
  const auto slot = ChooseLayoutSlot(kSystemLayouts, L"kbdurph.dll", L"0420");
  EXPECT_EQ(slot.klid, L"a0000420");
  EXPECT_EQ(slot.layoutId, L"00c0");
  EXPECT_FALSE(slot.alreadyRegistered);
}

TEST(LayoutSlot, SkipsTakenIdentifiersOfAnyCaseAndFollowsTheHighestLayoutId) {
  auto layouts = kSystemLayouts;
  layouts.push_back({L"A0000420", L"kbdother.dll", L"00C3"});
  layouts.push_back({L"a0010420", L"kbdmore.dll", L"00c1"});
  layouts.push_back({L"a0000409", L"kbdus2.dll", L"00d9"});  // another language, same prefix
  const auto slot = ChooseLayoutSlot(layouts, L"kbdurph.dll", L"0420");
  EXPECT_EQ(slot.klid, L"a0020420");
  EXPECT_EQ(slot.layoutId, L"00da");
}

TEST(LayoutSlot, FindsItsOwnRegistrationAgainWhateverItsCase) {
  auto layouts = kSystemLayouts;
  layouts.push_back({L"a0030420", L"KbdUrPh.DLL", L"00c7"});
  const auto slot = ChooseLayoutSlot(layouts, L"kbdurph.dll", L"0420");
  EXPECT_EQ(slot.klid, L"a0030420");
  EXPECT_EQ(slot.layoutId, L"00c7");
  EXPECT_TRUE(slot.alreadyRegistered);
  EXPECT_EQ(LayoutsUsingFile(layouts, L"kbdurph.dll"), std::vector<std::wstring>{L"a0030420"});
}

TEST(LayoutSlot, IgnoresUnreadableLayoutIdsAndRefusesWhenNoneIsLeft) {
  auto layouts = kSystemLayouts;
  layouts.push_back({L"a0000420", L"x.dll", L"zz"});
  EXPECT_EQ(ChooseLayoutSlot(layouts, L"kbdurph.dll", L"0420").layoutId, L"00c0");
  layouts.push_back({L"a0010420", L"y.dll", L"0fff"});
  EXPECT_THROW(ChooseLayoutSlot(layouts, L"kbdurph.dll", L"0420"), SystemError);
}

TEST(LayoutSubstitute, ReusesItsMappingOrTakesTheFirstFree) {
  const NamedValues substitutes = {{L"d0010420", L"a0050420"}, {L"d0020420", L"A0000420"}};
  EXPECT_EQ(ChooseSubstitute(substitutes, L"a0000420", L"0420"), L"d0020420");
  EXPECT_EQ(ChooseSubstitute(substitutes, L"a0010420", L"0420"), L"d0030420");
  EXPECT_EQ(ChooseSubstitute({}, L"a0010420", L"0420"), L"d0010420");
}

TEST(Preload, AddsAfterTheHighestNumberOnlyWhenMissing) {
  const NamedValues preload = {{L"1", L"00000409"}, {L"3", L"00000420"}};
  const auto added = PreloadAddition(preload, L"d0010420");
  ASSERT_TRUE(added);
  EXPECT_EQ(added->first, L"4");
  EXPECT_EQ(added->second, L"d0010420");
  EXPECT_FALSE(PreloadAddition({{L"1", L"D0010420"}}, L"d0010420"));
  EXPECT_EQ(PreloadAddition({}, L"d0010420")->first, L"1");
}

TEST(Preload, RemovalOfTheLastEntryOnlyDeletesIt) {
  const auto removal = PreloadWithout({{L"1", L"00000409"}, {L"2", L"d0010420"}}, {L"d0010420"});
  EXPECT_TRUE(removal.write.empty());
  EXPECT_EQ(removal.remove, std::vector<std::wstring>{L"2"});
}

TEST(Preload, RemovalInTheMiddleRenumbersTheRestInNumericOrder) {
  const NamedValues preload = {{L"10", L"0000040c"},
                               {L"2", L"a0000420"},
                               {L"1", L"00000409"},
                               {L"3", L"D0010420"},
                               {L"4", L"00000407"}};
  const auto removal = PreloadWithout(preload, {L"a0000420", L"d0010420"});
  const NamedValues expected = {{L"2", L"00000407"}, {L"3", L"0000040c"}};
  EXPECT_EQ(removal.write, expected);
  EXPECT_EQ(removal.remove, (std::vector<std::wstring>{L"4", L"10"}));
  const auto nothing = PreloadWithout(preload, {L"00000999"});
  EXPECT_TRUE(nothing.write.empty());
}

}  // namespace
