// Scatter-gather chains for the bridge's DMA channels: descriptors, links,
// compaction and balancing, the ring, and the link memory behind them.
#include <gtest/gtest.h>

#include "LinkChain.h"
#include "driver/platform/dma/tStandardDMAMap.h"
#include "driver/platform/wexel/tWexelSGL.h"
#include "sim/kernel/Memory.h"
#include "sim/kernel/PageLists.h"
#include "sim/kernel/ScatterGather.h"
#include "tests/platform/dma/DmaTestSupport.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVLAPAL000::tDMAConfiguration;
using nVLAPAL000::tWexelSGL;
using nVLAPALS100::tStatus;
using vltest::codeAfter;
using vltest::Descriptor;
using vltest::Link;

constexpr uint64_t kBase = 0x200000000ull;  // piece addresses the list never reads

Descriptor piece(uint64_t index, uint32_t bytes = 4096) { return Descriptor{bytes, 0, kBase + index * 0x10000}; }

class WexelSGL : public testing::Test {
 protected:
  tStatus status;
  void initialize(uint32_t linkSize = 512) {
    tStatus status;
    list.initialize(dma.configuration, linkSize, status);
    ASSERT_TRUE(status.isNotFatal());
  }
  void addPieces(uint64_t count, uint64_t first = 0) {
    tStatus status;
    for (uint64_t i = first; i < first + count; ++i) list.addSegment(piece(i).address, 4096, status, false);
    ASSERT_TRUE(status.isNotFatal());
  }
  void finalize() {
    tStatus status;
    list.finalize(status);
    ASSERT_TRUE(status.isNotFatal());
  }
  std::vector<Link> chain() {
    const nVLAPAL000::tWexelSGLFirstLink first = list.getFirstLinkAddress();
    return vltest::readChain(first.busAddress, first.size);
  }
  // Every descriptor of the chain, head first.
  std::vector<Descriptor> descriptors() {
    std::vector<Descriptor> all;
    for (const Link& link : chain()) all.insert(all.end(), link.descriptors.begin(), link.descriptors.end());
    return all;
  }
  // Descriptor counts of the links as built, head first.
  std::vector<uint32_t> fill() {
    std::vector<uint32_t> counts;
    for (const nVLAPAL000::tWexelSGLChunkyLink* link = list.getHead();; link = link->next) {
      counts.push_back((link->used - 16) / 16);
      if (link == list.getTail()) break;
    }
    return counts;
  }

  vltest::ConfiguredDMA dma{tDMAConfiguration::kDMAType64Bit};
  tWexelSGL list;
};

TEST_F(WexelSGL, OneSegmentBecomesTwoFullLinksThatRepeatItInARing) {
  initialize();
  addPieces(1);
  finalize();
  const std::vector<Link> links = chain();
  ASSERT_EQ(links.size(), 2u);
  EXPECT_EQ(list.getFirstLinkAddress().size, 512u);
  for (const Link& link : links) {
    EXPECT_EQ(link.descriptors, std::vector<Descriptor>(31, piece(0)));
    EXPECT_EQ(link.nextSize, 512u);
  }
  EXPECT_EQ(links[0].nextBusAddress, links[1].busAddress);
  EXPECT_EQ(links[0].flags, 0u);
  EXPECT_EQ(links[1].nextBusAddress, links[0].busAddress);
  EXPECT_EQ(links[1].flags, tWexelSGL::kFlagRingOfTwo);
}

