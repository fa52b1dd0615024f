// The list-mode requests through the packaged module, as user mode sends
// them, on a board whose FPGA has both timing engines.
#include <gtest/gtest.h>

#include "driver/board/ioctl/ListModeRequests.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/RequestClient.h"
#include "sim/kernel/UserMemory.h"
#include "tests/support/BoardRig.h"

namespace {

using namespace nVL9738K_24_0::requests;

constexpr int32_t kNoListModeSession = -52010;

class ListModeRequests : public vltest::MainRoad {
 protected:
  void SetUp() override { open(); }
};

TEST_F(ListModeRequests, WithoutAListModeSessionTraitsAreZeroAndEveryOtherRequestIsRefused) {
  const auto traits = client->call<GetTraits>();
  EXPECT_EQ(traits.outStatus(), 0);
  const listmodek::ListTraits zero{};
  EXPECT_EQ(std::memcmp(&traits.out.traits, &zero, sizeof(zero)), 0);
  EXPECT_EQ(client->call<Initiate>().outStatus(), kNoListModeSession);
  EXPECT_EQ(client->call<ReadListIsDone>().outStatus(), kNoListModeSession);
}

TEST_F(ListModeRequests, TheAcquisitionEnginesSessionReportsItsEngine) {
  sim::UserBlock path(8);
  path.put<uint16_t>(0, 2401);
  path.put<uint16_t>(4, 2404);
  ASSERT_EQ(client->call<SetContext>({path.address(), 2, 0}).outStatus(), 0);
  const auto traits = client->call<GetTraits>();
  EXPECT_EQ(traits.outStatus(), 0);
  // The model's capabilities word is 0x2800013201; bytes 17-23 stay zero.
  const auto& t = traits.out.traits;
  EXPECT_EQ(std::tuple(t.word0, t.listModeSupported, t.pcodeVersion, t.pcodeOldestCompatibleVersion, t.maxListTrigger,
                       t.maxListEvent, t.capability4),
            std::tuple(uint64_t{0xFFFFFFFF}, 1u, uint8_t{1}, uint8_t{0}, uint8_t{2}, uint8_t{3}, uint8_t{0x28}));
  const uint8_t zeros[7] = {};
  EXPECT_EQ(std::memcmp(t.reserved, zeros, sizeof(zeros)), 0);
  rig->board().timingEngine(2401)->listEngine().setDone(sim::ListEngineModel::Done::kOnStop);
  EXPECT_EQ(client->call<Initiate>().outStatus(), 0);
  EXPECT_EQ(client->call<Abort>().outStatus(), 0);
  const auto done = client->call<ReadListIsDone>();
  EXPECT_EQ(std::tuple(done.outStatus(), done.out.done), std::tuple(0, uint8_t{1}));
}

}  // namespace
