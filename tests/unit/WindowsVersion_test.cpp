#include "platform/WindowsVersion.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowsVersion, NonClientMetricsHasTheSizeOfTheRunningWindows) {
  EXPECT_EQ(NonClientMetricsSize({5, 1}), 500u);  // Windows XP
  EXPECT_EQ(NonClientMetricsSize({5, 2}), 500u);  // XP x64, Server 2003
  EXPECT_EQ(NonClientMetricsSize({6, 0}), 504u);  // Vista
  EXPECT_EQ(NonClientMetricsSize({10, 0}), 504u);
}

}  // namespace
