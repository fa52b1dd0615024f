// The flash controller over the board model: the paged window, byte access
// at odd and even addresses, erase before program, busy-wait verification
// in virtual time, and the two-copy updates of the POSC record and the
// capability list.
#include <cstring>

#include "driver/flash/CapabilityChain.h"
#include "sim/board/FlashImage.h"
#include "tests/flash/FlashRig.h"

namespace {

using namespace vltest;
using nVL9738K_24_0::CapabilityChain;
using sim::FlashLayout;
using sim::NorFlash;
using Kind = NorFlash::Operation::Kind;

constexpr int64_t kBadSelector = nVLAPALS100::kStatusBadSelector;
constexpr int64_t kMisplaced = nVLAPALS100::kStatusContentMisplaced;
constexpr int64_t kOutOfRange = nVLAPALS100::kStatusValueOutOfRange;

uint64_t nowNs() { return sim::Clock::instance().nowNs(); }

class Controller : public testing::Test {
 protected:
  std::vector<sim::BusAccess> pageWrites() {
    std::vector<sim::BusAccess> writes;
    for (const sim::BusAccess& access : rig.board.bar0().traffic()) {
      if (access.kind == sim::BusAccess::Kind::Write && access.offset == 0xE0) writes.push_back(access);
    }
    return writes;
  }
  std::vector<NorFlash::Operation> operations() { return rig.flash().recordedOperations(); }

