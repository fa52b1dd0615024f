// A board the kernel layer removed while a session stayed open: until the
// last session closes and the device is deleted, a reset from that session
// must not bring the leaving board up again nor reopen its gate.
#include <gtest/gtest.h>

#include "BoardRig.h"
#include "driver/board/ioctl/PlatformRequests.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/RequestClient.h"

namespace {

using namespace nVL9738K_24_0::requests;

constexpr int32_t kGateClosed = -52022;

TEST(BoardLeaving, AResetFromASessionThatOutlivedItsBoardLeavesTheBoardDown) {
  vltest::BoardRig rig;
  ASSERT_EQ(rig.add(), 0);
  auto file = sim::DeviceFile::open(rig.module(), "vl9738_vl9738k");
  ASSERT_NE(file, nullptr);
  sim::RequestClient client(*file);
  ASSERT_EQ(client.call<GetModuleRev>().outStatus(), 0);
  const size_t bringUpWrites = rig.powerUpWrites().size();

  rig.module().record().removeDevice(rig.device());
  EXPECT_EQ(client.call<ResetDevice>().outStatus(), kGateClosed);
  EXPECT_EQ(rig.powerUpWrites().size(), bringUpWrites) << "the leaving board was not powered up again";
  EXPECT_EQ(client.call<GetModuleRev>().outStatus(), kGateClosed);
  EXPECT_EQ(client.call<GetSerialNumber>().outStatus(), kGateClosed);
  file->close();
}

}  // namespace
