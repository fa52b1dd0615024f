// Long block transfers through the packaged module, with real threads: a
// transfer of many items from one register holds the locks other sessions
// need for one part at a time, so that another session's request gets
// through while it runs: a device reset ends it at its next part (-52022),
// and a VISA finalize that unmaps the spaces ends a VISA transfer there
// (not initialised), instead of either waiting for the caller's whole count.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <ostream>
#include <thread>

#include "driver/board/ioctl/PlatformRequests.h"
#include "driver/board/ioctl/VisaRequests.h"
#include "driver/board/ioctl/fpga/FpgaSessionRequests.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/RequestClient.h"
#include "sim/kernel/UserMemory.h"
#include "tests/support/BoardRig.h"

namespace {

namespace rq = nVL9738K_24_0::requests;
namespace lym = nVL9738K_24_0::lymrequests;

using vltest::kGateClosed;
constexpr int32_t kVisaNotInitialized = static_cast<int32_t>(0xBFFF003A);
// Items of 4 bytes read from one register: far more than a part holds.
constexpr uint32_t kItems = 1u << 24;
constexpr auto kWatchdog = std::chrono::seconds(120);

using Send = std::function<int32_t(sim::RequestClient&, const sim::UserBlock& into)>;
using Interrupt = std::function<int32_t(sim::RequestClient&)>;

struct LongTransfer {
  const char* name;
  const char* interface;
  // Sends the transfer into `into` and answers its status.
  Send send;
  // What another session of the main interface sends meanwhile.
  Interrupt interrupt;
  int32_t answer;
};

void PrintTo(const LongTransfer& transfer, std::ostream* out) { *out << transfer.name; }

int32_t visaRead(sim::RequestClient& client, const sim::UserBlock& into) {
  if (client.call<rq::VisaInitialize>(rq::VisaInitialize::In{}).outStatus() != 0) return 0;
  rq::VisaReadBlock::In in{};
  in.itemWidth = 4;
  in.bufferAddress = into.address();
  in.itemCount = kItems;
  return client.call<rq::VisaReadBlock>(in).outStatus();
}

int32_t fpgaRead(sim::RequestClient& client, const sim::UserBlock& into) {
  return client.call<lym::ReadBlock>({.address = into.address(), .byteCount = kItems * 4, .elementSize = 4})
      .outStatus();
}

int32_t resetDevice(sim::RequestClient& client) { return client.call<rq::ResetDevice>().outStatus(); }
int32_t finalizeVisa(sim::RequestClient& client) { return client.call<rq::VisaFinalize>().outStatus(); }

class LongTransfers : public ::testing::TestWithParam<LongTransfer> {
 protected:
  void SetUp() override { ASSERT_EQ(rig.add(), 0); }
  vltest::BoardRig rig;
};

TEST_P(LongTransfers, AnotherSessionsRequestGetsThroughAndEndsTheTransferAtItsNextPart) {
  std::unique_ptr<sim::DeviceFile> transferring = sim::DeviceFile::open(rig.module(), GetParam().interface);
  std::unique_ptr<sim::DeviceFile> other = sim::DeviceFile::open(rig.module(), vltest::kMainInterface);
  ASSERT_TRUE(transferring && other);
  sim::RequestClient transfer(*transferring), interrupting(*other);
  sim::UserBlock into(uint64_t{kItems} * 4);
  const uint64_t copiesBefore = sim::UserMemory::outboundCopies();
  auto answer = std::async(std::launch::async, [&] { return GetParam().send(transfer, into); });
  // The first part has reached the caller: the transfer is under way.
  const auto deadline = std::chrono::steady_clock::now() + kWatchdog;
  while (sim::UserMemory::outboundCopies() == copiesBefore && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::yield();
  }
  EXPECT_EQ(GetParam().interrupt(interrupting), 0);
  ASSERT_EQ(answer.wait_until(deadline), std::future_status::ready) << "the transfer never ended";
  EXPECT_EQ(answer.get(), GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(
    Transfers, LongTransfers,
    ::testing::Values(LongTransfer{"VisaReset", vltest::kMainInterface, visaRead, resetDevice, kGateClosed},
                      LongTransfer{"VisaFinalize", vltest::kMainInterface, visaRead, finalizeVisa, kVisaNotInitialized},
                      LongTransfer{"FpgaSessionReset", vltest::kFpgaInterface, fpgaRead, resetDevice, kGateClosed}),
    [](const ::testing::TestParamInfo<LongTransfer>& info) { return info.param.name; });

}  // namespace
