// User memory maps: what the map record reads from the kernel layer, the
// two ways of backing it, and the whole road through the map entries.
#include <gtest/gtest.h>

#include "TestDevice.h"
#include "driver/platform/device/DeviceSites.h"
#include "driver/platform/device/tUserMemoryMap.h"
#include "sim/kernel/Kernel.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVLAPAL000::tUserMemoryMap;
using nVLAPALS100::tStatus;
using sim::UserMaps;
using vltest::Site;
using vltest::siteOf;
using vltest::statusAfter;

constexpr uint64_t kPage = sim::Memory::kPageSize;

class UserMemoryMap : public testing::Test {
 protected:
  // The record each way of mapping leaves on a fresh status.
  tStatus pageList(uint64_t offset, uint64_t size = kPage) {
    return statusAfter([&](tStatus& s) { map.mapPageList(0xAB000, offset, size, s); });
  }
  tStatus physical(uint64_t address) {
    return statusAfter([&](tStatus& s) { map.mapPhysicalAddress(address, kPage, 1, s); });
  }
  static Site at(int64_t code, uint64_t line) { return Site{code, nVLAPAL000::sites::kUserMemoryMap, line}; }
  bool mapsNothing() {
    const auto record = UserMaps::find(kernelMap);
    return record->pageLists.empty() && record->physicalRanges.empty();
  }

  uint64_t kernelMap = UserMaps::create(4 * kPage, 0x7F1234560000, 3);
  tUserMemoryMap map{nullptr, kernelMap, 5};
};

TEST_F(UserMemoryMap, PageListFromOnePageInForOneAndAHalfPagesMapsTwoPagesFromPageOne) {
  EXPECT_EQ(pageList(kPage, kPage + kPage / 2).getCode(), 0);
  const auto record = UserMaps::find(kernelMap);
  ASSERT_EQ(record->pageLists.size(), 1u);
  EXPECT_EQ(record->pageLists[0].pageList, 0xAB000u);
  EXPECT_EQ(record->pageLists[0].firstPage, 1u);
  EXPECT_EQ(record->pageLists[0].pageCount, 2u);
}

TEST_F(UserMemoryMap, OffsetsAndAddressesOffAPageBoundaryAreRefusedAtTheirSites) {
  EXPECT_EQ(siteOf(pageList(kPage / 2)), at(nVLAPALS100::kStatusInvalidParameter, 50));
  EXPECT_EQ(siteOf(physical(0xF0000010)), at(nVLAPALS100::kStatusInvalidParameter, 80));
  EXPECT_TRUE(mapsNothing());
}

TEST_F(UserMemoryMap, KernelRefusalsAreTranslatedAndRecordedAtTheirSites) {
  UserMaps::pageListMappingFaults().failNth(1, -51009);
  EXPECT_EQ(siteOf(pageList(0)), at(nVLAPALS100::kStatusInvalidParameter, 60));
  UserMaps::physicalMappingFaults().failNth(1, -51352);
  EXPECT_EQ(siteOf(physical(0xF0000000)), at(nVLAPALS100::kStatusOutOfMemory, 90));
}

TEST_F(UserMemoryMap, MappingOnAnErrorStatusDoesNothing) {
  tStatus status;
  status.setCode(-52010, VL_SITE);
  map.mapPageList(0xAB000, 0, kPage, status);
  map.mapPhysicalAddress(0xF0000000, kPage, 1, status);
  EXPECT_TRUE(mapsNothing());
}

class UserMapping : public testing::Test {
 protected:
  vltest::TestBoard board;
  std::unique_ptr<sim::DeviceFile> file = board.open();
};

TEST_F(UserMapping, RegionIsTheLowSixteenBitsOfThePageOffset) {
  sim::DeviceFile::Mapping pages = file->mmap(0x30000, 2 * kPage, 3);
  EXPECT_EQ(pages.status, 0);
  EXPECT_EQ(pages.mapped, 1u);
  ASSERT_EQ(UserMaps::find(pages.kernelMap)->pageLists.size(), 1u);
  EXPECT_EQ(UserMaps::find(pages.kernelMap)->pageLists[0].pageList, vltest::kTestPageList);
  sim::DeviceFile::Mapping window = file->mmap(0x10001, kPage, 1);
  EXPECT_EQ(window.status, 0);
  ASSERT_EQ(UserMaps::find(window.kernelMap)->physicalRanges.size(), 1u);
  EXPECT_EQ(UserMaps::find(window.kernelMap)->physicalRanges[0].address, vltest::kTestPhysicalWindow);
  EXPECT_EQ(UserMaps::find(window.kernelMap)->physicalRanges[0].cacheMode, 1u) << "always mode 1";
  const auto* record = static_cast<const tUserMemoryMap*>(window.context);
  EXPECT_EQ(record->getSession(), file->session());
  EXPECT_EQ(record->getAccess(), tUserMemoryMap::kAccessRead);
  file->munmap(pages);
  file->munmap(window);
  EXPECT_EQ(board.device().mapsReleased(), 2);
}

TEST_F(UserMapping, RegionTheDeviceDoesNotServeIsRefusedAndNothingIsKept) {
  const int64_t blocks = sim::Memory::outstandingBlocks();
  sim::DeviceFile::Mapping mapping = file->mmap(2, kPage, 3);
  EXPECT_EQ(mapping.status, -51256);
  EXPECT_EQ(mapping.mapped, 0u);
  EXPECT_EQ(mapping.context, nullptr);
  EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks);
}

// Without a map record there is no mapping to report; the call must say so
// rather than claim success.
TEST_F(UserMapping, MapRecordThatCannotBeAllocatedFailsWithOutOfMemory) {
  sim::Memory::allocationFaults().failNth(1, 0);
  sim::DeviceFile::Mapping mapping = file->mmap(0, kPage, 3);
  EXPECT_EQ(mapping.status, -51352);
  EXPECT_EQ(mapping.mapped, 0u);
  EXPECT_EQ(UserMaps::count(), 0u);
}

}  // namespace
