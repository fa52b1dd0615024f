// The host map over the board model's fixed-logic window: refused ids,
// whole-map passes over every block in order (counted on the bus), the
// CPLD attachment records its passes never follow, and its registrations.
#include <gtest/gtest.h>

#include <string>

#include "FixedLogicFixture.h"
#include "driver/regaccess/registration/ARMDispatcher.h"
#include "driver/regmaps/board/tHostRegMap.h"
#include "sim/kernel/Memory.h"
#include "tests/support/StatusChecks.h"

// The CPLD composites are built elsewhere; here they are maps that count
// every call, so that the host map's passes can be shown to leave them be.
namespace nVl9738RefCpld {
class tVl9738RefCpld : public vltest::CountingMap {};
}  // namespace nVl9738RefCpld
namespace nVl9738Lo0Cpld {
class tVl9738Lo0Cpld : public vltest::CountingMap {};
}  // namespace nVl9738Lo0Cpld
namespace nVl9738Lo1Cpld {
class tVl9738Lo1Cpld : public vltest::CountingMap {};
}  // namespace nVl9738Lo1Cpld

namespace {

using namespace vltest;
using nHostRegMap::tHostRegMap;
using nVLAPALS100::kStatusInvalidParameter;

// Every writable register of the fixed-logic blocks, in the host map's
// flush order; every readable one in its refresh order.
const std::vector<uint64_t> kFlushed = [] {
  std::vector<uint64_t> a = {0x1000, 0x1004, 0x1008, 0x100C, 0x1010, 0x1014,
                             0x1018, 0x1020, 0x1024, 0x1028, 0x1030, 0x1034};
  for (uint64_t base : {0x2000, 0x2100, 0x2200}) {
    for (uint64_t offset : {0x24, 0x28, 0x30, 0x00, 0x08}) a.push_back(base + offset);
  }
  for (uint64_t x : {0x1800C, 0x100, 0x104, 0x108, 0x204, 0x208, 0x20C, 0x210, 0x214, 0x21C, 0x220, 0x230, 0x00C}) {
    a.push_back(x);
  }
  return a;
}();
const std::vector<uint64_t> kRefreshed = [] {
  std::vector<uint64_t> a = {0x1000, 0x1004, 0x1008, 0x100C, 0x1030, 0x1034};
  for (uint64_t base : {0x2000, 0x2100, 0x2200}) {
    for (uint64_t offset : {0x20, 0x24, 0x28, 0x2C, 0x30, 0x00, 0x08}) a.push_back(base + offset);
  }
  for (uint64_t x :
       {0x18000, 0x18004, 0x18008, 0x1800C, 0x100, 0x104, 0x108, 0x200, 0x218, 0x21C, 0x000, 0x004, 0x008, 0x00C}) {
    a.push_back(x);
  }
  return a;
}();

class HostRegMap : public FixedLogicOnBoard {
 protected:
  tHostRegMap host{&fixedLogic};
  uint64_t value = 0;
};

TEST_F(HostRegMap, EveryIdIsRefusedWhileTheBlocksAnswerIt) {
  for (uint32_t id : {0x804A86A1u, 0x80D0B425u, 0x8048A13Cu, 0xC0645987u, 0x004A86A1u, 0x12345678u}) {
    SCOPED_TRACE(testing::Message() << std::hex << id);
    value = 0x77;
    EXPECT_EQ(codeAfter([&](tStatus& s) { host.get(id, value, s, 0); }), kStatusInvalidParameter);
    EXPECT_EQ(value, 0u);
    value = 0x77;
    EXPECT_EQ(codeAfter([&](tStatus& s) { host.read(id, value, s, 0); }), kStatusInvalidParameter);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(codeAfter([&](tStatus& s) { host.set(id, 1, s, 0); }), kStatusInvalidParameter);
    EXPECT_EQ(codeAfter([&](tStatus& s) { host.write(id, 1, true, s, 0); }), kStatusInvalidParameter);
    EXPECT_EQ(codeAfter([&](tStatus& s) { host.flush(id, true, s, 0); }), kStatusInvalidParameter);
    EXPECT_EQ(codeAfter([&](tStatus& s) { host.refresh(id, s, 0); }), kStatusInvalidParameter);
    uint32_t count = 64;
    EXPECT_EQ(codeAfter([&](tStatus& s) { host.getRegisterFormat(id, count, nullptr, nullptr, s); }),
              nVLAPALS100::kStatusNotSupported);
    EXPECT_EQ(count, 0u);
  }
  EXPECT_EQ(board.bar0().traffic().size(), 0u);

  host.BoardControl.get(0x804A86A1, value, status, 0);
  EXPECT_EQ(value, 0x333u);
  host.PrivateEndpoint.CoreBrdRegMap.read(0x8048A13C, value, status, 0);
  EXPECT_EQ(value, sim::FixedLogic::kBoardSignature);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_STREQ(status.getFile(), "");
}

TEST_F(HostRegMap, RefusalsAreRaisedOnlyOnAStatusThatHasNotFailed) {
  status.setCode(-52010, VL_SITE);
  value = 0x77;
  host.get(0x804A86A1, value, status, 0);
  EXPECT_EQ(value, 0x77u);
  EXPECT_EQ(status.getCode(), -52010);

  tStatus fresh{tStatus::kFullSize};
  host.set(0x804A86A1, 1, fresh, 0);
  EXPECT_STREQ(fresh.getFile(), "Vl9738Ov3Fpga_HostRegMap");
}

TEST_F(HostRegMap, FlushWritesEveryWritableRegisterOnceThenNothingUnlessForced) {
  host.flushRegMap(false, status);
  EXPECT_EQ(writtenAddresses(), kFlushed);
  EXPECT_EQ(writes(), 40u);
  EXPECT_EQ(written(at(0x1000), 4), 0x333u);
  EXPECT_EQ(written(at(0x1004), 4), 0x33333u);
  EXPECT_EQ(written(at(0x1034), 4), 0x20u);
  EXPECT_EQ(reads(), 0u);

  clearTraffic();
  host.flushRegMap(false, status);
  EXPECT_EQ(writes(), 0u);

  host.flushRegMap(true, status);
  EXPECT_EQ(writtenAddresses(), kFlushed);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(HostRegMap, RefreshReadsOnlyReadableRegistersBoardControlAtSixAddresses) {
  host.refreshRegMap(status);
  EXPECT_EQ(readAddresses(), kRefreshed);
  EXPECT_EQ(writes(), 0u);
  uint64_t signature = 0;
  host.PrivateEndpoint.CoreBrdRegMap.get(0x8048A13C, signature, status, 0);
  EXPECT_EQ(signature, sim::FixedLogic::kBoardSignature);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(HostRegMap, MarkDirtyReachesEveryBlock) {
  host.flushRegMap(false, status);
  host.refreshRegMap(status);
  EXPECT_FALSE(host.PrivateEndpoint.CoreBrdRegMap.BoardSignature.isDirty());
  EXPECT_FALSE(host.Lo1CpldConfig.EndpointRegMap.AuxStatusReg.isDirty());
  host.markDirtyRegMap();
  EXPECT_TRUE(host.PrivateEndpoint.CoreBrdRegMap.BoardSignature.isDirty());
  EXPECT_TRUE(host.Lo1CpldConfig.EndpointRegMap.AuxStatusReg.isDirty());
  clearTraffic();
  host.flushRegMap(false, status);
  EXPECT_EQ(writtenAddresses(), kFlushed);
}

TEST_F(HostRegMap, ReinitializeRestoresTheConstructedState) {
  host.BoardControl.set(0x804A86A1, 0x1, status, 0);
  host.BoardControl.set(0x80ECC612, 0x0, status, 0);
  host.RoutingRegs.write(0x809873F7, 0xABCD, false, status, 0);
  host.refreshRegMap(status);
  host.RefCpld.reserved0 = 5;
  host.reinitialize();

  const std::vector<std::pair<uint32_t, uint64_t>> expected = {
      {0x804A86A1, 0x333}, {0x80D0B425, 0x333}, {0x809CAF29, 0x33333}, {0x80B075D7, 0x33333}, {0x80ECC612, 0x20}};
  for (const auto& [id, reset] : expected) {
    host.BoardControl.get(id, value, status, 0);
    EXPECT_EQ(value, reset) << std::hex << id;
  }
  host.RoutingRegs.get(0x809873F7, value, status, 0);
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(host.PrivateEndpoint.CoreBrdRegMap.BoardSignature.getValue(), 0u);
  EXPECT_TRUE(host.RoutingRegs.RoutingReg0C.isDirty());
  EXPECT_EQ(host.RefCpld.reserved0, 5u);
  EXPECT_EQ(host.getAccessor(), &fixedLogic);
  EXPECT_EQ(host.getWindowSize(), 0xFFFFFFFFu);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(HostRegMap, WholeMapPassesNeverReachTheAttachedCpldComposites) {
  nVl9738RefCpld::tVl9738RefCpld ref;
  nVl9738Lo0Cpld::tVl9738Lo0Cpld lo0;
  nVl9738Lo1Cpld::tVl9738Lo1Cpld lo1;
  host.RefCpld.map = &ref;
  host.Lo0Cpld.map = &lo0;
  host.Lo1Cpld.map = &lo1;
  host.flushRegMap(true, status);
  host.refreshRegMap(status);
  host.markDirtyRegMap();
  host.reinitialize();
  EXPECT_EQ(ref.calls + lo0.calls + lo1.calls, 0);
  for (const BusAccess& access : board.bar0().traffic()) {
    EXPECT_FALSE(access.offset >= at(0x4000) && access.offset < at(0x10000)) << std::hex << access.offset;
  }
  host.RefCpld.map = nullptr;
  host.Lo0Cpld.map = nullptr;
  host.Lo1Cpld.map = nullptr;
}

TEST_F(HostRegMap, AFailingBlockDoesNotStopThePass) {
  // An accessor whose window ends before board control: that block's
  // writes fail, the blocks after it are still written.
  vllym::IoAccessorMappedPci shortWindow{0x1000, kBar0BusAddress + kWindow, board.bar0().mappedAddress() + kWindow, 0};
  tHostRegMap clipped{&shortWindow};
  clipped.flushRegMap(false, status);
  EXPECT_TRUE(status.isFatal());
  EXPECT_EQ(writtenAddresses(), (std::vector<uint64_t>{0x100, 0x104, 0x108, 0x204, 0x208, 0x20C, 0x210, 0x214, 0x21C,
                                                       0x220, 0x230, 0x00C}));
  EXPECT_TRUE(clipped.BoardControl.RefCardPower.isDirty());
  EXPECT_FALSE(clipped.PrivateEndpoint.CoreBrdRegMap.CoreBrdWord3.isDirty());
}

TEST_F(HostRegMap, DestructionReleasesTheAttachmentBuffers) {
  const int64_t before = sim::Memory::outstandingBlocks();
  auto* owned = new tHostRegMap(&fixedLogic);
  owned->RefCpld.buffer = new uint8_t[32];
  owned->Lo1Cpld.buffer = new uint8_t[8];
  ASSERT_EQ(sim::Memory::outstandingBlocks(), before + 3);
  EXPECT_EQ(owned->Lo0Cpld.buffer, nullptr);
  delete owned;
  EXPECT_EQ(sim::Memory::outstandingBlocks(), before);
}

TEST_F(HostRegMap, RegistersItselfAndItsBlocksUnderTheirNamesInOrder) {
  armki::ARMDispatcher dispatcher;
  host.registerMaps(dispatcher, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(dispatcher.getNumberOfRegistrations(), uint64_t{tHostRegMap::kRegistrationCount});
  vlhtl::BasicString<char> list;
  dispatcher.getRegistrationList(list, status);
  EXPECT_EQ(std::string(list.c_str()),
            "HostRegMap\tBoardControl\tRefCpldConfig\tRefRegPortInterfaceRegMap\tRefEndpointRegMap\t"
            "Lo0CpldConfig\tLo0RegPortInterfaceRegMap\tLo0EndpointRegMap\tLo1CpldConfig\t"
            "Lo1RegPortInterfaceRegMap\tLo1EndpointRegMap\tRoutingRegs\tPrivateEndpoint\tJtagInterfaceRegMap\t"
            "PrivateRegMap\tCoreBrdRegMap");

  const std::vector<std::pair<const char*, arm::tRegisterMapInterface*>> expected = {
      {"HostRegMap", &host},
      {"Lo0EndpointRegMap", &host.Lo0CpldConfig.EndpointRegMap},
      {"RefRegPortInterfaceRegMap", &host.RefCpldConfig.RegPortInterfaceRegMap},
      {"CoreBrdRegMap", &host.PrivateEndpoint.CoreBrdRegMap},
  };
  for (const auto& [name, map] : expected) {
    arm::tRegisterMapInterface* found = nullptr;
    dispatcher.getRegistration(name, &found, status, nullptr);
    EXPECT_EQ(found, map) << name;
  }
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(HostRegMap, RegistrationAfterAFailureRegistersNothing) {
  armki::ARMDispatcher dispatcher;
  status.setCode(-52010, VL_SITE);
  host.registerMaps(dispatcher, status);
  EXPECT_EQ(dispatcher.getNumberOfRegistrations(), 0u);
  EXPECT_EQ(status.getCode(), -52010);
}

}  // namespace