TEST_F(WexelSGL, RegisterWriteDescriptorsRepeatTheValueAndMarkTheWidth) {
  initialize();
  uint32_t position = 0;
  const struct {
    uint32_t value;
    uint32_t width;
    Descriptor expected;
  } cases[] = {
      {0xAB, 1, {0xABABABAB, 0x80000100, 0}},
      {0x1234, 2, {0x12341234, 0x88000100, 0}},
      {0xCAFEF00D, 3, {0xCAFEF00D, 0x98000100, 0}},
      {0xCAFEF00D, 0, {0xCAFEF00D, 0x98000100, 0}},
  };
  uint32_t expectedPosition = 16;
  for (const auto& c : cases) {
    const auto* link = list.addRegisterWrite(0x100, c.value, c.width, status, false, &position);
    EXPECT_EQ(link, list.getHead());
    EXPECT_EQ(position, expectedPosition);
    expectedPosition += 8;
    EXPECT_EQ(vltest::parseDescriptors(link->page + position, 8)[0], c.expected);
  }
  ASSERT_TRUE(status.isNotFatal());
  for (const auto& [offset, width] : {std::pair<uint32_t, uint32_t>{0x100, 4}, {0x08000000, 3}}) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { list.addRegisterWrite(offset, 1, width, s, false, &position); }),
              nVLAPALS100::kStatusInvalidParameter);
  }
  EXPECT_EQ(list.getHead()->used, 16u + 4 * 8);
}

TEST_F(WexelSGL, MixedDescriptorsMoveAtTheirBoundaries) {
  initialize(64);  // a header and 48 bytes of descriptors
  uint32_t position = 0;
  list.addRegisterWrite(0x10, 1, 3, status, false, &position);  // 8 bytes
  list.addSegment(piece(0).address, 4096, status, false);       // 16
  list.addSegment(piece(1).address, 4096, status, false);       // 16: 8 bytes left
  list.addRegisterWrite(0x20, 2, 3, status, true, &position);   // starts link 2
  list.addSegment(piece(2).address, 4096, status, false);
  list.addRegisterWrite(0x30, 3, 3, status, true, &position);  // starts link 3
  ASSERT_TRUE(status.isNotFatal());
  EXPECT_EQ(list.countLinks(), 3u);
  finalize();
  const std::vector<Link> links = chain();
  ASSERT_EQ(links.size(), 2u);
  // The second register write fills the head's last 8 bytes; the piece
  // after it does not fit and stays, and the third link empties.
  EXPECT_EQ(links[0].descriptors,
            (std::vector<Descriptor>{{1, 0x98000010, 0}, piece(0), piece(1), {2, 0x98000020, 0}}));
  EXPECT_EQ(links[1].descriptors, (std::vector<Descriptor>{piece(2), {3, 0x98000030, 0}}));
  EXPECT_EQ(links[0].nextSize, 40u);
  EXPECT_EQ(links[1].nextSize, 64u);
  EXPECT_EQ(links[1].flags, tWexelSGL::kFlagRingOfTwo);
}

TEST_F(WexelSGL, ALastLinkWithOneDescriptorTakesItsShareFromTheLinksBefore) {
  initialize();
  addPieces(63);
  EXPECT_EQ(fill(), (std::vector<uint32_t>{31, 31, 1}));
  finalize();
  EXPECT_EQ(fill(), (std::vector<uint32_t>{31, 16, 16}));
  EXPECT_GT(list.getTail()->used, 256u);
  const std::vector<Link> links = chain();
  ASSERT_EQ(links.size(), 3u);
  for (const Link& link : links) EXPECT_EQ(link.flags, 0u);
  const std::vector<Descriptor> all = descriptors();
  for (uint64_t i = 0; i < 63; ++i) EXPECT_EQ(all[i], piece(i));
  EXPECT_EQ(links[2].nextBusAddress, links[0].busAddress);
}

TEST_F(WexelSGL, CompactionPullsDescriptorsForwardAndDropsEmptiedLinks) {
  initialize();
  for (uint64_t i = 0; i < 40; ++i) list.addSegment(piece(i).address, 4096, status, i % 10 == 0);
  ASSERT_TRUE(status.isNotFatal());
  EXPECT_EQ(fill(), (std::vector<uint32_t>{10, 10, 10, 10}));
  finalize();
  EXPECT_EQ(fill(), (std::vector<uint32_t>{31, 9}));
  EXPECT_EQ(chain()[1].flags, tWexelSGL::kFlagRingOfTwo);
}

