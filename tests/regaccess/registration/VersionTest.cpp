// Version records: the text forms user mode and the maps state, the packed
// word they become, the text they print and how they order.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "driver/regaccess/registration/RegistrationCodes.h"
#include "driver/regaccess/registration/Version.h"

namespace {

using nVLAPALS100::tStatus;
using vlregitools::Version;

struct Parse {
  const char* text;
  int64_t code;
  uint64_t line;  // of the failure, 0 when none
  uint32_t packed;
  uint32_t extended;
};

void PrintTo(const Parse& p, std::ostream* out) { *out << '"' << (p.text != nullptr ? p.text : "(null)") << '"'; }

class VersionParsing : public testing::TestWithParam<Parse> {};

TEST_P(VersionParsing, GivesThePackedWordsOrTheCodeAndStaysZero) {
  const Parse& p = GetParam();
  tStatus status{tStatus::kFullSize};
  const Version version(p.text, status);
  EXPECT_EQ(status.getCode(), p.code);
  EXPECT_EQ(version.getPacked(), p.packed);
  EXPECT_EQ(version.getExtendedBuild(), p.extended);
  if (p.line != 0) {
    EXPECT_STREQ(status.getFile(), "Version");
    EXPECT_EQ(status.getLine(), p.line);
    EXPECT_STREQ(status.getComponent(), "vl9738k");
  }
}

constexpr int64_t kMalformed = vlregitools::kStatusVersionMalformed;
constexpr int64_t kOutOfRange = vlregitools::kStatusVersionOutOfRange;

INSTANTIATE_TEST_SUITE_P(
    Texts, VersionParsing,
    testing::Values(Parse{nullptr, 0, 0, 0, 0}, Parse{"", 0, 0, 0, 0}, Parse{"24.0.0f91", 0, 0, 0x1800C05B, 0},
                    Parse{"1.0.0d0", 0, 0, 0x01000000, 0}, Parse{"100d0", 0, 0, 0x01000000, 0},
                    Parse{"2.1.3b20000", 0, 0, 0x02138000, 20000}, Parse{"1.0.0f16384", 0, 0, 0x0100C000, 16384},
                    Parse{"1.0.0f16383", 0, 0, 0x0100FFFF, 0}, Parse{"255.15.15a7", 0, 0, 0xFFFF4007, 0},
                    Parse{"987b12", 0, 0, 0x09878000 | 12, 0},
                    // Malformed texts, by where they go wrong.
                    Parse{"1.2", kMalformed, 265, 0, 0}, Parse{"abcd", kMalformed, 75, 0, 0},
                    Parse{"1.0.0x0", kMalformed, 201, 0, 0}, Parse{"100d0 ", kMalformed, 287, 0, 0},
                    Parse{"1a0d0", kMalformed, 228, 0, 0}, Parse{"1..0d0", kMalformed, 247, 0, 0},
                    Parse{"1.0.0d", kMalformed, 247, 0, 0},
                    // Fields out of range, however many digits they have.
                    Parse{"1.16.0f0", kOutOfRange, 174, 0, 0}, Parse{"256.0.0d0", kOutOfRange, 174, 0, 0},
                    Parse{"18446744073709551617.0.0d0", kOutOfRange, 174, 0, 0},
                    Parse{"1.0.0d4294967296", kOutOfRange, 174, 0, 0}));

std::string formatted(const Version& version) {
  char text[Version::kTextSize];
  tStatus status;
  version.format(text, status);
  EXPECT_EQ(status.getCode(), 0);
  return text;
}

Version parsed(const char* text) {
  tStatus status;
  Version version(text, status);
  EXPECT_EQ(status.getCode(), 0) << text;
  return version;
}

TEST(Version, FormatsTheDottedTextBack) {
  for (const char* text : {"24.0.0f91", "1.0.0f16384", "2.1.3b20000", "255.15.15a16383", "1.0.0d0"}) {
    EXPECT_EQ(formatted(parsed(text)), text);
  }
  EXPECT_EQ(formatted(Version()), "0.0.0d0");
  EXPECT_EQ(formatted(parsed("100d0")), "1.0.0d0");
  EXPECT_EQ(formatted(Version(0x0100C000u)), "1.0.0f0");
}

TEST(Version, OrdersByPackedWordFirst) {
  EXPECT_LT(parsed("1.0.0d5"), parsed("1.0.0a0")) << "phase outranks build";
  EXPECT_GT(parsed("2.0.0d0"), parsed("1.15.15f16383"));
  EXPECT_LT(parsed("1.0.0f16384"), parsed("1.0.0f16383"));
  EXPECT_GT(parsed("1.0.0f16384"), parsed("1.0.0f0"));
  EXPECT_LT(parsed("1.0.0f16384"), parsed("1.0.0f16385")) << "equal packed words defer to the build";
  EXPECT_EQ(parsed("100d0"), parsed("1.0.0d0"));
  EXPECT_NE(parsed("1.0.0f16384"), parsed("1.0.0f0"));
  EXPECT_FALSE(parsed("1.0.0d0") < parsed("1.0.0d0"));
  EXPECT_FALSE(parsed("1.0.0d0") > parsed("1.0.0d0"));
  EXPECT_TRUE(Version().isZero());
}

TEST(Version, PacksFieldsAndRefusesOutOfRangeOnes) {
  tStatus status;
  EXPECT_EQ(Version(24, 0, 0, 3, 91, status), parsed("24.0.0f91"));
  EXPECT_EQ(Version(2, 1, 3, 2, 20000, status), parsed("2.1.3b20000"));
  EXPECT_EQ(status.getCode(), 0);
  for (const auto& fields :
       std::vector<std::array<uint32_t, 5>>{{256, 0, 0, 0, 0}, {1, 16, 0, 0, 0}, {1, 0, 16, 0, 0}, {1, 0, 0, 4, 0}}) {
    tStatus refused;
    const Version version(fields[0], fields[1], fields[2], fields[3], fields[4], refused);
    EXPECT_EQ(refused.getCode(), kOutOfRange);
    EXPECT_TRUE(version.isZero());
  }
}

TEST(Version, ConvertsToAPackedWordOnlyWithoutAnExtendedBuild) {
  tStatus status{tStatus::kFullSize};
  EXPECT_EQ(parsed("24.0.0f91").toPacked(status), 0x1800C05Bu);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(parsed("2.1.3b20000").toPacked(status), 0u);
  EXPECT_EQ(status.getCode(), vlregitools::kStatusVersionNeedsExtendedBuild);
  EXPECT_EQ(status.getLine(), 119u);
}

TEST(Version, NothingHappensOnAFailedStatus) {
  tStatus status;
  status.setCode(-52010, VL_SITE);
  EXPECT_TRUE(Version("24.0.0f91", status).isZero());
  EXPECT_TRUE(Version(1, 0, 0, 0, 0, status).isZero());
  EXPECT_EQ(Version(0x01000000u).toPacked(status), 0u);
  char text[Version::kTextSize] = "untouched";
  parsed("1.0.0d0").format(text, status);
  EXPECT_STREQ(text, "untouched");
  EXPECT_EQ(status.getCode(), -52010);
}

}  // namespace
