// Sizes and counts from user mode, through the packaged module: every
// published request of both interfaces with each word of its input block in
// turn at the largest value it holds, and each bounded word one beyond its
// bound. The simulated kernel records the largest size ever asked of its
// allocator: no request asks for more than its stated bound, and what a
// session's requests allocated is given back when the session closes.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "PublishedRequests.h"
#include "driver/board/ioctl/FlashRequests.h"
#include "driver/board/ioctl/ListModeRequests.h"
#include "driver/board/ioctl/PlatformRequests.h"
#include "driver/board/ioctl/SettingsRequests.h"
#include "driver/board/ioctl/VisaRequests.h"
#include "driver/board/ioctl/fpga/FpgaSessionRequests.h"
#include "driver/board/visa/VisaDispatcher.h"
#include "driver/flash/FlashPartitionManager.h"
#include "driver/fpga/session/ConfigurePersonalityCommonDeserializer.h"
#include "driver/platform/memory/UserBound.h"
#include "driver/regaccess/registration/Dispatcher.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/RequestClient.h"
#include "sim/kernel/Memory.h"
#include "tests/support/BoardRig.h"

namespace {

namespace rq = nVL9738K_24_0::requests;
namespace lym = nVL9738K_24_0::lymrequests;
using vltest::BoardRig;

using vltest::kFpgaInterface;
using vltest::kMainInterface;
// Each allocation of the driver's `new` family carries a 16-byte header.
constexpr uint64_t kHeader = 16;
// The most a request with no bounded word may allocate: its own records,
// up to a flash table of 64 KiB.
constexpr uint64_t kUnbounded = uint64_t{1} << 16;

// Time-outs are no sizes (a wait without limit is another matter), and the
// two requests that program the board's flash carry only the words they
// program, at a few hundred milliseconds of simulated flash per request.
bool skipped(uint32_t code, size_t at) {
  return (code == lym::WaitOnIrqs::kCode && at == offsetof(lym::WaitOnIrqs::In, timeoutMs)) ||
         (code == lym::AcquireFifoBytes::kCode && at == offsetof(lym::AcquireFifoBytes::In, timeoutMs)) ||
         code == rq::ProgramSubsystemId::kCode || code == rq::ProgramFirmwareRevisions::kCode;
}

// The most a request may ask of the allocator, as its declaration states.
uint64_t statedBound(uint32_t code) {
  static const std::map<uint32_t, uint64_t> bounds = {
      {rq::SettingsDeploy::kCode, rq::SettingsDeploy::kMaxMessageBytes},
      {rq::SettingsSendMessage::kCode, rq::SettingsSendMessage::kMaxResourceIds * 4},
      {rq::SetContext::kCode, rq::SetContext::kMaxPathElements * 4},
      {rq::GetSubSystemVersion::kCode, rq::GetSubSystemVersion::kChunkBytes},
      {rq::VisaReadBlock::kCode, nVL9738K_24_0::VisaDispatcher::kChunkBytes},
      {rq::VisaWriteBlock::kCode, nVL9738K_24_0::VisaDispatcher::kChunkBytes},
      {0x00208105, vlregitools::kMaxUserNameLength + 1},                      // arm_getRegistrationNames
      {0xC0204206, qrtk::FlashPartitionManager::kMemoryOnlyPartitionBudget},  // rfplat_writePartition
      {lym::ReadBlock::kCode, lym::kBlockPartBytes},
      {lym::WriteBlock::kCode, lym::kBlockPartBytes},
      {lym::ConfigurePersonalityQrt::kCode, vllym::ConfigurePersonalityCommonDeserializer::kMaxFifoListBytes},
  };
  const auto found = bounds.find(code);
  return (found != bounds.end() ? found->second : kUnbounded) + kHeader;
}

class UserSizeSweep : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(rig.add(), 0);
    // A kernel of a modest machine: a request that asks for gigabytes is
    // refused, and the record keeps what it asked.
    sim::Memory::setLargestBlock(uint64_t{1} << 28);
  }
  void TearDown() override { sim::Memory::setLargestBlock(UINT64_MAX); }

  // Each word of each request with a status word (the FPGA interface's
  // release carries none, nor any size) in turn at its largest value, the
  // others zero or, in the second pass, pointing at user memory that can be read.
  void sweep(const char* name, std::span<const vltest::PublishedRequest> requests) {
    std::unique_ptr<sim::DeviceFile> file = sim::DeviceFile::open(rig.module(), name);
    ASSERT_NE(file, nullptr);
    for (const vltest::PublishedRequest& shape : requests) {
      if (shape.inStatusAt == vltest::kNoStatus) continue;
      for (size_t width : {size_t{4}, size_t{8}}) {
        for (size_t at = 0; at + width <= shape.in; at += width) {
          if ((at < shape.inStatusAt + 4u && shape.inStatusAt < at + width) || skipped(shape.code, at)) continue;
          for (bool addresses : {false, true}) {
            std::vector<uint8_t> input(shape.in, 0);
            for (size_t word = 0; addresses && word + 8 <= shape.in; word += 8) {
              if (word + 8 <= shape.inStatusAt || word >= shape.inStatusAt + 4u) {
                const uint64_t address = target.address();
                std::memcpy(input.data() + word, &address, 8);
              }
            }
            std::memset(input.data() + at, 0xFF, width);
            sim::Memory::clearLargestAsked();
            const sim::DeviceFile::Reply reply =
                file->ioctl({.code = shape.code, .input = input, .outputSize = static_cast<uint32_t>(shape.out)});
            SCOPED_TRACE(testing::Message() << std::hex << "code 0x" << shape.code << std::dec << " word at " << at
                                            << " width " << width << (addresses ? " with addresses" : ""));
            EXPECT_LE(sim::Memory::largestAsked(), statedBound(shape.code));
            // A session left stale would answer every later request early.
            ASSERT_NE(vltest::answerOf(reply, shape.outStatusAt), vltest::kStaleSession);
          }
        }
      }
    }
  }

  BoardRig rig;
  // User memory the requests' addresses point at: up to 64 KiB readable.
  sim::UserBlock target{1 << 16};
};

