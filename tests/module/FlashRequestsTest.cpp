// The flash requests through the packaged module on the board model: the
// partition store as user mode sees it, the board-level records the two
// programming requests rewrite, and a store that cannot be mounted.
#include <gtest/gtest.h>

#include <algorithm>

#include "BoardRig.h"
#include "driver/board/ioctl/FlashRequests.h"
#include "driver/board/ioctl/PlatformRequests.h"
#include "sim/host/RequestClient.h"

namespace {

using namespace nVL9738K_24_0::requests;
using Bytes = std::vector<uint8_t>;

constexpr int32_t kSequenceMismatch = static_cast<int32_t>(0xBFFA9021);
constexpr int32_t kStoreUnreadable = static_cast<int32_t>(0xBFFA9174);
// Ids from 80 up get a memory copy when the store is mounted, so they read
// back after the device is added again.
constexpr uint32_t kId = 100;

template <class T>
using TypedReply = sim::TypedReply<T>;

class FlashRequests : public ::testing::Test {
 protected:
  void open() {
    ASSERT_EQ(rig.add(), 0);
    file = sim::DeviceFile::open(rig.module(), "vl9738_vl9738k");
    ASSERT_NE(file, nullptr);
    client = std::make_unique<sim::RequestClient>(*file);
  }
  void close() {
    client.reset();
    file.reset();
    rig.remove();
  }
  void TearDown() override { close(); }

  TypedReply<ReadPartition::Out> read(sim::UserBlock* into, uint32_t length) {
    return client->call<ReadPartition>(
        {.partitionId = kId, .bufferAddress = into ? into->address() : 0, .bufferLength = length});
  }
  TypedReply<WritePartition::Out> write(const sim::UserBlock* data, uint32_t sequence) {
    return client->call<WritePartition>({.partitionId = kId,
                                         .bufferAddress = data ? data->address() : 0,
                                         .bufferLength = 300,
                                         .flags = 1,
                                         .sequenceNumber = sequence});
  }
  int32_t outStatusOf(uint32_t code, size_t inSize, size_t outSize) {
    const auto reply = file->ioctl({.code = code, .input = Bytes(inSize), .outputSize = uint32_t(outSize)});
    int32_t status = 0;
    std::memcpy(&status, reply.output.data() + outSize - 4, 4);
    return status;
  }

