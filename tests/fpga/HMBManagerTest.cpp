// Host memory buffers on the board model's host-memory-buffer block of
// either layout: shared primary mappings, client-programmed regions and
// their re-apply after a download.
#include <gtest/gtest.h>

#include <memory>

#include "driver/fpga/hmb/HMBManager.h"
#include "sim/board/HostMemoryBufferBlock.h"
#include "sim/kernel/UserMaps.h"
#include "sim/kernel/UserMemory.h"
#include "tests/regaccess/RegisterMapFixture.h"

namespace vltest {
namespace {

using sim::HostMemoryBufferBlock;
using Writes = std::vector<std::pair<uint64_t, uint32_t>>;

class HostBuffers : public RegisterMapOnBoard {
 protected:
  static constexpr uint32_t kBlock = 0x4000;
  static constexpr uint32_t kFourRegions = 0x00100C02;  // 4 regions, 4 KiB primary, 64 KiB secondary
  std::unique_ptr<vllym::HMBManager> manager(uint32_t identity, uint32_t capabilities = kFourRegions) {
    block = std::make_unique<HostMemoryBufferBlock>(board.fpga(), kBlock, identity, capabilities);
    return std::make_unique<vllym::HMBManager>(&fpga, kBlock, status);
  }
  nVLAPAL000::tUserMemoryMap map(uint32_t id, uint64_t size = 4096) {
    return nVLAPAL000::tUserMemoryMap{nullptr, sim::UserMaps::create(size, 0x7F0000000000, 3), id};
  }
  void client(vllym::HMBManager& hmb, uint8_t index, uint8_t attribute, uint64_t address, tStatus& result) {
    sim::UserBlock entry(16);
    entry.put<uint8_t>(0, index);
    entry.put<uint8_t>(1, attribute);
    entry.put<uint64_t>(8, address);
    hmb.clientFunctionCall(descriptor, 3, entry.address(), 16, 0, 0, result);
  }

  vllym::IoAccessorMappedPci fpga{sim::FpgaWindow::kSize, kBar0BusAddress + sim::FpgaWindow::kBarOffset,
                                  board.bar0().mappedAddress() + sim::FpgaWindow::kBarOffset, 0};
  nVLAPAL000::tEventDescriptor descriptor{nullptr};
  std::unique_ptr<HostMemoryBufferBlock> block;
};

TEST_F(HostBuffers, MappingsShareRegionZeroUntilTheLastIsReleased) {
  auto hmb = manager(HostMemoryBufferBlock::kIdentityTable);
  auto first = map(5), second = map(5);
  hmb->allocateAndMap(descriptor, first, status);
  hmb->allocateAndMap(descriptor, second, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(hmb->getPrimaryReferences(), 2u);
  EXPECT_EQ(sim::UserMaps::find(first.getKernelMap())->pageLists[0].pageList,
            sim::UserMaps::find(second.getKernelMap())->pageLists[0].pageList);
  EXPECT_EQ(block->reg(0x014), 1u);
  hmb->releaseMapping(descriptor, first);
  EXPECT_EQ(block->reg(0x014), 1u);
  hmb->releaseMapping(descriptor, second);
  EXPECT_EQ(block->reg(0x014), 2u);
  EXPECT_EQ(hmb->getPrimaryPages().handle, 0u);
}

TEST_F(HostBuffers, ClientRegionsAreProgrammedCountedAndReappliedOnlyWhenLost) {
  auto hmb = manager(HostMemoryBufferBlock::kIdentityTable);
  auto primary = map(0);
  hmb->allocateAndMap(descriptor, primary, status);
  block->forgetWrites();
  client(*hmb, 3, 0x5A, 0x1122334455667788, status);
  EXPECT_EQ(block->writes(), (Writes{{0x130, 0x55667788}, {0x134, 0x11223344}, {0x138, 0x5A}, {0x008, 4}}));
  client(*hmb, 1, 0xFF, 0xABC000, status);
  EXPECT_EQ(block->reg(0x008), 4u);
  EXPECT_EQ(block->reg(0x118), 0u);  // attribute 0xFF leaves it alone
  ASSERT_EQ(status.getCode(), 0);

  block->forgetWrites();
  hmb->reapplyAfterDownload(status);  // the FPGA kept its settings
  EXPECT_EQ(block->writes(), (Writes{{0x014, 1}}));
  const uint32_t regionZero = block->reg(0x100);
  block->clear();
  block->forgetWrites();
  hmb->reapplyAfterDownload(status);
  EXPECT_EQ(block->writes(), (Writes{{0x008, 4},
                                     {0x110, 0xABC000},
                                     {0x114, 0},
                                     {0x130, 0x55667788},
                                     {0x134, 0x11223344},
                                     {0x138, 0x5A},
                                     {0x100, regionZero},
                                     {0x104, 0},
                                     {0x014, 1}}));
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(HostBuffers, IndexesPastTheRegionsOrTheArrayAreRefusedBeforeAnythingIsStored) {
  for (uint32_t capabilities : {kFourRegions, 0x00100C06u}) {  // 4 and 64 regions
    auto hmb = manager(HostMemoryBufferBlock::kIdentityTable, capabilities);
    tStatus refused;
    client(*hmb, capabilities == kFourRegions ? 4 : 32, 0, 0x1000, refused);
    EXPECT_EQ(refused.getCode(), nVLAPALS100::kStatusInvalidParameter);
    EXPECT_TRUE(block->writes().empty());
    EXPECT_EQ(hmb->getHighestRegionInUse(), 0u);
  }
}

TEST_F(HostBuffers, LayoutsAndIdentitiesDecideWhatMayBeMapped) {
  auto single = manager(HostMemoryBufferBlock::kIdentitySingle);
  auto secondary = map(4095);
  tStatus refused;
  single->allocateAndMap(descriptor, secondary, refused);
  EXPECT_EQ(refused.getCode(), nVLAPALS100::kStatusBadSelector);
  EXPECT_TRUE(sim::UserMaps::find(secondary.getKernelMap())->pageLists.empty());

  tStatus unknown;
  block = std::make_unique<HostMemoryBufferBlock>(board.fpga(), kBlock, 0x12345678);
  vllym::HMBManager other(&fpga, kBlock, unknown);
  EXPECT_EQ(unknown.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(other.getIdentity(), 0x12345678u);
  tStatus beyond;  // every register is in the map's window; the accessor refuses
  vllym::HMBManager outside(&fpga, sim::FpgaWindow::kSize, beyond);
  EXPECT_EQ(beyond.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(outside.getIdentity(), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace vltest
