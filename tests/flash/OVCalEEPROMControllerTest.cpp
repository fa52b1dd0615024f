// The flash controller over the board model: the paged window, byte access
// at odd and even addresses, erase before program, busy-wait verification
// in virtual time, and the two-copy updates below the store.
#include <algorithm>

#include "driver/flash/CapabilityChain.h"
#include "sim/board/FlashImage.h"
#include "tests/flash/FlashRig.h"

namespace {

using namespace vltest;
using nVL9738K_24_0::CapabilityChain;
using sim::FlashImage;
using sim::FlashLayout;
using Kind = sim::NorFlash::Operation::Kind;

constexpr int64_t kMisplaced = nVLAPALS100::kStatusContentMisplaced;
constexpr int64_t kOutOfRange = nVLAPALS100::kStatusValueOutOfRange;

uint64_t nowNs() { return sim::Clock::instance().nowNs(); }

class Controller : public testing::Test {
 protected:
  FlashRig rig;
  OVCalEEPROMController& controller = *rig.controller;
  tStatus status{tStatus::kFullSize};
};

TEST_F(Controller, PageRegisterTakesTheUpperAddressBitsKeepsItsLowByteAndIsWrittenOnlyOnChange) {
  rig.core.ConfPortWindowControl[0].setValue(0x5A5A5AA5, status);
  rig.core.ConfPortWindowControl[0].flush(status, false);
  rig.board.bar0().startRecording();
  uint8_t bytes[4] = {};
  controller.readBytes(0x12346, 2, bytes, status);
  const auto traffic = rig.board.bar0().traffic();
  controller.readBytes(0x12000, 4, bytes, status);
  ASSERT_EQ(traffic.size(), 2u);
  EXPECT_EQ(traffic[0].value, 0x002100A5u);
  EXPECT_EQ(traffic[1].offset, rig.window.offset + 0x2346u);
  EXPECT_EQ(rig.board.bar0().traffic().size(), 5u) << "the next read writes its page once, its second word stays";
  // The next operation writes its page though the board moved the register behind the shadow.
  rig.board.bar0().mmioWrite(sim::Bridge::kFlashWindowPage, 4, 0);
  rig.flash().load(rig.storeByte(0x12000), Bytes{0x5C, 0x3D}.data(), 2);
  controller.readBytes(0x12000, 2, bytes, status);
  EXPECT_EQ(Bytes(bytes, bytes + 2), (Bytes{0x5C, 0x3D}));
  rig.core.ConfPortWindowControl[0].accessible = 0;
  controller.readBytes(0x50000, 2, bytes, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusNotAccessible);
}

TEST_F(Controller, ReadsAndProgramsAtOddAndEvenAddressesAndLengths) {
  rig.flash().recordOperations(true);
  controller.writeWithoutErase(Bytes{0x11, 0x22, 0x33}.data(), 0x101, 3, status);
  const auto ops = rig.flash().recordedOperations();
  ASSERT_EQ(ops.size(), 2u);
  EXPECT_EQ(std::vector<uint64_t>({ops[0].address, ops[0].value, ops[1].address, ops[1].value}),
            std::vector<uint64_t>({rig.storeByte(0x100), 0x11FF, rig.storeByte(0x102), 0x3322}));
  const Bytes data = pattern(7, 0x40);
  rig.flash().load(rig.storeByte(0x1000), data.data(), data.size());
  for (uint32_t start = 0; start < 3; ++start) {
    for (uint32_t length = 0; length + start <= data.size(); ++length) {
      Bytes read(length + 1, 0xEE);
      controller.read(read.data(), 0x1000 + start, length, status);
      Bytes expected(data.begin() + start, data.begin() + start + length);
      expected.push_back(0xEE);
      EXPECT_EQ(read, expected) << start << "+" << length << ": nothing stored past the length, not even for 0";
    }
  }
  controller.readBytes(0, 4, nullptr, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusBadSelector);
}

TEST_F(Controller, WriteWithEraseErasesEveryTouchedSectorFirstButNeverBelowTheStore) {
  rig.flash().recordOperations(true);
  controller.writeWithErase(pattern(4, 1).data(), 0x1FFFE, 4, status);
  const auto ops = rig.flash().recordedOperations();
  ASSERT_EQ(ops.size(), 4u);
  EXPECT_TRUE(ops[0].kind == Kind::Erase && ops[1].kind == Kind::Erase && ops[1].address == rig.storeByte(0x20000));
  EXPECT_EQ(rig.flash().contents(rig.storeByte(0x1FFFE), 4), pattern(4, 1));
  controller.eraseSector(0x20, status);
  EXPECT_EQ(status.getCode(), 0);
  controller.eraseSector(0x1F, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusBadSelector);
}

TEST_F(Controller, VerificationPollsInVirtualTimeAndStuckBitsTimeOut) {
  uint64_t start = nowNs();
  controller.eraseSector(0x30, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_GE(nowNs() - start, 500'000'000u);
  EXPECT_LT(nowNs() - start, 1'000'000'000u) << "an instant erase matches at the first 500 ms poll";
  rig.flash().setStuckBits(0x310000, 0x0100, 0);
  rig.board.bar0().startRecording();
  start = nowNs();
  controller.eraseSector(0x31, status);
  EXPECT_EQ(status.getCode(), kOutOfRange);
  EXPECT_GE(nowNs() - start, 3'500'000'000u);
  const auto bus = rig.board.bar0().traffic();
  EXPECT_EQ(std::count_if(bus.begin(), bus.end(), [](auto& a) { return a.kind == sim::BusAccess::Kind::Read; }), 7 + 1)
      << "a read per poll, then one after the deadline";

  tStatus program;
  sim::Clock::instance().setSpinStepNs(1000);
  rig.flash().setProgramTimeNs(100'000);
  start = nowNs();
  controller.writeWithoutErase(Bytes{0x12, 0x34}.data(), 0x40000, 2, program);
  EXPECT_LT(nowNs() - start, 300'000u) << "a word that reads back returns before the timeout";
  rig.flash().setStuckBits(0x240002, 0x8000, 0x8000);
  controller.writeWithoutErase(Bytes{0x00, 0x00}.data(), 0x40002, 2, program);
  EXPECT_EQ(program.getCode(), kOutOfRange);
  tStatus blank;  // all ones takes no program, and cannot undo one
  controller.writeWithoutErase(Bytes{0xFF, 0xFF, 0xFF, 0xFF}.data(), 0x40000, 4, blank);
  EXPECT_EQ(std::pair(blank.getCode(), rig.flash().peek32(0x240000) & 0xFFFF), std::pair(kOutOfRange, 0x3412u));
}

// What both copies hold is the module's programming test; here, each
// update's erases and programs and where the chain takes the blob.
TEST_F(Controller, UpdatesRewriteBothCopiesAndLeaveTheFlag) {
  auto written = [&](uint32_t at) {  // both copies' programs: a word left all ones takes none
    const Bytes sector = rig.flash().contents(at, 0x10000);
    uint64_t words = 0;
    for (size_t i = 0; i < sector.size(); i += 2) words += (sector[i] & sector[i + 1]) != 0xFF;
    return 2 * words;
  };
  controller.programSubsystemId(0x7A11, status);
  const uint64_t posc = written(FlashLayout::kPoscCopy1) + 4;
  EXPECT_EQ(std::pair(rig.flash().erases(), rig.flash().programs()), std::pair(uint64_t{4}, posc));

  const Bytes blob = pattern(40, 9);
  controller.writeDeviceSpecificCapabilities(blob.data(), 40, status);
  const uint64_t list = written(FlashLayout::kCapabilityCopy1) + written(FlashLayout::kCapabilitySelect & ~0xFFFFu);
  EXPECT_EQ(std::pair(rig.flash().erases(), rig.flash().programs()), std::pair(uint64_t{8}, posc + list));
  const Bytes chain = rig.flash().contents(FlashLayout::kCapabilityCopy1, 0x10000);
  const uint32_t at = CapabilityChain::find(chain.data(), 0x10000, CapabilityChain::kDeviceSpecific, status);
  EXPECT_EQ(Bytes(chain.begin() + at + 4, chain.begin() + at + 44), blob);
  EXPECT_EQ(rig.flash().peek32(FlashLayout::kPoscSelect) | rig.flash().peek32(FlashLayout::kCapabilitySelect), 0u);
  EXPECT_EQ(status.getCode(), 0);
}

// Damage is found before anything is erased; the base offset comes back
// on every path.
TEST_F(Controller, MisplacedOrOversizedRecordsAreRefusedBeforeAnyErase) {
  Bytes lastWord(0x10000, 0xFF);  // a serial number whose body would pass the sector end
  CapabilityChain::store32(lastWord.data(), FlashImage::header(1, 0xFFFC, 0));
  CapabilityChain::store32(lastWord.data() + 0xFFFC, FlashImage::header(4, 0, 0));
  const struct {
    const char* what;
    uint32_t at, value;
    bool capabilities;
  } cases[] = {
      {"POSC flag off a sector start", 0, FlashLayout::kPoscSelect + 8, false},
      {"POSC copy 2 (written first) off a sector start", 8, FlashLayout::kPoscCopy2 + 0x100, false},
      {"capability copy 2 off a sector start", 20, FlashLayout::kCapabilityCopy2 + 0x100, true},
      {"capability flag past the last word of its sector", 12, FlashLayout::kCapabilitySelect + 0xFFFE, true},
      {"serial number body past the sector", 0, FlashLayout::kPoscSelect, true},
  };
  for (const auto& c : cases) {
    FlashRig fresh;
    fresh.flash().load32(c.at, c.value);
    fresh.flash().load(FlashLayout::kCapabilityCopy1, lastWord.data(), lastWord.size());
    tStatus s;
    c.capabilities ? fresh.controller->writeSerialNumber(1, 2, s) : fresh.controller->programSubsystemId(1, s);
    EXPECT_EQ(s.getCode(), kMisplaced) << c.what;
    EXPECT_EQ(fresh.flash().erases(), 0u) << c.what;
    EXPECT_EQ(fresh.controller->getBaseOffset(), OVCalEEPROMController::kStoreBaseOffset) << c.what;
  }
  const Bytes big(0xFFF0, 0);
  controller.writeDeviceSpecificCapabilities(big.data(), static_cast<uint32_t>(big.size()), status);
  EXPECT_EQ(status.getCode(), kMisplaced);
  rig.flash().setStuckBits(FlashLayout::kCapabilityCopy2 + 0x100, 1, 0);
  tStatus failed;
  controller.writeDeviceSpecificCapabilities(big.data(), 8, failed);
  EXPECT_EQ(failed.getCode(), kOutOfRange);
  EXPECT_EQ(rig.flash().sectorErases(FlashLayout::kCapabilitySelect >> 16), 0u) << "the flag never moved";
}

TEST(CapabilityChainWalk, FollowsEveryPointerTypeAndStopsOnBadOrEndlessChains) {
  const auto h = FlashImage::header;
  const struct {
    const char* what;
    std::vector<std::pair<uint32_t, uint32_t>> words;
    uint32_t found;
    int64_t code;
  } cases[] = {
      {"type 2 with 0x10 at 0x20 leads to 0x30",
       {{0, h(9, 0x20, 0)}, {0x20, h(9, 0x10, 2)}, {0x30, h(1, 0, 0)}},
       0x30,
       0},
      {"type 1 takes its upper half from the word before",
       {{0, h(9, 0x100, 0)}, {0xFC, 0}, {0x100, h(9, 0x200, 1)}, {0x200, h(1, 0, 0)}},
       0x200,
       0},
      {"type 1 at offset 0", {{0, h(9, 0x40, 1)}}, 0, kOutOfRange},
      {"type 3", {{0, h(9, 0x40, 3)}}, 0, kOutOfRange},
      {"a chain that ends", {{0, h(9, 0, 0)}}, 0, nVLAPALS100::kStatusNotAccessible},
      {"a chain that points back", {{0, h(9, 0x40, 0)}, {0x40, h(9, 0, 2)}}, 0, kOutOfRange},
      {"a walk that leaves the sector", {{0, h(9, 0x40, 0)}, {0x3C, 0x10000}, {0x40, h(9, 0, 1)}}, 0, kOutOfRange},
  };
  for (const auto& c : cases) {
    Bytes sector(0x10000, 0);
    for (const auto& [at, word] : c.words) CapabilityChain::store32(sector.data() + at, word);
    tStatus status;
    EXPECT_EQ(CapabilityChain::find(sector.data(), 0x10000, 1, status), c.found) << c.what;
    EXPECT_EQ(status.getCode(), c.code) << c.what;
  }
}

}  // namespace