// Compaction can fold a chain into its head; balancing then has no full
// links to divide by and the list is unrolled like any one-link list.
TEST_F(WexelSGL, ChainCompactedIntoItsHeadIsUnrolledInsteadOfDividingByZero) {
  initialize();
  list.addSegment(piece(0).address, 4096, status, false);
  list.addSegment(piece(1).address, 4096, status, true);
  ASSERT_EQ(list.countLinks(), 2u);
  finalize();
  const std::vector<Link> links = chain();
  ASSERT_EQ(links.size(), 2u);
  EXPECT_EQ(links[1].flags, tWexelSGL::kFlagRingOfTwo);
  const std::vector<Descriptor> all = descriptors();
  ASSERT_EQ(all.size(), 62u);
  // Around the ring the two pieces alternate without a seam.
  for (size_t i = 0; i < all.size(); ++i) EXPECT_EQ(all[i], piece(i % 2)) << i;
}

TEST_F(WexelSGL, FinalizingAnEmptyListIsRefusedAndChangesNothing) {
  initialize();
  list.finalize(status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(list.countLinks(), 1u);
  EXPECT_EQ(list.getHead()->used, 16u);
  EXPECT_EQ(list.getHead()->next, nullptr);
  const auto object = sim::ScatterGather::find(sim::ScatterGather::handles().at(0));
  EXPECT_EQ(object->prepares, 0u);  // nothing handed to the device
}

TEST_F(WexelSGL, EmptyPiecesAndListsWithoutADeviceAreRefused) {
  initialize();
  for (const uint64_t size : {uint64_t{0}, uint64_t{1} << 32}) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { list.addSegment(kBase, size, s, false); }),
              nVLAPALS100::kStatusInvalidParameter);
  }
  EXPECT_EQ(list.getHead()->used, 16u);
  tWexelSGL unattached;
  EXPECT_EQ(codeAfter([&](tStatus& s) { unattached.addSegment(kBase, 1, s, false); }),
            nVLAPALS100::kStatusAssemblyFailure);
  EXPECT_EQ(codeAfter([&](tStatus& s) { unattached.initialize(dma.configuration, 31, s); }),
            nVLAPALS100::kStatusInvalidParameter);
  const tDMAConfiguration unconfigured;
  EXPECT_EQ(codeAfter([&](tStatus& s) { unattached.initialize(unconfigured, 512, s); }),
            nVLAPALS100::kStatusNotSupported);
}

class WexelSGLLinkMemory : public WexelSGL, public testing::WithParamInterface<uint32_t> {};

TEST_P(WexelSGLLinkMemory, LinksStartOn512ByteBoundariesInsideOneContiguousRun) {
  sim::PhysicalMemory::setPlacement({1, 0, 0});  // only contiguous asks get runs
  const uint32_t linkSize = GetParam();
  initialize(linkSize);
  addPieces(300);
  finalize();
  const std::vector<Link> links = chain();
  ASSERT_EQ(links.size(), list.countLinks());
  for (const Link& link : links) {
    EXPECT_EQ(link.busAddress % 512, 0u);
    const uint8_t* first = sim::PhysicalMemory::hostAddress(link.busAddress);
    EXPECT_EQ(sim::PhysicalMemory::hostAddress(link.busAddress + linkSize - 1), first + linkSize - 1);
  }
  const uint64_t stride = (linkSize + 511) / 512 * 512;
  const uint64_t perBlock = ((linkSize + 4095) / 4096 * 4096 - linkSize) / stride + 1;
  EXPECT_EQ(list.countBlocks(), (list.countLinks() + perBlock - 1) / perBlock);
  for (uint64_t handle : sim::ScatterGather::handles()) {
    const auto object = sim::ScatterGather::find(handle);
    EXPECT_EQ(object->segments.size(), 1u);
    EXPECT_TRUE(object->handedOver);
    EXPECT_FALSE(object->deviceWrites);
  }
}

INSTANTIATE_TEST_SUITE_P(LinkSizes, WexelSGLLinkMemory, testing::Values(512u, 768u, 4096u, 8192u));

