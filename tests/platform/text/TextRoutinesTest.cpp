#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "driver/platform/text/TextRoutines.h"

namespace {

using namespace nVLAPAL000;

TEST(TextRoutines, CopyTailKeepsTheLastCharacters) {
  char buffer[8];
  std::memset(buffer, 'x', sizeof(buffer));
  EXPECT_EQ(copyTail(buffer, "abcdef", 3), buffer + 3);
  EXPECT_STREQ(buffer, "def");
  std::memset(buffer, 'x', sizeof(buffer));
  EXPECT_EQ(copyTail(buffer, "ab", 5), buffer + 5);
  EXPECT_EQ(std::string(buffer, 6), std::string("ab\0\0\0\0", 6));
  EXPECT_EQ(buffer[6], 'x');
}

TEST(TextRoutines, ComparisonIsSignedAndPrefixesComeFirst) {
  EXPECT_EQ(compareText("abc", "abd"), -1);
  EXPECT_EQ(compareText("ab", "abc"), -1);
  EXPECT_EQ(compareText("abc", "ab"), 1);
  EXPECT_EQ(compareText("abc", "abc"), 0);
  EXPECT_EQ(compareText("\x80", "\x7f"), -1);
  EXPECT_EQ(compareText("", ""), 0);
}

TEST(TextRoutines, RangeComparisonReadsFromTheOffset) {
  EXPECT_EQ(compareCharRanges("abc", 0, 3, "abd", 3), -1);
  EXPECT_EQ(compareCharRanges("ab", 0, 2, "abc", 3), -1);
  EXPECT_EQ(compareCharRanges("xxabd", 2, 3, "abc", 3), 1);
  EXPECT_EQ(compareCharRanges("xxabcz", 2, 3, "abc", 3), 0);
  EXPECT_EQ(compareCharRanges("abc", 1, 0, "", 0), 0);
}

std::vector<std::string> split(const char* line) {
  std::vector<char> text(line, line + std::strlen(line) + 1);
  std::vector<char*> argv(countArguments(line) + 1, nullptr);
  const uint32_t count = splitArguments(text.data(), argv.data());
  EXPECT_EQ(count, countArguments(line)) << line;
  return std::vector<std::string>(argv.begin(), argv.begin() + count);
}

TEST(TextRoutines, ArgumentsAreBlankSeparatedWordsOrQuotedOnes) {
  EXPECT_EQ(split("run \"two words\"  three"), (std::vector<std::string>{"run", "two words", "three"}));
  EXPECT_EQ(split("  \tlead and trail \n"), (std::vector<std::string>{"lead", "and", "trail"}));
  EXPECT_EQ(split("\"unterminated quote"), (std::vector<std::string>{"unterminated quote"}));
  EXPECT_EQ(split("\"\" empty"), (std::vector<std::string>{"", "empty"}));
  EXPECT_TRUE(split("   ").empty());
  EXPECT_EQ(countArguments(nullptr), 0u);
}

TEST(TextRoutines, MemoryRoutinesWorkOnBytes) {
  uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  memoryMove(bytes + 2, bytes, 5);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 8), (std::vector<uint8_t>{1, 2, 1, 2, 3, 4, 5, 8}));
  memorySet(bytes, 0xAB, 3);
  EXPECT_EQ(bytes[2], 0xAB);
  EXPECT_EQ(bytes[3], 2);
  const uint8_t low[2] = {1, 0x01};
  const uint8_t high[2] = {1, 0xFF};
  EXPECT_EQ(memoryCompare(low, high, 2), -254);
  EXPECT_EQ(memoryCompare(high, low, 2), 254);
  EXPECT_EQ(memoryCompare(low, low, 2), 0);
  EXPECT_EQ(memoryCopy(nullptr, nullptr, 0), nullptr);
  EXPECT_EQ(stringLength(""), 0u);
  EXPECT_EQ(stringLength("vl9738k"), 7u);
}

}  // namespace