  FlashRig rig;
  OVCalEEPROMController& controller = *rig.controller;
  tStatus status{tStatus::kFullSize};
};

TEST_F(Controller, PageRegisterTakesTheUpperAddressBitsKeepsItsLowByteAndIsWrittenOnlyOnChange) {
  EXPECT_EQ(controller.getPageShift(), 16u);
  rig.core.ConfPortWindowControl[0].setValue(0x5A5A5AA5, status);
  rig.core.ConfPortWindowControl[0].flush(status, false);
  rig.flash().load32(0x212346, 0xBEEF);
  rig.board.bar0().clearTraffic();
  uint8_t bytes[2] = {};
  controller.readBytes(0x12346, 2, bytes, status);
  controller.readBytes(0x12000, 2, bytes, status);
  ASSERT_EQ(status.getCode(), 0);
  const auto writes = pageWrites();
  ASSERT_EQ(writes.size(), 1u) << "the second read stays on the page";
  EXPECT_EQ(writes[0].value, 0x002100A5u);
  const auto traffic = rig.board.bar0().traffic();
  EXPECT_EQ(traffic[1].offset, rig.window.offset + 0x2346u);
  EXPECT_EQ(traffic[1].width, 2u);

  rig.core.ConfPortWindowControl[0].accessible = 0;
  controller.readBytes(0x50000, 2, bytes, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusNotAccessible);
}

TEST_F(Controller, ReadsAndProgramsAtOddAndEvenAddressesAndLengths) {
  rig.flash().recordOperations(true);
  controller.writeWithoutErase(Bytes{0x11, 0x22, 0x33}.data(), 0x101, 3, status);
  ASSERT_EQ(status.getCode(), 0);
  const auto programs = operations();
  ASSERT_EQ(programs.size(), 2u);
  EXPECT_EQ(programs[0].address, rig.storeByte(0x100));
  EXPECT_EQ(programs[0].value, 0x11FF);
  EXPECT_EQ(programs[1].address, rig.storeByte(0x102));
  EXPECT_EQ(programs[1].value, 0x3322);

  const Bytes data = pattern(9, 0x40);
  rig.flash().load(rig.storeByte(0x1000), data.data(), data.size());
  for (uint32_t start = 0; start < 3; ++start) {
    for (uint32_t length = 0; length + start <= data.size(); ++length) {
      Bytes read(length + 1, 0xEE);
      controller.read(read.data(), 0x1000 + start, length, status);
      Bytes expected(data.begin() + start, data.begin() + start + length);
      expected.push_back(0xEE);
      EXPECT_EQ(read, expected) << start << "+" << length;
    }
  }
  EXPECT_EQ(status.getCode(), 0);
  uint8_t untouched = 0xEE;
  rig.board.bar0().clearTraffic();
  controller.readBytes(0x1001, 0, &untouched, status);
  EXPECT_EQ(untouched, 0xEE) << "nothing to read stores nothing";
  EXPECT_TRUE(rig.board.bar0().traffic().empty());
  controller.readBytes(0, 4, nullptr, status);
  EXPECT_EQ(status.getCode(), kBadSelector);
}

TEST_F(Controller, WriteWithEraseErasesEveryTouchedSectorBeforeTheFirstWord) {
  rig.flash().recordOperations(true);
  controller.writeWithErase(pattern(4, 1).data(), 0x1FFFE, 4, status);
  ASSERT_EQ(status.getCode(), 0);
  const auto ops = operations();
  ASSERT_EQ(ops.size(), 4u);
  EXPECT_EQ(ops[0].kind, Kind::Erase);
  EXPECT_EQ(ops[0].address, rig.storeByte(0x10000));
  EXPECT_EQ(ops[1].kind, Kind::Erase);
  EXPECT_EQ(ops[1].address, rig.storeByte(0x20000));
  EXPECT_EQ(rig.flash().contents(rig.storeByte(0x1FFFE), 4), pattern(4, 1));

  controller.eraseSector(0x20, status);
  EXPECT_EQ(status.getCode(), 0);
  controller.eraseSector(0x1F, status);
  EXPECT_EQ(status.getCode(), kBadSelector) << "the part below the store is not erased through the store";
}

TEST_F(Controller, VerificationPollsInVirtualTimeAndStuckBitsTimeOut) {
  const uint64_t erase = nowNs();
  controller.eraseSector(0x30, status);
  const uint64_t erased = nowNs() - erase;
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_GE(erased, 500'000'000u);
  EXPECT_LT(erased, 1'000'000'000u) << "an instant erase matches at the first 500 ms poll";

  rig.flash().setStuckBits(0x310000, 0x0100, 0);
  const uint64_t stuck = nowNs();
  rig.board.bar0().clearTraffic();
  controller.eraseSector(0x31, status);
  EXPECT_EQ(status.getCode(), kOutOfRange);
  EXPECT_GE(nowNs() - stuck, 3'500'000'000u);
  EXPECT_LT(nowNs() - stuck, 4'000'000'000u);
  size_t reads = 0;
  for (const sim::BusAccess& access : rig.board.bar0().traffic()) reads += access.kind == sim::BusAccess::Kind::Read;
  EXPECT_EQ(reads, 7u + 1) << "one read per poll, then one after the deadline";

  tStatus program;
  sim::Clock::instance().setSpinStepNs(1000);
  rig.flash().setProgramTimeNs(100'000);
  const uint64_t start = nowNs();
  controller.writeWithoutErase(Bytes{0x12, 0x34}.data(), 0x40000, 2, program);
  EXPECT_EQ(program.getCode(), 0);
  EXPECT_LT(nowNs() - start, 300'000u) << "a word that reads back returns before the timeout";
  rig.flash().setStuckBits(0x240002, 0x8000, 0x8000);
  controller.writeWithoutErase(Bytes{0x00, 0x00}.data(), 0x40002, 2, program);
  EXPECT_EQ(program.getCode(), kOutOfRange);
}

TEST_F(Controller, GeometryDescribesTheSixMiBStoreAboveTheBaseOffset) {
  qrtk::FlashGeometry g{};
  controller.getGeometry(g, status);
  EXPECT_EQ(std::vector<uint32_t>({g.totalSize, g.sectorSize, g.tableAddressA, g.tableAddressB, g.lastDataAddress,
                                   g.maxTableSize, g.alignment, g.erasedValue}),
            std::vector<uint32_t>({0x600000, 0x10000, 0x5F0000, 0x5E0000, 0x5DFFFF, 0xFFFC, 2, 0xFF}));
  EXPECT_TRUE(g.isValid());
}

TEST_F(Controller, ProgramSubsystemIdRewritesBothCopiesAndLeavesTheFlag) {
  controller.programSubsystemId(0x7A11, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(rig.flash().erases(), 4u);
  EXPECT_EQ(rig.flash().programs(), 65'540u);
  const Bytes copy1 = rig.flash().contents(FlashLayout::kPoscCopy1, 0x10000);
  EXPECT_EQ(copy1, rig.flash().contents(FlashLayout::kPoscCopy2, 0x10000));
  EXPECT_EQ(copy1[14] | copy1[15] << 8, 0x7A11);
  EXPECT_EQ(rig.flash().peek32(FlashLayout::kPoscSelect), 0u);
  EXPECT_EQ(controller.getBaseOffset(), OVCalEEPROMController::kStoreBaseOffset);
}

// Directory damage is found before anything is erased; the base offset
// comes back on every path.
TEST_F(Controller, MisplacedRecordsAreRefusedBeforeAnyErase) {
  const struct {
    const char* what;
    uint32_t word;
    uint32_t value;
    bool capabilities;
  } cases[] = {
      {"POSC flag off a sector start", 0, FlashLayout::kPoscSelect + 8, false},
      {"POSC copy 2 (the one written first) off a sector start", 2, FlashLayout::kPoscCopy2 + 0x100, false},
      {"capability copy 2 off a sector start", 5, FlashLayout::kCapabilityCopy2 + 0x100, true},
      {"capability flag past the last word of its sector", 3, FlashLayout::kCapabilitySelect + 0xFFFE, true},
  };
  for (const auto& c : cases) {
    FlashRig fresh;
    fresh.flash().load32(4 * c.word, c.value);
    tStatus s;
    if (c.capabilities) {
      fresh.controller->writeSerialNumber(1, 2, s);
    } else {
      fresh.controller->programSubsystemId(1, s);
    }
    EXPECT_EQ(s.getCode(), kMisplaced) << c.what;
    EXPECT_EQ(fresh.flash().erases(), 0u) << c.what;
    EXPECT_EQ(fresh.controller->getBaseOffset(), OVCalEEPROMController::kStoreBaseOffset) << c.what;
  }
}

TEST_F(Controller, CapabilityUpdateWritesBothCopiesAndTheFlagSectorTwice) {
  const Bytes blob = pattern(40, 9);
  controller.writeDeviceSpecificCapabilities(blob.data(), 40, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(rig.flash().erases(), 4u);
  EXPECT_EQ(rig.flash().programs(), 131'072u);
  EXPECT_EQ(rig.flash().sectorErases(FlashLayout::kCapabilitySelect >> 16), 2u);
  const Bytes copy1 = rig.flash().contents(FlashLayout::kCapabilityCopy1, 0x10000);
  EXPECT_EQ(copy1, rig.flash().contents(FlashLayout::kCapabilityCopy2, 0x10000));
  tStatus walk;
  const uint32_t at = CapabilityChain::find(copy1.data(), 0x10000, CapabilityChain::kDeviceSpecific, walk);
  EXPECT_EQ(Bytes(copy1.begin() + at + 4, copy1.begin() + at + 44), blob);
  EXPECT_EQ(rig.flash().peek32(FlashLayout::kCapabilitySelect), 0u);

  controller.writeSerialNumber(0x89ABCDEF, 0x01234567, status);
  const Bytes copy2 = rig.flash().contents(FlashLayout::kCapabilityCopy2, 0x10000);
  const uint32_t serial = CapabilityChain::find(copy2.data(), 0x10000, CapabilityChain::kSerialNumber, walk);
  EXPECT_EQ(CapabilityChain::load32(copy2.data() + serial + 4), 0x89ABCDEFu);
  EXPECT_EQ(CapabilityChain::load32(copy2.data() + serial + 8), 0x01234567u);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(Controller, CapabilityUpdateRefusesWhatDoesNotFitAndStopsOnAFailedCopy) {
  const Bytes big(0x10000, 0);
  controller.writeDeviceSpecificCapabilities(big.data(), static_cast<uint32_t>(big.size()), status);
  EXPECT_EQ(status.getCode(), kMisplaced);

  // A serial number record in the last word of the sector: its body would
  // lie past the buffer.
  std::vector<uint8_t> chain(0x10000, 0xFF);
  CapabilityChain::store32(chain.data(), sim::FlashImage::header(1, 0xFFFC, 0));
  CapabilityChain::store32(chain.data() + 0xFFFC, sim::FlashImage::header(4, 0, 0));
  rig.flash().load(FlashLayout::kCapabilityCopy1, chain.data(), chain.size());
  tStatus serial;
  controller.writeSerialNumber(1, 2, serial);
  EXPECT_EQ(serial.getCode(), kMisplaced);
  EXPECT_EQ(rig.flash().erases(), 0u);

  FlashRig stuck;
  stuck.flash().setStuckBits(FlashLayout::kCapabilityCopy2 + 0x100, 1, 0);
  const Bytes blob = pattern(8, 1);
  tStatus failed;
  stuck.controller->writeDeviceSpecificCapabilities(blob.data(), 8, failed);
  EXPECT_EQ(failed.getCode(), kOutOfRange);
  EXPECT_EQ(stuck.flash().sectorErases(FlashLayout::kCapabilitySelect >> 16), 0u) << "the flag never moved";
}

// The chain as the controller walks it inside one sector buffer.
TEST(CapabilityChainWalk, FollowsEveryPointerTypeAndStopsOnBadOrEndlessChains) {
  const struct {
    const char* what;
    std::vector<std::pair<uint32_t, uint32_t>> words;
    uint32_t found;
    int64_t code;
  } cases[] = {
      {"type 2 with 0x10 at 0x20 leads to 0x30",
       {{0, sim::FlashImage::header(9, 0x20, 0)},
        {0x20, sim::FlashImage::header(9, 0x10, 2)},
        {0x30, sim::FlashImage::header(1, 0, 0)}},
       0x30,
       0},
      {"type 1 takes its upper half from the word before",
       {{0, sim::FlashImage::header(9, 0x100, 0)},
        {0xFC, 0},
        {0x100, sim::FlashImage::header(9, 0x200, 1)},
        {0x200, sim::FlashImage::header(1, 0, 0)}},
       0x200,
       0},
      {"type 1 at offset 0", {{0, sim::FlashImage::header(9, 0x40, 1)}}, 0, kOutOfRange},
      {"type 3", {{0, sim::FlashImage::header(9, 0x40, 3)}}, 0, kOutOfRange},
      {"a chain that ends", {{0, sim::FlashImage::header(9, 0, 0)}}, 0, nVLAPALS100::kStatusNotAccessible},
      {"a chain that points back",
       {{0, sim::FlashImage::header(9, 0x40, 0)}, {0x40, sim::FlashImage::header(9, 0, 2)}},
       0,
       kOutOfRange},
      {"a walk that leaves the sector",
       {{0, sim::FlashImage::header(9, 0x40, 0)}, {0x3C, 0x00010000}, {0x40, sim::FlashImage::header(9, 0, 1)}},
       0,
       kOutOfRange},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> sector(0x10000, 0);
    for (const auto& [at, word] : c.words) CapabilityChain::store32(sector.data() + at, word);
    tStatus status;
    const uint32_t found = CapabilityChain::find(sector.data(), 0x10000, 1, status);
    EXPECT_EQ(status.getCode(), c.code) << c.what;
    EXPECT_EQ(found, c.found) << c.what;
  }
}

}  // namespace
