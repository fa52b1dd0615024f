// Adding a board to the packaged module the whole road: identity check,
// device start and bring-up on the board model, the two interfaces, the
// property lists and the add events, and what a failure at each step
// leaves behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

#include "sim/board/CapabilitiesBlock.h"
#include "tests/support/BoardRig.h"

namespace vltest {
namespace {

constexpr int32_t kBadSelector = -51150;      // the kernel layer's code for -52003
constexpr int32_t kOutOfMemory = -51352;      // -52000
constexpr int32_t kPlatformFailure = -51202;  // -52008

// The writes to the board's own blocks and to each CPLD's setup word; the
// chips' own traffic through the CPLD windows is left out.
std::vector<std::pair<uint64_t, uint32_t>> offsetsAndValues(const std::vector<sim::FixedLogic::TimedWrite>& writes) {
  std::vector<std::pair<uint64_t, uint32_t>> pairs;
  for (const auto& write : writes) {
    const unsigned cpld = sim::CpldAuxModel::cpldAt(write.offset);
    if (cpld != sim::CpldAuxModel::kCount &&
        write.offset != sim::CpldAuxModel::kWindow[cpld] + sim::CpldAuxModel::kSetup) {
      continue;
    }
    pairs.emplace_back(write.offset, write.value);
  }
  return pairs;
}

uint64_t timeOf(const std::vector<sim::FixedLogic::TimedWrite>& writes, uint64_t offset, uint32_t value) {
  for (const auto& write : writes) {
    if (write.offset == offset && write.value == value) return write.ns;
  }
  ADD_FAILURE() << "no write of " << value << " to " << offset;
  return 0;
}

TEST(ModuleAddDevice, BringsTheBoardUpInTheHardwaresOrderAndPublishesIt) {
  const int64_t before = sim::Memory::outstandingBlocks();
  {
    BoardRig rig;
    ASSERT_TRUE(rig.module().registered());
    ASSERT_EQ(rig.add(), 0);
    ASSERT_NE(rig.device(), nullptr);
    EXPECT_TRUE(rig.board().bridge().fpgaLoader().programmed());

    const auto writes = rig.powerUpWrites();
    const std::vector<std::pair<uint64_t, uint32_t>> expected = {
        {0x1008, 0x3},   {0x1000, 0x22},  {0x204, 0x1000}, {0x204, 0x1100},   {0x1000, 0x462}, {0x1000, 0x4462},
        {0x2008, 0x105}, {0x4010, 0x1},   {0x2008, 0x1},   {0x1004, 0x66666}, {0x2108, 0x105}, {0x8010, 0x1},
        {0x2108, 0x1},   {0x2208, 0x105}, {0xC010, 0x1},   {0x2208, 0x1},     {0x208, 0x1},    {0x220, 0x0}};
    EXPECT_EQ(offsetsAndValues(writes), expected);
    EXPECT_GE(timeOf(writes, 0x1000, 0x4462) - timeOf(writes, 0x1000, 0x462), 260'000'000u);
    EXPECT_GE(timeOf(writes, 0x2008, 0x105) - timeOf(writes, 0x1000, 0x4462), 200'000'000u);
    EXPECT_GE(timeOf(writes, 0x4010, 0x1) - timeOf(writes, 0x2008, 0x105), 1'000'000u);
    for (unsigned cpld = 0; cpld < 3; ++cpld) EXPECT_TRUE(rig.board().fixedLogic().cpldLinkUp(cpld)) << cpld;
    // The reference clock's chips were programmed once its link was up.
    EXPECT_TRUE(rig.board().fixedLogic().refCpld().pllLocked());

    const auto interfaces = sim::DeviceRegistry::interfaces();
    ASSERT_EQ(interfaces.size(), 2u);
    EXPECT_EQ(interfaces[0].name, "vl9738_vl9738k");
    EXPECT_EQ(interfaces[1].name, "vl9738_atomiclymddkqrt");
    for (const auto& interface : interfaces) EXPECT_TRUE(interface.announced) << interface.name;

    const auto properties = rig.deviceProperties();
    const std::vector<uint8_t> slot = {5, 0, 0, 0};  // the board model's chassis slot
    std::vector<std::pair<std::string, std::vector<uint8_t>>> published;
    for (const auto& property : properties) published.emplace_back(property.name, property.value);
    const auto text = [](const char* value) { return std::vector<uint8_t>(value, value + std::strlen(value) + 1); };
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> six = {
        {"serialNumber", text("1D2C3B4")},        {"pxiGeographicAddress", slot},
        {"manufacturerName", text("Velmora")},    {"modelName", text("VL PXIe-9738")},
        {"lymProductName", text("VL PXIe-9738")}, {"lymFpgaTargetClass", text("PXIe-9738")}};
    EXPECT_EQ(published, six);

    ASSERT_TRUE(rig.records().logged);
    EXPECT_THAT(rig.records().codes, testing::Each(0));

    rig.remove();
    EXPECT_TRUE(sim::DeviceRegistry::properties().empty());
    EXPECT_EQ(sim::DeviceRegistry::unregisteredInterfaces().size(), 2u);
    EXPECT_EQ(sim::DeviceRegistry::strayUnregistrations(), 0u);
  }
  EXPECT_EQ(sim::Memory::outstandingBlocks(), before);
}

// A copy of the module whose stored FPGA image is damaged by `damage`.
std::string damagedModule(void (*damage)(std::vector<char>& bytes, size_t header)) {
  std::ifstream in(sim::Module::defaultPath(), std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The stored layout: magic, four zero bytes, the size 1,485,329.
  const char header[16] = {'L', 'Z', '4', 0, 0, 0, 0, 0, 0x11, static_cast<char>(0xAA), 0x16, 0, 0, 0, 0, 0};
  const auto found = std::search(bytes.begin(), bytes.end(), header, header + sizeof header);
  if (found == bytes.end()) return "";
  damage(bytes, static_cast<size_t>(found - bytes.begin()));
  // One file per process: a module rewritten while another test maps it
  // would fault under that test.
  const std::string path = testing::TempDir() + "vl9738k-damaged-image-" + std::to_string(getpid()) + ".so";
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

// An add device that is refused: a wrong identity or a damaged image
// before the FPGA is touched, a refused second interface after it.
struct Refusal {
  const char* name;
  int32_t code;
  void (*identity)(sim::BoardOptions&) = nullptr;
  void (*damage)(std::vector<char>& bytes, size_t header) = nullptr;
  bool failSecondInterface = false;
};

class RefusedAdd : public testing::TestWithParam<Refusal> {};

// The refused registration takes the first interface back exactly once: the
// device's removal that follows must not unregister it again.
TEST_P(RefusedAdd, LeavesNothingAllocatedRegisteredOrAnnounced) {
  const Refusal& refusal = GetParam();
  sim::BoardOptions options;
  if (refusal.identity) refusal.identity(options);
  const std::string path = refusal.damage ? damagedModule(refusal.damage) : sim::Module::defaultPath();
  ASSERT_FALSE(path.empty()) << "the module carries no image";
  const int64_t before = sim::Memory::outstandingBlocks();
  {
    BoardRig rig(options, path);
    ASSERT_TRUE(rig.module().registered()) << sim::Module::lastError();
    const int64_t loaded = sim::Memory::outstandingBlocks();
    if (refusal.failSecondInterface) sim::DeviceRegistry::interfaceRegistrationFaults().failNth(2, 0);
    int context = 0;
    EXPECT_EQ(rig.add(&context), refusal.code);
    EXPECT_EQ(rig.device(), nullptr);
    EXPECT_EQ(sim::Memory::outstandingBlocks(), loaded);
    if (!refusal.failSecondInterface) {
      EXPECT_EQ(rig.board().bridge().fpgaLoader().starts(), 0u);
    }
    EXPECT_EQ(sim::DeviceRegistry::unregisteredInterfaces().size(), refusal.failSecondInterface ? 1u : 0u);
    EXPECT_EQ(sim::DeviceRegistry::strayUnregistrations(), 0u);
    EXPECT_TRUE(sim::DeviceRegistry::interfaces().empty());
    EXPECT_TRUE(sim::DeviceRegistry::properties().empty());
  }
  EXPECT_EQ(sim::Memory::outstandingBlocks(), before);
}

INSTANTIATE_TEST_SUITE_P(
    IdentitiesImagesAndInterfaces, RefusedAdd,
    testing::Values(
        Refusal{"VendorId", kBadSelector, [](sim::BoardOptions& o) { o.vendorId ^= 0x0100; }},
        Refusal{"DeviceId", kBadSelector, [](sim::BoardOptions& o) { o.deviceId ^= 0x0100; }},
        Refusal{"SubsystemVendorId", kBadSelector, [](sim::BoardOptions& o) { o.subsystemVendorId ^= 0x0100; }},
        Refusal{"SubsystemId", kBadSelector, [](sim::BoardOptions& o) { o.subsystemId ^= 0x0100; }},
        // The stated size one short of the bitstream.
        Refusal{"ImageSizeShort", kPlatformFailure, nullptr, [](std::vector<char>& b, size_t at) { b[at + 8] = 0x10; }},
        Refusal{"ImageMagic", kPlatformFailure, nullptr, [](std::vector<char>& b, size_t at) { b[at + 2] = '5'; }},
        // Literal lengths that run past the end of the block.
        Refusal{"ImageLiteralsPastTheBlock", kPlatformFailure, nullptr,
                [](std::vector<char>& b, size_t at) { std::memset(&b[at + 32 + 4096], 0xFF, 256); }},
        Refusal{"SecondInterface", kOutOfMemory, nullptr, nullptr, true}),
    [](const testing::TestParamInfo<Refusal>& info) { return info.param.name; });

TEST(ModuleAddDevice, AnUnreadableSerialNumberIsPublishedAsAllOnesAndTheBoardStillOpens) {
  sim::BoardOptions options;
  options.flash.capabilities = std::vector<sim::CapabilityRecord>{
      sim::CapabilityRecord::deviceSpecific(sim::CapabilitiesBlock::factoryDefault())};
  BoardRig rig(options);
  ASSERT_EQ(rig.add(), 0);
  const auto serial = sim::DeviceRegistry::findProperty(rig.board().pciHandle(), "serialNumber");
  ASSERT_TRUE(serial.has_value());
  EXPECT_EQ(std::string(serial->value.begin(), serial->value.end()), std::string("FFFFFFFF", 9));
  const auto slot = sim::DeviceRegistry::findProperty(rig.board().pciHandle(), "pxiGeographicAddress");
  ASSERT_TRUE(slot.has_value());
  EXPECT_EQ(slot->value, (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_THAT(rig.records().codes, testing::Each(0));
}

struct CpldRevision {
  unsigned cpld;
  uint32_t oldest;
  uint32_t newest;
  uint32_t code;
};

class CpldRevisionOutOfRange : public testing::TestWithParam<CpldRevision> {};

// The LO1 CPLD's revision is not checked: its empty range passes.
TEST_P(CpldRevisionOutOfRange, FailsThePowerUpRecordWithItsVersionCode) {
  BoardRig rig;
  const CpldRevision revision = GetParam();
  rig.board().fixedLogic().cplds().setRevisionRange(revision.cpld, revision.oldest, revision.newest);
  ASSERT_EQ(rig.add(), 0);
  EXPECT_THAT(rig.records().codes, testing::ElementsAre(0, 0, kernelCode(revision.code), 0));
}

INSTANTIATE_TEST_SUITE_P(EachCpld, CpldRevisionOutOfRange,
                         testing::Values(CpldRevision{1, 0x17010101, 0x18060811, 0xBFFA9023},
                                         CpldRevision{0, 0x21120916, 0x22010101, 0xBFFA9025},
                                         CpldRevision{1, 0x19050613, 0x18060812, 0xBFFA9024},
                                         CpldRevision{2, 0x19050613, 0x18060812, 0}));

}  // namespace
}  // namespace vltest
