// The packaged module, mapped and entered as the kernel layer does it, and
// the user-mode side against it: it reaches only the interfaces that the
// module's own driver registered (none before a board is added, never one
// of another driver's under the same name).
#include <gtest/gtest.h>

#include <iterator>

#include "driver/platform/zuk/ZukDevice.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/Module.h"
#include "sim/kernel/Kernel.h"
#include "tests/support/BoardRig.h"

namespace {

// The kernel layer's own words of the record stay as it filled them.
TEST(ModuleLoad, EntryFillsTheRecordAndRegistersTheDriverUntilUnload) {
  auto module = sim::Module::load();
  ASSERT_NE(module, nullptr) << sim::Module::lastError();
  EXPECT_EQ(module->entryResult(), 0);
  const nVLZUK_tDriverRecord& record = module->record();
  ASSERT_NE(record.moduleName, nullptr);
  EXPECT_STREQ(record.moduleName, "vl9738k");
  const bool filled[] = {record.open != nullptr,        record.close != nullptr,        record.read != nullptr,
                         record.write != nullptr,       record.ioctl != nullptr,        record.unload != nullptr,
                         record.addDevice != nullptr,   record.removeDevice != nullptr, record.mapMemory != nullptr,
                         record.unmapMemory != nullptr, record.deleteDevice != nullptr};
  for (size_t entry = 0; entry < std::size(filled); ++entry) EXPECT_TRUE(filled[entry]) << "entry " << entry;
  for (uint64_t i = 0; i < 3; ++i) EXPECT_EQ(record.kernelHead[i], 0x5A5A5A5A00000000ull | i);
  EXPECT_EQ(record.kernelWord, 0x5A5A5A5A00000003ull);
  for (uint64_t i = 0; i < 4; ++i) EXPECT_EQ(record.kernelTail[i], 0x5A5A5A5A00000000ull | (4 + i));
  EXPECT_TRUE(sim::Drivers::isRegistered(&record));
  module->unload();
  EXPECT_FALSE(sim::Drivers::isRegistered(&record));
}

TEST(ModuleLoad, RefusedRegistrationReturnsTheKernelCodeAndTakesTheStaticsDown) {
  const int64_t before = sim::Memory::outstandingBlocks();
  sim::Drivers::registrationFaults().failNth(1, -51352);
  auto module = sim::Module::load();
  ASSERT_NE(module, nullptr) << sim::Module::lastError();
  EXPECT_EQ(module->entryResult(), -51352);
  EXPECT_TRUE(sim::Drivers::registered().empty());
  EXPECT_EQ(sim::Memory::outstandingBlocks(), before) << "every destructor registration was run and freed";
}

// The module's static objects with destructors register them on its own
// at-exit list (one kernel-layer block each) when the entry constructs
// them, once per load, and unload runs and frees that list.
TEST(ModuleLoad, StaticObjectsLiveFromEntryToUnloadOncePerLoad) {
  const int64_t before = sim::Memory::outstandingBlocks();
  auto first = sim::Module::load();
  ASSERT_NE(first, nullptr) << sim::Module::lastError();
  const int64_t perLoad = sim::Memory::outstandingBlocks() - before;
  EXPECT_GT(perLoad, 0);
  first->unload();
  EXPECT_EQ(sim::Memory::outstandingBlocks(), before);
  first.reset();
  auto second = sim::Module::load();
  ASSERT_NE(second, nullptr) << sim::Module::lastError();
  EXPECT_EQ(sim::Memory::outstandingBlocks() - before, perLoad);
}

// The host unmaps a released module as the kernel does, so the next load
// runs on the file's own static data, not on what the last one left.
TEST(ModuleLoad, ReloadStartsFromFreshStaticData) {
  const std::string useCount = "_ZN10nVLAPAL00012_GLOBAL__N_19gUseCountE";
  auto first = sim::Module::load();
  ASSERT_NE(first, nullptr) << sim::Module::lastError();
  auto* firstCount = static_cast<uint32_t*>(first->localObject(useCount));
  ASSERT_NE(firstCount, nullptr);
  EXPECT_EQ(*firstCount, 1u);
  first->unload();
  EXPECT_EQ(*firstCount, 0u);
  *firstCount = 7;  // what a start-up or unload fault could leave behind
  first.reset();
  EXPECT_FALSE(sim::Module::isMapped());
  auto second = sim::Module::load();
  ASSERT_NE(second, nullptr) << sim::Module::lastError();
  EXPECT_EQ(*static_cast<uint32_t*>(second->localObject(useCount)), 1u);
}

TEST(ModuleLoad, OnlyInterfacesTheModulesDriverRegisteredOpen) {
  auto module = sim::Module::load();
  ASSERT_NE(module, nullptr) << sim::Module::lastError();
  EXPECT_TRUE(sim::DeviceRegistry::interfaces().empty());
  int32_t result = 0;
  EXPECT_EQ(sim::DeviceFile::open(*module, vltest::kMainInterface, &result), nullptr);
  EXPECT_EQ(result, sim::DeviceFile::kNoSuchInterface);
  nVLZUK_tDriverRecord other{};
  ASSERT_NE(nVLZUK240_registerDeviceInterface(&other, 1, vltest::kMainInterface, 0, &other), 0u);
  result = 0;
  EXPECT_EQ(sim::DeviceFile::open(*module, vltest::kMainInterface, &result), nullptr);
  EXPECT_EQ(result, sim::DeviceFile::kNoSuchInterface);
}

}  // namespace
