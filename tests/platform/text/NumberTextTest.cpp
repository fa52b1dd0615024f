#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "driver/platform/text/NumberText.h"

namespace {

using namespace nVLAPAL000;

// The text a writer leaves, checked to end where the writer says it does.
template <typename tWrite>
std::string written(tWrite write) {
  char buffer[80] = "xxxxxxx";
  char* end = write(buffer);
  EXPECT_EQ(std::strlen(buffer), static_cast<size_t>(end - buffer));
  return std::string(buffer, end);
}

std::string formatted(uint64_t value, uint32_t base) {
  return written([&](char* buffer) { return formatUnsigned(buffer, value, base); });
}

TEST(NumberText, FormatsWithTheBasePrefix) {
  EXPECT_EQ(formatted(255, 16), "0xFF");
  EXPECT_EQ(formatted(255, 2), "2#11111111");
  EXPECT_EQ(formatted(255, 10), "255");
  EXPECT_EQ(formatted(0, 8), "8#0");
  EXPECT_EQ(formatted(35, 36), "36#Z");
  EXPECT_EQ(formatted(UINT64_MAX, 16), "0xFFFFFFFFFFFFFFFF");
}

// A base without digits gives an empty text.
TEST(NumberText, DigitsEndAtTheReturnedTerminator) {
  EXPECT_EQ(written([](char* b) { return unsignedToText(b, 0, 10); }), "0");
  EXPECT_EQ(written([](char* b) { return unsignedToText(b, UINT64_MAX, 10); }), "18446744073709551615");
  for (uint32_t base : {0u, 1u, 37u}) {
    EXPECT_EQ(written([&](char* b) { return unsignedToText(b, 12, base); }), "") << base;
  }
}

TEST(NumberText, FixedWidthKeepsExactlyTheLowDigits) {
  EXPECT_EQ(written([](char* b) { return unsignedToFixedText(b, 255, 4, 16); }), "00FF");
  EXPECT_EQ(written([](char* b) { return unsignedToFixedText(b, 0x1234, 2, 16); }), "34");
  EXPECT_EQ(written([](char* b) { return unsignedToFixedText(b, 99, 0, 10); }), "");
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
