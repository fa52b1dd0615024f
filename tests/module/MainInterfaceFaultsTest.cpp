// Every request of the main interface with the Nth allocation, then the
// Nth user copy, failing: each answers cleanly or with the injected code,
// leaks nothing, and the device answers every request afterwards.
#include <gtest/gtest.h>

#include "PublishedRequests.h"
#include "sim/host/DeviceFile.h"
#include "sim/kernel/Memory.h"
#include "sim/kernel/UserMemory.h"
#include "tests/support/BoardRig.h"

namespace {

constexpr uint32_t kResetDevice = 0x0020420C;
constexpr uint32_t kSetReservationDescriptor = 0x0020550A;
constexpr int32_t kInjected = -51352;  // the kernel layer's out of memory
// What the driver makes of it, in the output block and as the call's result.
constexpr int32_t kOutOfMemory = -52000;

struct Sweep {
  sim::FaultSite& site;
  const char* name;
};

class MainInterfaceFaults : public vltest::OpenedBoard {
 protected:
  void SetUp() override {
    rig = std::make_unique<vltest::BoardRig>();
    blocksBeforeAdd = sim::Memory::outstandingBlocks();
    open();
  }
  void TearDown() override {
    sim::Memory::allocationFaults().clear();
    sim::UserMemory::inboundCopyFaults().clear();
  }
  // A session keeps the reservation client its first set-descriptor made
  // and refuses a second: each such request starts on a fresh session.
  void freshSessionFor(const vltest::PublishedRequest& request) {
    if (request.code != kSetReservationDescriptor) return;
    client.reset();
    file.reset();
    file = sim::DeviceFile::open(rig->module(), vltest::kMainInterface);
    ASSERT_NE(file, nullptr);
  }
  sim::DeviceFile::Reply send(const vltest::PublishedRequest& request) {
    return file->ioctl({request.code, std::vector<uint8_t>(request.in, 0), request.out, 0});
  }

  int64_t blocksBeforeAdd = 0;
};

TEST_F(MainInterfaceFaults, EachRequestSurvivesEveryFailingAllocationAndUserCopy) {
  const Sweep sweeps[] = {{sim::Memory::allocationFaults(), "allocation"},
                          {sim::UserMemory::inboundCopyFaults(), "inbound copy"}};
  for (const auto& request : vltest::kPublishedRequests) {
    if (request.code == kResetDevice) continue;
    freshSessionFor(request);
    const auto clean = send(request);
    for (const Sweep& sweep : sweeps) {
      uint64_t n = 1;
      for (;; ++n) {
        SCOPED_TRACE(::testing::Message() << std::hex << request.code << std::dec << " " << sweep.name << " " << n);
        freshSessionFor(request);
        sweep.site.failNth(n, kInjected);
        const auto reply = send(request);
        const bool injected = sweep.site.injected();
        sweep.site.clear();
        if (!injected) {
          EXPECT_EQ(reply.status, clean.status);
          break;
        }
        const int32_t answered = vltest::answerOf(reply, request.outStatusAt);
        const int32_t cleanAnswer = vltest::answerOf(clean, request.outStatusAt);
        EXPECT_TRUE(answered == cleanAnswer || answered == kInjected || answered == kOutOfMemory) << answered;
        // The same request afterwards answers as it did before the fault.
        freshSessionFor(request);
        const auto after = send(request);
        EXPECT_EQ(after.status, clean.status);
        EXPECT_EQ(vltest::answerOf(after, request.outStatusAt), cleanAnswer);
      }
      EXPECT_LT(n, 200u) << "the sweep ends";
    }
  }
  removeBoard();
  EXPECT_EQ(sim::Memory::outstandingBlocks(), blocksBeforeAdd) << "nothing a failed request allocated stays";
}

}  // namespace
