// The flash requests through the packaged module on the board model: the
// partition store as user mode sees it, the board records the programming
// requests rewrite, and a store that cannot be mounted.
#include <gtest/gtest.h>

#include <algorithm>

#include "PublishedRequests.h"
#include "driver/board/ioctl/FlashRequests.h"
#include "driver/board/ioctl/PlatformRequests.h"
#include "sim/host/RequestClient.h"
#include "sim/kernel/Memory.h"
#include "tests/support/BoardRig.h"

namespace {

using namespace nVL9738K_24_0::requests;
using Bytes = std::vector<uint8_t>;
using sim::FlashLayout;

// Ids from 80 up get a memory copy when the store is mounted, so they read
// back after the device is added again.
constexpr uint32_t kId = 100;
constexpr int32_t kUnreadable = static_cast<int32_t>(0xBFFA9174);

class FlashRequests : public vltest::OpenedBoard {
 protected:
  ReadPartition::Out read(sim::UserBlock* into, uint32_t length = 4096, uint32_t id = kId) {
    return client
        ->call<ReadPartition>({.partitionId = id, .bufferAddress = into ? into->address() : 0, .bufferLength = length})
        .out;
  }
  WritePartition::Out write(const sim::UserBlock* data, uint32_t sequence, uint32_t id = kId) {
    return client
        ->call<WritePartition>({.partitionId = id,
                                .bufferAddress = data ? data->address() : 0,
                                .bufferLength = 300,
                                .flags = 1,
                                .sequenceNumber = sequence})
        .out;
  }
};

TEST_F(FlashRequests, PartitionsAreGuardedBySequenceNumbersAndOutliveTheDevice) {
  open();
  const auto info = client->call<GetFlashDeviceInfo>().out;
  EXPECT_EQ(std::vector<uint32_t>({info.totalSize, info.sectorSize, info.accessAlignment, uint32_t(info.status)}),
            std::vector<uint32_t>({0x600000, 0x10000, 2, 0}));
  sim::UserBlock table(64);
  EXPECT_EQ(client->call<ReadPartitionTable>({.bufferAddress = table.address(), .bufferLength = 64}).outStatus(), 0);
  EXPECT_EQ(Bytes(table.data(), table.data() + 14), (Bytes{1, 1, 14, 0, 0, 0, 0x11, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(client->call<GetPartitionList>().out.partitionCount, 0u);

  const auto query = read(nullptr);
  ASSERT_EQ(std::make_tuple(query.status, query.size, query.sequenceNumber), std::make_tuple(0, 0u, 2 * kId));
  sim::UserBlock data(300);
  for (size_t i = 0; i < data.size(); ++i) data.data()[i] = static_cast<uint8_t>(i * 13 + 5);
  const auto written = write(&data, 2 * kId);
  ASSERT_EQ(std::make_pair(written.status, written.sequenceNumber), std::make_pair(0, 2 * kId + 1));
  EXPECT_EQ(write(&data, 2 * kId).status, static_cast<int32_t>(0xBFFA9021));
  const auto noData = write(nullptr, 2 * kId + 1);
  EXPECT_EQ(std::make_pair(noData.status, noData.sequenceNumber), std::make_pair(-52005, 2 * kId + 1));
  sim::UserBlock small(100);
  const auto shortRead = read(&small, 100);
  EXPECT_EQ(std::make_tuple(shortRead.status, shortRead.size, shortRead.sequenceNumber),
            std::make_tuple(-52019, 300u, 2 * kId + 1));
  // Added again with the flash kept, the device mounts the store anew.
  removeBoard();
  open();
  sim::UserBlock back(4096);
  const auto reread = read(&back);
  EXPECT_EQ(std::make_tuple(reread.status, reread.size, reread.sequenceNumber), std::make_tuple(0, 300u, 2 * kId + 1));
  EXPECT_TRUE(std::equal(data.data(), data.data() + 300, back.data()));
  // A reset mounts the store anew, and no number read before it matches after it.
  ASSERT_EQ(client->call<ResetDevice>().outStatus(), 0);
  client.reset(), file = sim::DeviceFile::open(rig->module(), vltest::kMainInterface);
  client = std::make_unique<sim::RequestClient>(*file);
  EXPECT_EQ(write(&data, reread.sequenceNumber).status, static_cast<int32_t>(0xBFFA9021));
  const auto deleted =
      client->call<DeletePartition>({.partitionId = kId, .sequenceNumber = read(nullptr).sequenceNumber}).out;
  EXPECT_EQ(deleted.status, 0);
  EXPECT_EQ(deleted.sequenceNumber, read(nullptr).sequenceNumber);
  EXPECT_EQ(client->call<GetPartitionList>().out.partitionCount, 0u);
}

TEST_F(FlashRequests, ProgrammingRewritesBothCopiesOfTheBoardRecords) {
  open();
  sim::NorFlash& flash = rig->board().flash();
  const uint32_t poscFlag = flash.peek32(FlashLayout::kPoscSelect);
  ASSERT_EQ(client->call<ProgramSubsystemId>({.subsystemId = 0x5B77}).outStatus(), 0);
  for (uint32_t copy : {FlashLayout::kPoscCopy1, FlashLayout::kPoscCopy2}) {
    EXPECT_EQ(flash.peek32(copy + FlashLayout::kPoscSubsystemId) & 0xFFFF, 0x5B77u) << copy;
  }
  EXPECT_EQ(flash.peek32(FlashLayout::kPoscSelect), poscFlag);

  // A write the flash does not take leaves the revisions the board holds.
  const auto before = client->call<GetFirmwareRev>().out;
  flash.losePowerDuring(1);
  EXPECT_NE(client->call<ProgramFirmwareRevisions>({.current = 0x01009000, .oldest = 0x01004000}).outStatus(), 0);
  flash.restorePower();
  EXPECT_EQ(client->call<GetFirmwareRev>().out.current, before.current);
  ASSERT_EQ(client->call<ProgramFirmwareRevisions>({.current = 0x01009000, .oldest = 0x01004000}).outStatus(), 0);
  const auto revisions = client->call<GetFirmwareRev>().out;
  EXPECT_EQ(std::make_pair(revisions.current, revisions.oldest), std::make_pair(0x01009000u, 0x01004000u));
  const Bytes record = {5, 0, 0, 0, 4, 0, 0, 0, 0x00, 0x90, 0x00, 0x01};
  for (uint32_t copy : {FlashLayout::kCapabilityCopy1, FlashLayout::kCapabilityCopy2}) {
    const Bytes sector = flash.contents(copy, sim::NorFlash::kSectorSize);
    EXPECT_NE(std::search(sector.begin(), sector.end(), record.begin(), record.end()), sector.end()) << copy;
  }
}

TEST_F(FlashRequests, ABlankStoreFailsTheFlashRequestsAndTheFirstThreeLevelsOnly) {
  const Bytes erased(2 * sim::NorFlash::kSectorSize, 0xFF);
  open({}, [&](sim::Board& board) { board.flash().load(FlashLayout::kPartitionTableB, erased.data(), erased.size()); });
  const std::vector<uint32_t> refused = {0x00204201, 0xC0204203, 0xC0204204, 0xC0204205, 0xC0204206,
                                         0xC0204207, 0x00204208, 0x00204210, 0x00204211, 0x00204213};
  for (const vltest::PublishedRequest& request : vltest::kPublishedRequests) {
    if (std::find(refused.begin(), refused.end(), request.code) == refused.end()) continue;
    const auto reply = file->ioctl({request.code, Bytes(request.in), request.out, 0});
    EXPECT_EQ(vltest::answerOf(reply, request.outStatusAt), kUnreadable) << std::hex << request.code;
  }
  EXPECT_EQ(client->call<GetTemperature>({.sensor = 1, .sampleCount = 1, .status = 0}).outStatus(), kUnreadable);
  EXPECT_EQ(client->call<GetFirmwareRev>().outStatus(), 0);
  EXPECT_EQ(client->call<GetSubSystemVersion>().outStatus(), 0);
}

// The first sweep ends with the partition created, the second rewrites it.
TEST_F(FlashRequests, AWriteWithAnyAllocationFailingKeepsTheOldDataOrTheNewAndLeaksNothing) {
  rig = std::make_unique<vltest::BoardRig>();
  const int64_t blocks = sim::Memory::outstandingBlocks();
  open();
  sim::UserBlock data(300);
  sim::UserBlock back(4096);
  // A neighbour: placing the record goes over the partitions in address order.
  ASSERT_EQ(write(&data, read(nullptr, 4096, kId + 1).sequenceNumber, kId + 1).status, 0);
  uint32_t sequence = read(nullptr).sequenceNumber;
  Bytes held;
  for (uint64_t pass = 1, n = 1; pass <= 2 && n < 500; ++n) {
    std::fill(data.data(), data.data() + data.size(), static_cast<uint8_t>(16 * pass + n));
    sim::Memory::allocationFaults().failNth(n, -51352);
    const auto written = write(&data, sequence);
    const bool injected = sim::Memory::allocationFaults().injected();
    sim::Memory::allocationFaults().clear();
    if (written.status == 0) {
      sequence = written.sequenceNumber;
      held.assign(data.data(), data.data() + data.size());
    }
    const auto reread = read(&back);
    EXPECT_EQ(reread.sequenceNumber, sequence) << n;
    EXPECT_EQ(Bytes(back.data(), back.data() + reread.size), held) << n;
    if (!injected) std::tie(pass, n) = std::make_pair(pass + 1, 0);
  }
  removeBoard();
  EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks);
}

}  // namespace
