#include "platform/PeFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/unit/VersionedPe.h"

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

// As the loader maps a file: the headers as they stand, each section at its address and zeros
// past its data in the file, which has no file offset; headers cut short are refused.
TEST(PeFile, AddressesMapAsTheLoaderMapsThemAndCutHeadersAreRefused) {
  const std::string after = "bytes after the image";
  std::vector<std::uint8_t> bytes = versioned_pe::Dll({{u"CompanyName", u"Tamlorix"}}, after);
  constexpr std::size_t kOptional = 0x58;
  constexpr std::size_t kSection = kOptional + 224;
  versioned_pe::Put32(bytes, kOptional + 60, 0x200);  // SizeOfHeaders
  const auto rawSize = static_cast<std::uint32_t>(bytes.size() - 0x200 - after.size());
  versioned_pe::Put32(bytes, kSection + 8, rawSize + 0x100);  // 0x100 bytes more in memory
  const auto file = PeFile::Parse(bytes);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->Machine(), PeFile::kMachineI386);
  EXPECT_FALSE(file->IsPe32Plus());
  EXPECT_EQ(file->DataDirectory(PeFile::kResourceDirectory).rva, 0x1000u);
  EXPECT_EQ(file->DataDirectory(16).rva, 0u);
  const PeFile::Section* rsrc = file->FindSection(".rsrc");
  ASSERT_NE(rsrc, nullptr);
  EXPECT_EQ(file->SectionAt(0x1000 + rawSize + 0xFF), rsrc);
  EXPECT_EQ(file->SectionAt(0x1000 + rawSize + 0xFF, 2), nullptr);

  EXPECT_EQ(file->FileOffset(0x3C), 0x3Cu);
  EXPECT_EQ(file->FileOffset(0x1010), 0x210u);
  EXPECT_EQ(file->FileOffset(0x1000 + rawSize), std::nullopt);
  std::uint8_t mapped[4] = {1, 1, 1, 1};
  ASSERT_TRUE(file->ReadMapped(0x1000 + rawSize - 2, mapped));
  EXPECT_EQ(mapped[0], bytes[0x200 + rawSize - 2]);
  EXPECT_EQ(mapped[2], 0);
  EXPECT_EQ(mapped[3], 0);
  EXPECT_FALSE(file->ReadMapped(0x1000 + rawSize + 0xFE, mapped));

  std::string error;
  EXPECT_FALSE(PeFile::Parse(std::span(bytes).first(kOptional + 100), &error));
  EXPECT_EQ(error, "optional header cut short");
  EXPECT_FALSE(PeFile::Parse(std::span(bytes).first(kSection + 20), &error));
  EXPECT_EQ(error, "section table cut short");
}

}  // namespace
