// The main interface through the packaged module: framing, sizes, guards
// and the platform requests, each sent as user mode sends it.
#include <gtest/gtest.h>

#include "BoardRig.h"
#include "driver/board/ioctl/PlatformRequests.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/RequestClient.h"

namespace {

using namespace nVL9738K_24_0::requests;
using vltest::BoardRig;

class MainInterface : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(rig.add(), 0);
    file = sim::DeviceFile::open(rig.module(), "vl9738_vl9738k");
    ASSERT_NE(file, nullptr);
    client = std::make_unique<sim::RequestClient>(*file);
  }
  void TearDown() override {
    client.reset();
    if (file) file->close();
    file.reset();
    rig.remove();
  }

  BoardRig rig;
  std::unique_ptr<sim::DeviceFile> file;
  std::unique_ptr<sim::RequestClient> client;
};

TEST_F(MainInterface, ModuleRevisionIndexTwoEqualsIndexZeroAndThreeIsRefused) {
  const auto zero = client->call<GetModuleRev>({.index = 0, .status = 0});
  const auto two = client->call<GetModuleRev>({.index = 2, .status = 0});
  const auto three = client->call<GetModuleRev>({.index = 3, .status = 0});
  EXPECT_EQ(zero.status, 0);
  EXPECT_EQ(zero.resultField, 8);
  EXPECT_EQ(zero.outStatus(), 0);
  EXPECT_NE(zero.out.revision, 0u);
  EXPECT_EQ(two.out.revision, zero.out.revision);
  EXPECT_EQ(three.out.revision, 0u);
  EXPECT_EQ(three.outStatus(), -52006);
}

}  // namespace