TEST_F(WexelSGL, LinkMemoryIsAskedForAsContiguousZeroedPagesLowFor32BitDevices) {
  vltest::ConfiguredDMA low(tDMAConfiguration::kDMAType32Bit, 1);
  tWexelSGL lowList;
  lowList.initialize(low.configuration, 512, status);
  ASSERT_TRUE(status.isNotFatal());
  const std::vector<uint64_t> lists = sim::PageLists::handles();
  ASSERT_EQ(lists.size(), 1u);
  EXPECT_EQ(sim::PageLists::find(lists[0])->flags, 7u);
  EXPECT_EQ(sim::PageLists::find(lists[0])->numaNode, 1u);
  EXPECT_EQ(sim::PageLists::find(lists[0])->pageCount, 1u);
}

TEST_F(WexelSGL, ResetKeepsTheHeadInTheOldestBlockAndFreesTheRest) {
  initialize();
  addPieces(31 * 9);  // nine links: two blocks
  finalize();
  ASSERT_EQ(list.countBlocks(), 2u);
  const uint64_t head = list.getHead()->busAddress;
  list.reset();
  EXPECT_EQ(list.countLinks(), 1u);
  EXPECT_EQ(list.countBlocks(), 1u);
  EXPECT_EQ(list.getHead()->used, 16u);
  EXPECT_EQ(list.getHead()->busAddress, head);
  addPieces(32);
  EXPECT_EQ(list.getTail()->busAddress, head + 512);  // carved again right after the head
  finalize();
  EXPECT_EQ(chain().size(), 2u);
}

TEST_F(WexelSGL, DestructionReturnsEveryLinkAndBlock) {
  const int64_t blocks = sim::Memory::outstandingBlocks();
  {
    tWexelSGL other;
    tStatus status;
    other.initialize(dma.configuration, 512, status);
    for (uint64_t i = 0; i < 500; ++i) other.addSegment(piece(i).address, 4096, status, false);
    other.finalize(status);
    ASSERT_TRUE(status.isNotFatal());
    EXPECT_GT(sim::PageLists::count(), 1u);
  }
  EXPECT_EQ(sim::PageLists::count(), 0u);
  EXPECT_EQ(sim::PageLists::kernelMappings(), 0u);
  EXPECT_EQ(sim::ScatterGather::count(), 0u);
  EXPECT_EQ(sim::ScatterGather::pairingViolations(), 0u);
  EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks);
}

TEST_F(WexelSGL, FailuresLeaveTheChainAsFarAsItWasBuilt) {
  initialize();
  addPieces(31);
  const auto addOne = [&](tStatus& s) { list.addSegment(kBase, 1, s, false); };
  sim::Memory::allocationFaults().failNth(1, 0);
  EXPECT_EQ(codeAfter(addOne), nVLAPALS100::kStatusOutOfMemory);
  EXPECT_EQ(list.countLinks(), 1u);
  addPieces(7 * 31, 31);  // eight full links fill the first block
  sim::PageLists::allocationFaults().failNth(1, 0);
  EXPECT_EQ(codeAfter(addOne), nVLAPALS100::kStatusOutOfMemory);
  EXPECT_EQ(list.countBlocks(), 1u);
  sim::PageLists::kernelMappingFaults().failNth(1, 0);
  EXPECT_EQ(codeAfter(addOne), nVLAPALS100::kStatusOutOfMemory);
  EXPECT_EQ(list.countBlocks(), 1u);
  EXPECT_EQ(sim::PageLists::count(), 1u);
  EXPECT_EQ(sim::PageLists::kernelMappings(), 1u);
}

// The two closing forms besides the unrolled ring: a plain chain that ends
// at its tail, and a ring that keeps a single link as it is.
enum class Closing { kChain, kRing };

struct ClosingCase {
  Closing closing;
  uint64_t pieces;
  std::vector<uint32_t> descriptorsPerLink;
  std::vector<uint32_t> flagsPerLink;
};

class WexelSGLClosing : public WexelSGL, public testing::WithParamInterface<ClosingCase> {};

TEST_P(WexelSGLClosing, LinksEndOrComeRoundAsTheFormSays) {
  const ClosingCase& c = GetParam();
  initialize();
  addPieces(c.pieces);
  c.closing == Closing::kChain ? list.finalizeChain(status) : list.finalizeRingWithoutUnrolling(status);
  ASSERT_TRUE(status.isNotFatal());
  const std::vector<Link> links = chain();
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
