// The two closing forms besides the unrolled ring: a plain chain that ends
// at its tail, and a ring that keeps a single link as it is.
#include <gtest/gtest.h>

#include "LinkChain.h"
#include "driver/platform/wexel/tWexelSGL.h"
#include "tests/platform/dma/DmaTestSupport.h"

namespace {

using nVLAPAL000::tDMAConfiguration;
using nVLAPAL000::tWexelSGL;
using nVLAPALS100::tStatus;

enum class Closing { kChain, kRing };

struct ClosingCase {
  Closing closing;
  uint64_t pieces;
  std::vector<uint32_t> descriptorsPerLink;
  std::vector<uint32_t> flagsPerLink;
};

class WexelSGLClosing : public testing::TestWithParam<ClosingCase> {};

TEST_P(WexelSGLClosing, LinksEndOrComeRoundAsTheFormSays) {
  const ClosingCase& c = GetParam();
  vltest::ConfiguredDMA dma{tDMAConfiguration::kDMAType64Bit};
  tWexelSGL list;
  tStatus status;
  list.initialize(dma.configuration, 512, status);
  for (uint64_t i = 0; i < c.pieces; ++i) list.addSegment(0x200000000ull + i * 0x10000, 4096, status, false);
  c.closing == Closing::kChain ? list.finalizeChain(status) : list.finalizeRingWithoutUnrolling(status);
  ASSERT_TRUE(status.isNotFatal());
  const nVLAPAL000::tWexelSGLFirstLink first = list.getFirstLinkAddress();
  const std::vector<vltest::Link> links = vltest::readChain(first.busAddress, first.size);
  ASSERT_EQ(links.size(), c.descriptorsPerLink.size());
  for (size_t i = 0; i < links.size(); ++i) {
    EXPECT_EQ(links[i].descriptors.size(), c.descriptorsPerLink[i]) << i;
    EXPECT_EQ(links[i].flags, c.flagsPerLink[i]) << i;
    const bool last = i + 1 == links.size();
    const uint64_t next = !last ? links[i + 1].busAddress : c.closing == Closing::kRing ? links[0].busAddress : 0;
    EXPECT_EQ(links[i].nextBusAddress, next) << i;
    EXPECT_EQ(links[i].nextSize, next == 0 ? 0u : 16 + 16 * c.descriptorsPerLink[last ? 0 : i + 1]) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Forms, WexelSGLClosing,
                         testing::Values(ClosingCase{Closing::kChain, 1, {1}, {tWexelSGL::kFlagLastLink}},
                                         ClosingCase{Closing::kChain, 40, {31, 9}, {0, tWexelSGL::kFlagLastLink}},
                                         ClosingCase{
                                             Closing::kChain, 70, {30, 20, 20}, {0, 0, tWexelSGL::kFlagLastLink}},
                                         ClosingCase{Closing::kRing, 1, {1}, {0}},
                                         ClosingCase{Closing::kRing, 40, {31, 9}, {0, tWexelSGL::kFlagRingOfTwo}},
                                         ClosingCase{Closing::kRing, 70, {30, 20, 20}, {0, 0, 0}}));

}  // namespace
