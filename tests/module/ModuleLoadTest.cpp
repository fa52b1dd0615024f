// The packaged module, mapped and entered as the kernel layer does it.
#include <gtest/gtest.h>

#include <cstring>

#include "sim/host/Module.h"
#include "sim/kernel/Kernel.h"

namespace {

TEST(ModuleLoad, EntryFillsTheRecordAndRegistersTheDriver) {
  auto module = sim::Module::load();
  ASSERT_NE(module, nullptr) << sim::Module::lastError();
  EXPECT_EQ(module->entryResult(), 0);
  const nVLZUK_tDriverRecord& record = module->record();
  ASSERT_NE(record.moduleName, nullptr);
  EXPECT_STREQ(record.moduleName, "vl9738k");
  EXPECT_NE(record.open, nullptr);
  EXPECT_NE(record.close, nullptr);
  EXPECT_NE(record.read, nullptr);
  EXPECT_NE(record.write, nullptr);
  EXPECT_NE(record.ioctl, nullptr);
  EXPECT_NE(record.unload, nullptr);
  EXPECT_NE(record.addDevice, nullptr);
  EXPECT_NE(record.removeDevice, nullptr);
  EXPECT_NE(record.mapMemory, nullptr);
  EXPECT_NE(record.unmapMemory, nullptr);
  EXPECT_NE(record.deleteDevice, nullptr);
  EXPECT_TRUE(sim::Drivers::isRegistered(&record));
}

TEST(ModuleLoad, DriverLeavesTheKernelWordsOfTheRecordAlone) {
  auto module = sim::Module::load();
  ASSERT_NE(module, nullptr) << sim::Module::lastError();
  const nVLZUK_tDriverRecord& record = module->record();
  for (uint64_t i = 0; i < 3; ++i) EXPECT_EQ(record.kernelHead[i], 0x5A5A5A5A00000000ull | i);
  EXPECT_EQ(record.kernelWord, 0x5A5A5A5A00000003ull);
  for (uint64_t i = 0; i < 4; ++i) EXPECT_EQ(record.kernelTail[i], 0x5A5A5A5A00000000ull | (4 + i));
}

TEST(ModuleLoad, UnloadUnregistersTheDriver) {
  auto module = sim::Module::load();
  ASSERT_NE(module, nullptr) << sim::Module::lastError();
  module->unload();
  EXPECT_FALSE(sim::Drivers::isRegistered(&module->record()));
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
// them, and unload runs and frees that list.
TEST(ModuleLoad, StaticObjectsLiveFromEntryToUnload) {
  const int64_t before = sim::Memory::outstandingBlocks();
  auto module = sim::Module::load();
  ASSERT_NE(module, nullptr) << sim::Module::lastError();
  EXPECT_GT(sim::Memory::outstandingBlocks(), before);
  module->unload();
  EXPECT_EQ(sim::Memory::outstandingBlocks(), before);
}

TEST(ModuleLoad, EachLoadConstructsItsStaticsOnce) {
  const int64_t before = sim::Memory::outstandingBlocks();
  auto first = sim::Module::load();
  ASSERT_NE(first, nullptr) << sim::Module::lastError();
  const int64_t perLoad = sim::Memory::outstandingBlocks() - before;
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

}  // namespace
