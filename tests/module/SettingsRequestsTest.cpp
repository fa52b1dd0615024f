// The settings, frequency-cycling and VISA requests through the packaged
// module, as user mode sends them, with the board model's chips behind.
#include <gtest/gtest.h>

#include "driver/board/ioctl/SettingsRequests.h"
#include "driver/board/ioctl/VisaRequests.h"
#include "driver/board/status/DeviceStatusCodes.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/RequestClient.h"
#include "sim/kernel/UserMemory.h"
#include "tests/support/BoardRig.h"

namespace {

using namespace nVL9738K_24_0::requests;

using SettingsRoad = vltest::MainRoad;

TEST_F(SettingsRoad, CyclingAndVisaRunWhileTheDeferredRecordsHoldErrors) {
  // A module newer than the driver leaves errors in the deferred records.
  open(vltest::boardWithUnsupportedModule());
  EXPECT_EQ(client->call<SettingsDeploy>().outStatus(), nVL9738K_24_0::codes::kFpgaNeedsNewerSoftware);
  // Presets A, B, C as the NCO runs them: {tuning word, delta, modulus}.
  const sim::Ad9162::Nco a{0x2AAAAAAAAAAA, 2, 3}, b{0x8E38E38E38E3, 5, 9}, c{0xBBBBBBBBBBBB, 11, 15};
  for (const sim::Ad9162::Nco& preset : {a, b, c, a}) {
    ASSERT_EQ(client->call<CycleFrequency>().outStatus(), 0);
    EXPECT_EQ(rig->board().dac(0).nco(), preset);
  }

  EXPECT_EQ(client->call<VisaInitialize>().outStatus(), 0);
  const auto space = client->call<VisaGetSpaceInfo>({.addressSpace = 7, .status = 0});
  EXPECT_EQ(space.outStatus(), static_cast<int32_t>(0xBFFF004Eu));
  EXPECT_EQ(std::tuple(space.out.spaceType, space.out.base, space.out.size), std::tuple(0, 0, 0));
  EXPECT_EQ(client->call<VisaFinalize>().outStatus(), 0);
  EXPECT_EQ(file->ioctl({0x40208502, std::vector<uint8_t>(48), 4, 0}).status, -51256) << "a read carries no write";
}

TEST_F(SettingsRoad, AMessageRepliesWithItsWholeZeroedAreaOrLeavesItUntouched) {
  open();
  sim::UserBlock ids(4);
  ids.put<uint32_t>(0, 2);
  sim::UserBlock out(24);
  std::fill(out.data(), out.data() + 24, 0xEE);
  const auto query = [&](uint32_t count, uint32_t capacity) {
    return client->call<SettingsSendMessage>({ids.address(), count, 12, 0, 0, out.address(), capacity, 0}).outStatus();
  };
  EXPECT_EQ(query(1, 20), nVLAPALS100::kStatusLookupFailure);
  EXPECT_EQ(std::vector<uint8_t>(out.data(), out.data() + 24), std::vector<uint8_t>(24, 0xEE));
  EXPECT_EQ(query(1, 24), 0);
  // The power-up set the reference clock up: path 1 reports no problem,
  // and the rest of the area is zero.
  EXPECT_EQ(std::vector<uint8_t>(out.data(), out.data() + 24), std::vector<uint8_t>(24, 0));
  EXPECT_EQ(query(70000, 24), nVLAPALS100::kStatusInvalidParameter) << "refused before anything is allocated";
  // Areas and deploy messages the caller sizes at gigabytes are refused
  // before the kernel is asked for them.
  EXPECT_EQ(query(1, 0x80000000u), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(client->call<SettingsDeploy>({.messageAddress = out.address(), .messageSize = 0x85000000u, .status = 0})
                .outStatus(),
            nVLAPALS100::kStatusInvalidParameter);
}

}  // namespace