  vltest::BoardRig rig;
  std::unique_ptr<sim::DeviceFile> file;
  std::unique_ptr<sim::RequestClient> client;
};

TEST_F(FlashRequests, AFormattedEmptyStoreDescribesItselfWithNoPartitions) {
  open();
  const auto info = client->call<GetFlashDeviceInfo>();
  EXPECT_EQ(info.outStatus(), 0);
  EXPECT_EQ(info.out.totalSize, 0x600000u);
  EXPECT_EQ(info.out.sectorSize, 0x10000u);
  EXPECT_EQ(info.out.accessAlignment, 2u);
  sim::UserBlock table(64);
  EXPECT_EQ(client->call<ReadPartitionTable>({.bufferAddress = table.address(), .bufferLength = 64}).outStatus(), 0);
  EXPECT_EQ(Bytes(table.data(), table.data() + 14), (Bytes{1, 1, 14, 0, 0, 0, 0x11, 0, 0, 0, 0, 0, 0, 0}));
  const auto list = client->call<GetPartitionList>();
  EXPECT_EQ(list.outStatus(), 0);
  EXPECT_EQ(list.out.partitionCount, 0u);
}

TEST_F(FlashRequests, SequenceNumbersGuardWritesAndAPersistentPartitionOutlivesTheDevice) {
  open();
  const auto query = read(nullptr, 4096);
  ASSERT_EQ(query.outStatus(), 0);
  EXPECT_EQ(query.out.size, 0u);
  ASSERT_EQ(query.out.sequenceNumber, 2 * kId);
  sim::UserBlock data(300);
  for (size_t i = 0; i < data.size(); ++i) data.data()[i] = static_cast<uint8_t>(i * 13 + 5);
  const auto written = write(&data, 2 * kId);
  ASSERT_EQ(written.outStatus(), 0);
  EXPECT_EQ(written.out.sequenceNumber, 2 * kId + 1);
  const auto stale = write(&data, 2 * kId);
  EXPECT_EQ(stale.outStatus(), kSequenceMismatch);
  const auto noData = write(nullptr, 2 * kId + 1);
  EXPECT_EQ(noData.outStatus(), -52005);
  EXPECT_EQ(noData.out.sequenceNumber, 2 * kId + 1);

  sim::UserBlock small(100);
  const auto shortRead = read(&small, 100);
  EXPECT_EQ(shortRead.outStatus(), -52019);
  EXPECT_EQ(shortRead.out.size, 300u);
  EXPECT_EQ(shortRead.out.sequenceNumber, 2 * kId + 1);
  sim::UserBlock ids(4);
  const auto shortList = client->call<GetPartitionList>({.bufferAddress = ids.address(), .bufferLength = 2});
  EXPECT_EQ(shortList.outStatus(), -52019);
  EXPECT_EQ(shortList.out.partitionCount, 1u);

  // Added again with the flash kept, the device mounts the store anew.
  close();
  open();
  sim::UserBlock back(4096);
  const auto reread = read(&back, 4096);
  ASSERT_EQ(reread.outStatus(), 0);
  EXPECT_EQ(reread.out.size, 300u);
  EXPECT_EQ(reread.out.sequenceNumber, 2 * kId + 1);
  EXPECT_TRUE(std::equal(data.data(), data.data() + 300, back.data()));
  const auto list = client->call<GetPartitionList>({.bufferAddress = ids.address(), .bufferLength = 4});
  EXPECT_EQ(list.out.partitionCount, 1u);
  EXPECT_EQ(ids.get<uint32_t>(0), kId);
  const auto deleted = client->call<DeletePartition>({.partitionId = kId, .sequenceNumber = 2 * kId + 1});
  EXPECT_EQ(deleted.outStatus(), 0);
  EXPECT_EQ(deleted.out.sequenceNumber, read(nullptr, 0).out.sequenceNumber);
  EXPECT_EQ(client->call<GetPartitionList>().out.partitionCount, 0u);
}

TEST_F(FlashRequests, ProgrammingRewritesBothCopiesOfTheBoardRecords) {
  open();
  sim::NorFlash& flash = rig.board().flash();
  const uint32_t poscFlag = flash.peek32(sim::FlashLayout::kPoscSelect);
  ASSERT_EQ(client->call<ProgramSubsystemId>({.subsystemId = 0x5B77}).outStatus(), 0);
  for (uint32_t copy : {sim::FlashLayout::kPoscCopy1, sim::FlashLayout::kPoscCopy2}) {
    EXPECT_EQ(flash.peek32(copy + sim::FlashLayout::kPoscSubsystemId) & 0xFFFF, 0x5B77u) << copy;
  }
  EXPECT_EQ(flash.peek32(sim::FlashLayout::kPoscSelect), poscFlag);

  ASSERT_EQ(client->call<ProgramFirmwareRevisions>({.current = 0x01009000, .oldest = 0x01004000}).outStatus(), 0);
  const auto revisions = client->call<GetFirmwareRev>();
  EXPECT_EQ(revisions.out.current, 0x01009000u);
  EXPECT_EQ(revisions.out.oldest, 0x01004000u);
  const Bytes record = {5, 0, 0, 0, 4, 0, 0, 0, 0x00, 0x90, 0x00, 0x01};
  for (uint32_t copy : {sim::FlashLayout::kCapabilityCopy1, sim::FlashLayout::kCapabilityCopy2}) {
    const Bytes sector = flash.contents(copy, sim::NorFlash::kSectorSize);
    EXPECT_NE(std::search(sector.begin(), sector.end(), record.begin(), record.end()), sector.end()) << copy;
  }
}

TEST_F(FlashRequests, ABlankStoreFailsTheFlashRequestsAndTheFirstThreeLevelsOnly) {
  const Bytes erased(2 * sim::NorFlash::kSectorSize, 0xFF);
  rig.board().flash().load(sim::FlashLayout::kPartitionTableB, erased.data(), erased.size());
  open();
  struct Request {
    uint32_t code;
    size_t in;
    size_t out;
  };
  for (const Request& request :
       {Request{0xC0204203, 40, 16}, Request{0xC0204204, 56, 4}, Request{0xC0204205, 64, 12},
        Request{0xC0204206, 64, 8}, Request{0xC0204207, 48, 8}, Request{0x00204210, 56, 8}, Request{0x00204211, 8, 4},
        Request{0x00204213, 56, 4}, Request{0x00204201, 8, 8}, Request{0x00204208, 4, 8}}) {
    EXPECT_EQ(outStatusOf(request.code, request.in, request.out), kStoreUnreadable) << std::hex << request.code;
  }
  EXPECT_EQ(client->call<GetTemperature>({.sensor = 1, .sampleCount = 1, .status = 0}).outStatus(), kStoreUnreadable);
  EXPECT_EQ(client->call<GetFirmwareRev>().outStatus(), 0);
  EXPECT_EQ(client->call<GetSubSystemVersion>().outStatus(), 0);
}

}  // namespace
