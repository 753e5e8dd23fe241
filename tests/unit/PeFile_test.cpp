#include "platform/PeFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

TEST(PeFile, RejectsWhatIsNotAPeImage) {
  std::string error;
  EXPECT_FALSE(PeFile::Parse({}, &error));
  EXPECT_EQ(error, "not a PE image");
  std::vector<std::uint8_t> bytes(512, 0);
  bytes[0] = 'M';
  bytes[1] = 'Z';
  bytes[0x3C] = 0x80;
  EXPECT_FALSE(PeFile::Parse(bytes, &error));  // no PE signature at 0x80
  bytes[0x80] = 'P';
  bytes[0x81] = 'E';
  EXPECT_FALSE(PeFile::Parse(bytes, &error));  // no known optional header
  EXPECT_EQ(error, "unknown optional header");
  bytes[0x3C] = 0xFF;
  bytes[0x3D] = 0xFF;  // header offset far past the end
  EXPECT_FALSE(PeFile::Parse(bytes, &error));
}

}  // namespace
