#include <gtest/gtest.h>

#include "driver/platform/containers/tBasicString.h"
#include "sim/kernel/Memory.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVLAPALS100::tStatus;
using String = nVLAPAL000::tBasicString<char>;

TEST(PlatformString, AssignCopiesInPlaceWhenTheTextFits) {
  tStatus status;
  String string("a fairly long first text");
  const char* block = string.c_str();
  string.assign("short", status);
  EXPECT_STREQ(string.c_str(), "short");
  EXPECT_EQ(string.c_str(), block);
  string.assign("a longer text than the capacity holds", status);
  EXPECT_STREQ(string.c_str(), "a longer text than the capacity holds");
  EXPECT_EQ(string.capacity(), string.length());
  string.assign("", status);
  EXPECT_EQ(string.length(), 0u);
  EXPECT_NE(string.capacity(), 0u);
  EXPECT_EQ(status.getCode(), 0);
}

TEST(PlatformString, FailedAssignKeepsTheTextAndReportsOutOfMemory) {
  tStatus status;
  String string("old");
  sim::Memory::allocationFaults().failNth(1, 0);
  string.assign("a text that does not fit", status);
  sim::Memory::allocationFaults().clear();
  EXPECT_EQ(status.getCode(), -52000);
  EXPECT_STREQ(string.c_str(), "old");
  EXPECT_TRUE(string.hasFailed());
  // The flag is sticky: a later assignment that works still reports it.
  tStatus later;
  string.assign("ok", later);
  EXPECT_STREQ(string.c_str(), "ok");
  EXPECT_EQ(later.getCode(), -52000);
  String huge("x");
  huge.reserve(UINT64_MAX);
  EXPECT_TRUE(huge.hasFailed()) << "a size beyond the largest fails like a refused block";
  EXPECT_STREQ(huge.c_str(), "x");
}

TEST(PlatformString, FailedAppendRecordsItsPublishedSite) {
  tStatus status(tStatus::kFullSize);
  String string("base");
  sim::Memory::allocationFaults().failNth(1, 0);
  string.append("-more", status);
  sim::Memory::allocationFaults().clear();
  EXPECT_EQ(vltest::siteOf(status),
            (vltest::Site{-52000, "dep_mirror/deps/vlapal/includes/vlapal/protons/containers/tBasicString", 1634}));
  EXPECT_STREQ(string.c_str(), "base");
}

TEST(PlatformString, AppendingAPartOfItselfSurvivesTheMove) {
  tStatus status;
  String string("0123456789");
  string.append(string.c_str() + 2, 3, status);
  EXPECT_STREQ(string.c_str(), "0123456789234");
  String copy(string);
  EXPECT_STREQ(copy.c_str(), "0123456789234");
}

TEST(PlatformString, AnErrorOnEntryChangesNothing) {
  tStatus status;
  status.setCode(-52005, VL_SITE);
  String string("same");
  string.assign("other", status);
  string.append("more", status);
  EXPECT_STREQ(string.c_str(), "same");
  EXPECT_EQ(status.getCode(), -52005);
}

}  // namespace
