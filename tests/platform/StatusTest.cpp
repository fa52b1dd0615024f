#include <gtest/gtest.h>

#include <string>

#include "driver/platform/status/tStatus.h"

namespace {

using nVLAPALS100::fromZUKStatus;
using nVLAPALS100::toZUKStatus;
using nVLAPALS100::tStatus;

tStatus full() { return tStatus(tStatus::kFullSize); }

TEST(StatusStoreRule, FirstErrorWinsAndWarningsYieldToErrors) {
  tStatus status = full();
  EXPECT_TRUE(status.setCode(3, "a", "a.cpp", 1));
  EXPECT_FALSE(status.setCode(7, "b", "b.cpp", 2)) << "a second warning never replaces the first";
  EXPECT_EQ(status.getCode(), 3);
  EXPECT_TRUE(status.setCode(-5, "c", "c.cpp", 3)) << "an error replaces a warning";
  EXPECT_EQ(status.getCode(), -5);
  EXPECT_FALSE(status.setCode(-9, "d", "d.cpp", 4));
  EXPECT_FALSE(status.setCode(0, "e", "e.cpp", 5)) << "zero neither stores nor clears";
  EXPECT_EQ(status.getCode(), -5);
  EXPECT_STREQ(status.getComponent(), "c");
  EXPECT_STREQ(status.getFile(), "c.cpp");
  EXPECT_EQ(status.getLine(), 3u);

  tStatus codeOnly;
  EXPECT_EQ(codeOnly.getRecordSize(), tStatus::kCodeOnlySize);
  EXPECT_TRUE(codeOnly.setCode(-52005, VL_SITE));
  EXPECT_EQ(codeOnly.getCode(), -52005);
  EXPECT_TRUE(codeOnly.isFatal());
}

TEST(StatusText, PathsOverAHundredCharactersKeepBothEndsJoinedByTwoDots) {
  const std::string longer = std::string(50, 'a') + std::string(51, 'z');
  for (const std::string& path : {std::string(75, 'h') + std::string(75, 't'), longer}) {
    tStatus status = full();
    status.setCode(-1, "vl9738k", path.c_str(), 9);
    EXPECT_EQ(std::string(status.getFile()), path.substr(0, 49) + ".." + path.substr(path.size() - 49));
  }
  const std::string path(100, 'p');
  tStatus status = full();
  status.setCode(-1, "vl9738k", path.c_str(), 9);
  EXPECT_EQ(std::string(status.getFile()), path) << "exactly 100 characters stay whole";
}

TEST(StatusText, ComponentKeepsNineCharacters) {
  tStatus status = full();
  status.setCode(-1, "abcdefghijkl", "f", 1);
  EXPECT_STREQ(status.getComponent(), "abcdefghi");
}

TEST(StatusText, SiteMacroRecordsThisModule) {
  tStatus status = full();
  const uint64_t line = __LINE__ + 1;
  status.setCode(-52000, VL_SITE);
  EXPECT_STREQ(status.getComponent(), "vl9738k");
  EXPECT_EQ(std::string(status.getFile()), "tests/platform/StatusTest.cpp");
  EXPECT_EQ(status.getLine(), line);
}

TEST(StatusMerge, CarriesTheCodeBetweenRecordSizesAndFollowsTheStoreRule) {
  tStatus source = full();
  source.setCode(-52003, "vl9738k", "x.cpp", 17);
  tStatus codeOnly;
  EXPECT_TRUE(codeOnly.merge(source));
  EXPECT_EQ(codeOnly.getCode(), -52003);

  tStatus target = full();
  EXPECT_TRUE(target.merge(codeOnly));
  EXPECT_EQ(target.getCode(), -52003);
  EXPECT_STREQ(target.getComponent(), "") << "a code-only record has no text to give";
  EXPECT_STREQ(target.getFile(), "");
  EXPECT_EQ(target.getLine(), 0u);

  tStatus second = full();
  second.setCode(-2, "b", "b", 2);
  EXPECT_FALSE(target.merge(second));
  EXPECT_EQ(target.getCode(), -52003);
  EXPECT_FALSE(target.merge(full()));
}

TEST(StatusClear, ResetsCodeAndText) {
  tStatus status = full();
  status.setCode(-52007, VL_SITE);
  status.clear();
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_STREQ(status.getFile(), "");
  EXPECT_EQ(status.getLine(), 0u);
  EXPECT_TRUE(status.setCode(-52005, VL_SITE)) << "a cleared record takes a new error";
}

TEST(StatusPrint, RecordsPrintTheirTextOrMinusOneWhenItDoesNotFit) {
  tStatus codeOnly;
  codeOnly.setCode(-52005, VL_SITE);
  char buffer[512];
  EXPECT_EQ(codeOnly.printToBuffer(buffer, sizeof buffer), 34);
  EXPECT_EQ(std::string(buffer), "\ntStatus contents:\n\tcode = -52005\n");

  tStatus status = full();
  status.setCode(-52000, "vl9738k", "memory", 520);
  const std::string expected =
      "\ntStatus contents:\n\tcode = -52000\n\tcomponent name = vl9738k\n\tfile name: memory\n"
      "\tline number = 520\n\tstack trace:\n\t\t0x0000000000000000\n";
  EXPECT_EQ(status.printToBuffer(buffer, sizeof buffer), static_cast<int64_t>(expected.size()));
  EXPECT_EQ(std::string(buffer), expected);
  for (int64_t size : {1, 10, 34, 60, 120}) EXPECT_EQ(status.printToBuffer(buffer, size), -1) << size;
  tStatus clean;
  EXPECT_EQ(clean.printToBuffer(buffer, 5), -1);
}

TEST(StatusTables, OutboundTranslation) {
  EXPECT_EQ(toZUKStatus(0), 0);
  EXPECT_EQ(toZUKStatus(-52007), -51550);
  EXPECT_EQ(toZUKStatus(5), -51001) << "warnings leave as the unlisted code";
  for (int64_t unlisted : {-52009, -52012, -52016, -52017, -52022, -52025, -52029}) {
    EXPECT_EQ(toZUKStatus(unlisted), -51001) << unlisted;
  }
  EXPECT_EQ(toZUKStatus(static_cast<int32_t>(0xBFFA9176)), -51001);
}

TEST(StatusTables, InboundTranslationIsNotTheInverseAtTheTimeoutPair) {
  EXPECT_EQ(fromZUKStatus(-51400), -52007);
  EXPECT_EQ(fromZUKStatus(-51550), -52008);
  EXPECT_EQ(fromZUKStatus(-51009), -52005);
  EXPECT_EQ(fromZUKStatus(0), 0);
  EXPECT_EQ(fromZUKStatus(17), -52008);
  tStatus status = full();
  nVLAPALS100::setStatusFromZUKStatus(-51352, status, "marshal", 12);
  EXPECT_EQ(status.getCode(), -52000);
  EXPECT_STREQ(status.getComponent(), "vl9738k");
  EXPECT_EQ(status.getLine(), 12u);
}

TEST(StatusTables, EveryListedPlatformCodeRoundTrips) {
  for (int64_t code : {-52000, -52001, -52002, -52003, -52005, -52006, -52008, -52010, -52013, -52018, -52019, -52020,
                       -52023, -52024, -52031}) {
    EXPECT_EQ(fromZUKStatus(toZUKStatus(code)), code) << code;
  }
}

}  // namespace