// The first session's requests may leave device state behind (sequence
// numbers of the partition ids asked about, a reservation client's named
// token); the same requests from a later session leave nothing.
TEST_F(UserSizeSweep, NoRequestAsksMoreThanItsBoundAndClosingGivesEverythingBack) {
  sweep(kMainInterface, vltest::kPublishedRequests);
  sweep(kFpgaInterface, vltest::kPublishedFpgaSessionRequests);
  const int64_t before = sim::Memory::outstandingBlocks();
  sweep(kMainInterface, vltest::kPublishedRequests);
  sweep(kFpgaInterface, vltest::kPublishedFpgaSessionRequests);
  EXPECT_EQ(sim::Memory::outstandingBlocks(), before);
}

// Each bounded word at its bound and one beyond, the other words such that
// the request reaches its check: beyond, refused with the request's stated
// answer; at the bound, served in parts through a small buffer (here
// until the caller's 64 KiB end); either way nothing allocated at the
// caller's word.
TEST_F(UserSizeSweep, EachWordAtAndBeyondItsBoundAllocatesNothingAtTheCallersWord) {
  using Budget = qrtk::FlashPartitionManager;
  std::unique_ptr<sim::DeviceFile> mainFile = sim::DeviceFile::open(rig.module(), kMainInterface);
  std::unique_ptr<sim::DeviceFile> fpgaFile = sim::DeviceFile::open(rig.module(), kFpgaInterface);
  ASSERT_TRUE(mainFile && fpgaFile);
  sim::RequestClient main(*mainFile), fpga(*fpgaFile);
  sim::UserBlock partitionData(Budget::kMemoryOnlyPartitionBudget + 1);
  const uint64_t at = target.address();
  // A memory-only write of `length` bytes to partition `id`, with the
  // sequence number a size query hands out.
  auto keepInMemory = [&](uint32_t id, uint32_t length) {
    const uint32_t sequence = main.call<rq::ReadPartition>({.partitionId = id}).out.sequenceNumber;
    return main
        .call<rq::WritePartition>({.partitionId = id,
                                   .bufferAddress = partitionData.address(),
                                   .bufferLength = length,
                                   .sequenceNumber = sequence})
        .outStatus();
  };
  constexpr uint32_t kPart = Budget::kMemoryOnlyPartitionBudget;
  constexpr uint32_t kListBeyond = nVLAPAL000::kMaxUserListEntries + 1;
  constexpr int32_t kOutOfMemory = -52000, kInvalid = -52005, kNoFlashOnBoard = -63193;
  constexpr int32_t kAnyAnswer = INT32_MIN;
  ASSERT_EQ(main.call<rq::VisaInitialize>(rq::VisaInitialize::In{}).outStatus(), 0);
  auto versions = [&](uint32_t count) {
    return main.call<rq::GetSubSystemVersion>({.arrayAddress = at, .count = count, .status = 0}).outStatus();
  };
  // Byte-wide items of the register window, as many as a transfer may have.
  auto visa = [&](auto op) {
    typename decltype(op)::In in{};
    in.itemWidth = 1;
    in.bufferAddress = at;
    in.itemCount = 0xFFFFFFFF;
    return main.call<decltype(op)>(in).outStatus();
  };
  struct Row {
    const char* what;
    int32_t expected;
    std::function<int32_t()> send;
  };
  const Row rows[] = {
      {"sub-system versions at the bound", kAnyAnswer, [&] { return versions(0x3FFFFFFF); }},
      {"VISA read at the bound", kAnyAnswer, [&] { return visa(rq::VisaReadBlock{}); }},
      {"VISA write at the bound", kAnyAnswer, [&] { return visa(rq::VisaWriteBlock{}); }},
      {"block read of a FIFO register", kAnyAnswer,
       [&] {
         return fpga.call<lym::ReadBlock>({.address = at, .byteCount = 0xFFFFFFFF, .elementSize = 1}).outStatus();
       }},
      {"block write to a FIFO register", kAnyAnswer,
       [&] {
         return fpga.call<lym::WriteBlock>({.address = at, .byteCount = 0xFFFFFFFF, .elementSize = 1}).outStatus();
       }},
      {"sub-system versions of 2^32 bytes", kOutOfMemory, [&] { return versions(1u << 30); }},
      {"message resource ids", kInvalid,
       [&] {
         return main.call<rq::SettingsSendMessage>({at, kListBeyond, 0, 0, 0, 0, 0, 0}).outStatus();
       }},
      {"list-mode path", kInvalid,
       [&] {
         return main.call<rq::SetContext>({at, rq::SetContext::kMaxPathElements + 1, 0}).outStatus();
       }},
      {"personality block", kInvalid,
       [&] {
         constexpr auto kBeyond = vllym::ConfigurePersonalityCommonDeserializer::kMaxCommonBytes + 1;
         return fpga
             .call<lym::ConfigurePersonalityQrt>(
                 {.personalityAddress = at, .personalitySize = kBeyond, .bitfileAddress = at, .bitfileSize = 4096})
             .outStatus();
       }},
      {"FIFO list", kInvalid,
       [&] {
         constexpr auto kBeyond = vllym::ConfigurePersonalityCommonDeserializer::kMaxFifoListBytes + 1;
         return fpga
             .call<lym::ConfigurePersonalityQrt>({.personalityAddress = at,
                                                  .personalitySize = 48,
                                                  .fifoListAddress = at,
                                                  .fifoListSize = kBeyond,
                                                  .bitfileAddress = at,
                                                  .bitfileSize = 4096})
             .outStatus();
       }},
      {"block read beyond the window", kInvalid,
       [&] {
         return fpga.call<lym::ReadBlock>({.address = at, .byteCount = 0xFFFFFFFC, .elementSize = 4, .increment = 4})
             .outStatus();
       }},
      {"block write beyond the window", kInvalid,
       [&] {
         return fpga.call<lym::WriteBlock>({.address = at, .byteCount = 0xFFFFFFFC, .elementSize = 4, .increment = 4})
             .outStatus();
       }},
      {"flash image on a board that takes none", kNoFlashOnBoard,
       [&] { return fpga.call<lym::DownloadToFlash>({.address = at, .size = 0xFFFFFFFF}).outStatus(); }},
      {"memory-only partition", kOutOfMemory, [&] { return keepInMemory(1000, kPart + 1); }},
      {"memory-only partitions of the device", kOutOfMemory,
       [&] {
         EXPECT_EQ(keepInMemory(1001, kPart), 0);
         EXPECT_EQ(keepInMemory(1002, kPart), 0);
         return keepInMemory(1003, kPart);
       }},
  };
  static_assert(3 * uint64_t{kPart} > Budget::kMemoryOnlyDeviceBudget, "the third partition passes the device budget");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    sim::Memory::clearLargestAsked();
    const int32_t answer = row.send();
    if (row.expected != kAnyAnswer) {
      EXPECT_EQ(answer, row.expected);
    }
    EXPECT_LE(sim::Memory::largestAsked(),
              row.expected == kAnyAnswer ? lym::kBlockPartBytes + kHeader : kPart + kHeader);
  }
}

}  // namespace
