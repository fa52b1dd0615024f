// The user-mode side against the packaged module: it reaches only the
// interfaces that the module's own driver registered.
#include <gtest/gtest.h>

#include "driver/platform/zuk/ZukDevice.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/Module.h"
#include "sim/kernel/Kernel.h"

namespace {

TEST(ModuleDeviceFile, NoInterfaceIsPublishedBeforeABoardIsAdded) {
  auto module = sim::Module::load();
  ASSERT_NE(module, nullptr) << sim::Module::lastError();
  EXPECT_TRUE(sim::DeviceRegistry::interfaces().empty());
  int32_t result = 0;
  EXPECT_EQ(sim::DeviceFile::open(*module, "vl9738_vl9738k", &result), nullptr);
  EXPECT_EQ(result, sim::DeviceFile::kNoSuchInterface);
}

TEST(ModuleDeviceFile, InterfaceOfAnotherDriverIsNotOpenedThroughTheModule) {
  auto module = sim::Module::load();
  ASSERT_NE(module, nullptr) << sim::Module::lastError();
  nVLZUK_tDriverRecord other{};
  ASSERT_NE(nVLZUK240_registerDeviceInterface(&other, 1, "vl9738_vl9738k", 0, &other), 0u);
  int32_t result = 0;
  EXPECT_EQ(sim::DeviceFile::open(*module, "vl9738_vl9738k", &result), nullptr);
  EXPECT_EQ(result, sim::DeviceFile::kNoSuchInterface);
}

}  // namespace
