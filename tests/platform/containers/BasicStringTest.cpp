#include <gtest/gtest.h>

#include <string>

#include "driver/platform/containers/BasicString.h"
#include "sim/kernel/Memory.h"

namespace {

using nVLAPALS100::tStatus;
using vlhtl::String;

std::string textOf(const String& string) { return std::string(string.c_str(), string.size()); }

TEST(BasicString, EmptyTextGetsRoomFor127CharactersAndGrowthIsByHalf) {
  tStatus status;
  String string("", status);
  EXPECT_EQ(string.size(), 0u);
  EXPECT_EQ(string.capacity(), 127u);
  ASSERT_NE(string.data(), nullptr);
  EXPECT_EQ(string.data()[0], '\0');
  EXPECT_STREQ(String().c_str(), "");
  string.append("abc", status);
  string.reserve(100, status);
  EXPECT_EQ(string.capacity(), 127u);
  string.reserve(128, status);
  EXPECT_EQ(string.capacity(), 190u);
  string.reserve(1000, status);
  EXPECT_EQ(string.capacity(), 1000u);
  EXPECT_EQ(textOf(string), "abc");
  EXPECT_EQ(string.c_str()[3], '\0');
}

TEST(BasicString, AppendingItsOwnMiddleSurvivesTheMove) {
  tStatus status;
  const std::string start(120, 'a');
  String string((start + "MIDDLE" + std::string(4, 'z')).c_str(), status);
  ASSERT_EQ(string.capacity(), 130u);
  const char* oldBlock = string.data();
  string.append(string.data() + 120, string.data() + 126, status);
  EXPECT_NE(string.data(), oldBlock);
  EXPECT_EQ(textOf(string), start + "MIDDLE" + "zzzz" + "MIDDLE");
  EXPECT_EQ(status.getCode(), 0);
}

TEST(BasicString, AssigningAPartOfItselfOrALongerTextWorks) {
  tStatus status;
  String string("0123456789", status);
  string.assign(string.data() + 4, 3, status);
  EXPECT_EQ(textOf(string), "456");
  const std::string longText(300, 'q');
  String big(longText.c_str(), status);
  big.assign(big.data() + 1, 200, status);
  EXPECT_EQ(textOf(big), std::string(200, 'q'));
  String small("x", status);
  small.assign((std::string(150, 'r')).c_str(), status);
  EXPECT_EQ(small.capacity(), 150u);
  small.assign("", status);
  EXPECT_EQ(small.size(), 0u);
  EXPECT_EQ(small.capacity(), 150u);
}

TEST(BasicString, CompareCutsCountsAndComparesSignedCharacters) {
  tStatus status;
  const String ab("ab", status), abc("abc", status), high("\x80", status), low("\x7f", status);
  EXPECT_EQ(ab.compare(abc), -1);
  EXPECT_EQ(abc.compare(ab), 1);
  EXPECT_EQ(high.compare(low), -1);
  EXPECT_EQ(abc.compare(1, 100, abc, 1, 2), 0);
  EXPECT_EQ(abc.compare(5, 1, ab, 2, 1), 0);
}

TEST(BasicString, EraseAndResizeStopAtTheEnd) {
  tStatus status;
  String string("abcdef", status);
  string.erase(4, 100);
  string.erase(1, 1);
  string.erase(7, 1);
  EXPECT_EQ(textOf(string), "acd");
  string.resize(1, 'x', status);
  EXPECT_EQ(textOf(string), "a");
  string.resize(4, 'x', status);
  EXPECT_EQ(textOf(string), "axxx");
  EXPECT_EQ(string.c_str()[4], '\0');
}

TEST(BasicString, FailuresLeaveTheStringAsItWas) {
  tStatus status(tStatus::kFullSize);
  String string("keep", status);
  const char* block = string.data();
  string.reserve(UINT64_MAX, status);
  EXPECT_EQ(status.getCode(), -52000);
  EXPECT_EQ(std::string(status.getFile()), "driver/platform/containers/VlhtlAllocator.h");
  // With an error present, nothing happens.
  string.append("more", status);
  string.assign("other", status);
  string.resize(10, 'x', status);
  EXPECT_EQ(textOf(string), "keep");
  EXPECT_EQ(string.data(), block);

  tStatus refused(tStatus::kFullSize);
  sim::Memory::allocationFaults().failNth(1, 0);
  string.reserve(500, refused);
  sim::Memory::allocationFaults().clear();
  EXPECT_EQ(refused.getCode(), -52000);
  EXPECT_EQ(std::string(refused.getFile()), "dep_mirror/deps/vlapal/includes/vlapal/quarks/memory");
  EXPECT_EQ(textOf(string), "keep");
  EXPECT_EQ(string.capacity(), 127u);
  // A copy that cannot get its block holds no storage at all.
  tStatus copyStatus;
  sim::Memory::allocationFaults().failNth(1, 0);
  String copy(string, copyStatus);
  sim::Memory::allocationFaults().clear();
  EXPECT_EQ(copyStatus.getCode(), -52000);
  EXPECT_EQ(copy.data(), nullptr);
}

}  // namespace
