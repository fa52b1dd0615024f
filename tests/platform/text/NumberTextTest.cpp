#include <gtest/gtest.h>

#include <random>
#include <string>

#include "driver/platform/text/NumberText.h"

namespace {

using namespace nVLAPAL000;

std::string formatted(uint64_t value, uint32_t base) {
  char buffer[80];
  char* end = formatUnsigned(buffer, value, base);
  EXPECT_EQ(*end, '\0');
  return std::string(buffer, end);
}

TEST(NumberText, FormatsWithTheBasePrefix) {
  EXPECT_EQ(formatted(255, 16), "0xFF");
  EXPECT_EQ(formatted(255, 2), "2#11111111");
  EXPECT_EQ(formatted(255, 10), "255");
  EXPECT_EQ(formatted(0, 8), "8#0");
  EXPECT_EQ(formatted(35, 36), "36#Z");
  EXPECT_EQ(formatted(UINT64_MAX, 16), "0xFFFFFFFFFFFFFFFF");
}

TEST(NumberText, DigitsEndAtTheReturnedTerminator) {
  char buffer[80];
  EXPECT_EQ(unsignedToText(buffer, 0, 10), buffer + 1);
  EXPECT_STREQ(buffer, "0");
  EXPECT_EQ(unsignedToText(buffer, 18446744073709551615u, 10), buffer + 20);
  EXPECT_STREQ(buffer, "18446744073709551615");
}

TEST(NumberText, BaseWithoutDigitsGivesAnEmptyText) {
  char buffer[8] = "xxxxxxx";
  EXPECT_EQ(unsignedToText(buffer, 12, 0), buffer);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(unsignedToText(buffer, 12, 1), buffer);
  EXPECT_EQ(unsignedToText(buffer, 12, 37), buffer);
}

TEST(NumberText, FixedWidthKeepsExactlyTheLowDigits) {
  char buffer[16];
  EXPECT_EQ(unsignedToFixedText(buffer, 255, 4, 16), buffer + 4);
  EXPECT_STREQ(buffer, "00FF");
  unsignedToFixedText(buffer, 0x1234, 2, 16);
  EXPECT_STREQ(buffer, "34");
  EXPECT_EQ(unsignedToFixedText(buffer, 99, 0, 10), buffer);
  EXPECT_STREQ(buffer, "");
}

// Letters are digits only in base 16; after '#' the digits are not checked
// against the base; a base prefix after a hexadecimal number is not one.
TEST(NumberText, ParsesAllThreeForms) {
  const std::pair<const char*, uint64_t> cases[] = {
      {"  0x1f", 31}, {"16#FF", 255}, {"2#101", 5}, {"0X1F", 31}, {"\t\n\v\f\r 42abc", 42},
      {"16#ff", 255}, {"", 0},        {"ff", 0},    {"10#1f", 1}, {"12#1B", 1},
      {"8#9", 9},     {"0x2#1", 2}};
  for (const auto& [text, value] : cases) EXPECT_EQ(parseUnsigned(text), value) << text;
  EXPECT_EQ(parseUnsigned(nullptr), 0u);
}

TEST(NumberText, ParsingInAGivenBaseStopsAtItsFirstNonDigit) {
  EXPECT_EQ(parseUnsignedInBase(nullptr, 16), 0u);
  EXPECT_EQ(parseUnsignedInBase(" 0x1F", 16), 31u);
  EXPECT_EQ(parseUnsignedInBase("0x101", 2), 5u);
  EXPECT_EQ(parseUnsignedInBase("19", 8), 1u);
  EXPECT_EQ(parseUnsignedInBase("1A", 12), 1u);
  EXPECT_EQ(parseUnsignedInBase("777", 8), 511u);
}

TEST(NumberText, FormattedNumbersParseBack) {
  const unsigned seed = 1103;
  std::mt19937_64 random(seed);
  for (int i = 0; i < 2000; ++i) {
    const uint64_t value = random() >> (random() % 64);
    for (uint32_t base : {2u, 8u, 10u, 16u}) {
      char buffer[80];
      formatUnsigned(buffer, value, base);
      ASSERT_EQ(parseUnsigned(buffer), value) << "seed " << seed << " text " << buffer;
    }
  }
}

}  // namespace
