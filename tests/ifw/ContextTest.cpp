// A context of the subsystem tree: instructions relative to its block,
// its packed info, lookups among its children and the version check.
#include <gtest/gtest.h>

#include <tuple>

#include "driver/ifw/Context.h"
#include "driver/ifw/IfwStatusCodes.h"

namespace {

using nVLAPALS100::tStatus;
using vlifw::Context;
using vlifw::ContextInterface;
namespace codes = vlifw::codes;

// A parent (subsystem 8, block at 0x4000, uid 2400 version 7, oldest 5)
// with children uid 1699 instance 0, uid 1680 instance 1, uid 1699
// instance 1, uid 1699 instance 1 again.
class ContextTree : public testing::Test {
 protected:
  void SetUp() override {
    const uint16_t uids[4] = {1699, 1680, 1699, 1699};
    const uint8_t instances[4] = {0, 1, 1, 1};
    for (int i = 0; i < 4; ++i) children[i].initialize(8, 0x4100 + i * 0x100, uids[i], instances[i], 1, 1, nullptr, 0);
    parent.initialize(
        8, 0x4000, 2400, 0, 7, 5, new Context* [4] { &children[0], &children[1], &children[2], &children[3] }, 4);
  }

  Context children[4];
  Context parent;
  tStatus status{tStatus::kFullSize};
  ContextInterface::tChildren found;
};

TEST_F(ContextTree, InstructionsAreRelativeToTheBlockAndIgnoreTheStatus) {
  status.setCode(nVLAPALS100::kStatusTimeout, VL_SITE);
  const vlifw::ReadInstruction read = parent.contextualizeRead(0x10, status);
  EXPECT_EQ(std::tuple(read.subsystem, read.address), std::tuple(8u, 0x4010u));
  const vlifw::WriteInstruction write = parent.contextualizeWrite(0x18, 0xABCD, status);
  EXPECT_EQ(std::tuple(write.subsystem, write.address, write.data), std::tuple(8u, 0x4018u, 0xABCDu));
  EXPECT_EQ(parent.getInfo(status), 0x0005000700000960u);
}

// A missing kind or instance fails, on a leaf too.
TEST_F(ContextTree, FindChildTakesTheFirstWithThatKindAndInstance) {
  EXPECT_EQ(parent.findChild(1699, 0, status), &children[0]);
  EXPECT_EQ(parent.findChild(1699, 1, status), &children[2]);
  EXPECT_EQ(parent.findChild(1680, 1, status), &children[1]);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(parent.findChild(1680, 0, status), nullptr);
  EXPECT_EQ(status.getCode(), codes::kContextMissing);
  EXPECT_STREQ(status.getFile(), "Context");
  EXPECT_EQ(status.getLine(), 109u);
  tStatus leaf;
  EXPECT_EQ(children[0].findChild(1699, 0, leaf), nullptr);
  EXPECT_EQ(leaf.getCode(), codes::kContextMissing);
}

TEST_F(ContextTree, ChildListsAreEmptiedThenFilledInChildOrder) {
  found.push_back(&parent, status);
  parent.getChildrenWithUid(1699, found, status);
  EXPECT_EQ(std::vector<const ContextInterface*>(found.begin(), found.end()),
            (std::vector<const ContextInterface*>{&children[0], &children[2], &children[3]}));
  parent.getChildrenWithUid(7, found, status);
  EXPECT_TRUE(found.empty());
  parent.getChildren(found, status);
  EXPECT_EQ(found.size(), 4u);
  EXPECT_EQ(found[1], &children[1]);
  EXPECT_EQ(status.getCode(), 0);
}

// The block has version 7 and still accepts 5.
TEST_F(ContextTree, VersionsCompareTheCallersRangeWithTheBlocks) {
  const struct {
    uint16_t version, oldestCompatible;
    bool strict;
    int64_t code;
    bool tooOld, tooNew;
  } cases[] = {{6, 6, true, 0, false, false},  // both accept each other
               {9, 8, true, codes::kBlockTooOld, true, false},
               {9, 8, false, 0, true, false},
               {4, 1, true, codes::kBlockTooNew, false, true},
               {4, 1, false, 0, false, true},
               {3, 4, true, nVLAPALS100::kStatusInvalidParameter, false, true},  // our range is broken
               {3, 4, false, nVLAPALS100::kStatusInvalidParameter, false, true}};
  for (const auto& c : cases) {
    tStatus result;
    bool tooOld = !c.tooOld, tooNew = !c.tooNew;
    parent.checkVersion(c.version, c.oldestCompatible, c.strict, &tooOld, &tooNew, result);
    EXPECT_EQ(std::tuple(result.getCode(), tooOld, tooNew), std::tuple(c.code, c.tooOld, c.tooNew))
        << c.version << "/" << c.oldestCompatible << (c.strict ? " strict" : "");
  }
}

TEST_F(ContextTree, ABlockWithABrokenRangeIsAnError) {
  Context broken;
  broken.initialize(1, 0, 1, 0, 2, 3, nullptr, 0);
  bool tooOld = true, tooNew = false;
  broken.checkVersion(2, 1, false, &tooOld, &tooNew, status);
  // It no longer accepts version 2.
  EXPECT_EQ(std::tuple(status.getCode(), tooOld, tooNew), std::tuple(nVLAPALS100::kStatusBadSelector, false, true));
}

TEST_F(ContextTree, WithoutFailingBothFlagsAreRequired) {
  bool flag = false;
  parent.checkVersion(6, 6, false, &flag, nullptr, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(status.getLine(), 76u);
  tStatus strict(tStatus::kFullSize);
  parent.checkVersion(9, 8, true, nullptr, nullptr, strict);
  EXPECT_EQ(strict.getCode(), codes::kBlockTooOld);
  EXPECT_EQ(strict.getLine(), 90u);
}

}  // namespace
