// User memory maps: what the map record reads from the kernel layer, the
// two ways of backing it, and the whole road through the map entries.
#include <gtest/gtest.h>

#include "TestDevice.h"
#include "driver/platform/device/DeviceSites.h"
#include "driver/platform/device/tUserMemoryMap.h"
#include "sim/kernel/Kernel.h"

namespace {

using nVLAPAL000::tUserMemoryMap;
using nVLAPALS100::tStatus;
using sim::UserMaps;

constexpr uint64_t kPage = sim::Memory::kPageSize;

class UserMemoryMap : public testing::Test {
 protected:
  uint64_t kernelMap = UserMaps::create(4 * kPage, 0x7F1234560000, 3);
  tUserMemoryMap map{nullptr, kernelMap, 5};
};

TEST_F(UserMemoryMap, PageListFromOnePageInForOneAndAHalfPagesMapsTwoPagesFromPageOne) {
  tStatus status;
  map.mapPageList(0xAB000, kPage, kPage + kPage / 2, status);
  EXPECT_EQ(status.getCode(), 0);
  const auto record = UserMaps::find(kernelMap);
  ASSERT_EQ(record->pageLists.size(), 1u);
  EXPECT_EQ(record->pageLists[0].pageList, 0xAB000u);
  EXPECT_EQ(record->pageLists[0].firstPage, 1u);
  EXPECT_EQ(record->pageLists[0].pageCount, 2u);
}

TEST_F(UserMemoryMap, OffsetsAndAddressesOffAPageBoundaryAreRefusedAtTheirSites) {
  tStatus pageList(tStatus::kFullSize);
  map.mapPageList(0xAB000, kPage / 2, kPage, pageList);
  EXPECT_EQ(pageList.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_STREQ(pageList.getFile(), nVLAPAL000::sites::kUserMemoryMap);
  EXPECT_EQ(pageList.getLine(), 50u);
  tStatus physical(tStatus::kFullSize);
  map.mapPhysicalAddress(0xF0000010, kPage, 1, physical);
  EXPECT_EQ(physical.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(physical.getLine(), 80u);
  const auto record = UserMaps::find(kernelMap);
  EXPECT_TRUE(record->pageLists.empty());
  EXPECT_TRUE(record->physicalRanges.empty());
}

TEST_F(UserMemoryMap, KernelRefusalsAreTranslatedAndRecordedAtTheirSites) {
  UserMaps::pageListMappingFaults().failNth(1, -51009);
  tStatus pageList(tStatus::kFullSize);
  map.mapPageList(0xAB000, 0, kPage, pageList);
  EXPECT_EQ(pageList.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(pageList.getLine(), 60u);
  UserMaps::physicalMappingFaults().failNth(1, -51352);
  tStatus physical(tStatus::kFullSize);
  map.mapPhysicalAddress(0xF0000000, kPage, 1, physical);
  EXPECT_EQ(physical.getCode(), nVLAPALS100::kStatusOutOfMemory);
  EXPECT_EQ(physical.getLine(), 90u);
}

TEST_F(UserMemoryMap, MappingOnAnErrorStatusDoesNothing) {
  tStatus status;
  status.setCode(-52010, VL_SITE);
  map.mapPageList(0xAB000, 0, kPage, status);
  map.mapPhysicalAddress(0xF0000000, kPage, 1, status);
  const auto record = UserMaps::find(kernelMap);
  EXPECT_TRUE(record->pageLists.empty());
  EXPECT_TRUE(record->physicalRanges.empty());
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
