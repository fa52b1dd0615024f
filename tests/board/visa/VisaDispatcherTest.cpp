// The plug-in dispatcher the whole road: a board model with a 32-bit, an
// I/O, a 64-bit (above 4 GiB) and a second 32-bit window, its BAR words
// recorded as add device records them, and transfers between its windows
// and user buffers, with the bus traffic they made.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <optional>
#include <thread>
#include <tuple>
#include <vector>

#include "driver/board/status/BoardSites.h"
#include "driver/board/visa/PciWindowWords.h"
#include "driver/board/visa/VisaDispatcher.h"
#include "driver/board/visa/VisaStatusCodes.h"
#include "sim/kernel/Memory.h"
#include "sim/kernel/UserMemory.h"
#include "tests/platform/pci/PciTestDevice.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVL9738K_24_0::VisaDispatcher;
using nVLAPALS100::tStatus;
using sim::BoardOptions;
using sim::BusAccess;
using vltest::Site;
using vltest::siteOf;
namespace visa = nVL9738K_24_0::visa;
namespace lines = nVL9738K_24_0::visa::lines;
using Kind = BoardOptions::BarKind;

constexpr uint8_t kIoSpace = 1;
constexpr uint8_t kHighSpace = 2;
constexpr uint8_t kPlainSpace = 4;
constexpr uint8_t kConfigSpace = 6;
constexpr uint64_t kItemsAt = 0x40;

BoardOptions sixWindows(BoardOptions::PciCapabilities capabilities = BoardOptions::PciCapabilities::Listed) {
  BoardOptions options;
  options.barSizes = {0x100000, 0x100, 0x10000, 0x4000};
  options.barKinds = {Kind::Memory32, Kind::Io, Kind::Memory64, Kind::Memory32};
  options.pciCapabilities = capabilities;
  return options;
}

Site dispatcherSite(int64_t code, uint64_t line) { return Site{code, nVL9738K_24_0::sites::kVisaDispatcher, line}; }

class Visa : public testing::Test {
 protected:
  // `reservedType`: a window whose memory-type bits read as reserved.
  explicit Visa(const BoardOptions& options = sixWindows(), int reservedType = -1) : board(options) {
    for (size_t window = 0; window < 4; ++window) board.bar(window).startRecording();
    tStatus status;
    nVLAPAL000::tPCIInformation information = vltest::pciInformationFor(board.description());
    nVL9738K_24_0::recordPciWindowWords(board.description(), information, status);
    if (reservedType >= 0) information.rawWindows[reservedType].value |= 0x2;
    device = new (status, nVLAPAL000::kAllocationKindPlain) vltest::PciTestDevice(information, status);
    device->startBus(0, status);
    dispatcher.emplace(*device, status);
    EXPECT_EQ(status.getCode(), 0);
  }
  // Every test but the one of mapping failures starts on initialised spaces.
  void SetUp() override { ASSERT_EQ(initialize().getCode(), 0); }
  ~Visa() override {
    dispatcher.reset();
    nVLAPAL000::tDevice::onDeleteDevice(device);
  }

  tStatus initialize() {
    tStatus status;
    dispatcher->initialize(status);
    return status;
  }
  tStatus read(uint8_t space, uint64_t offset, uint32_t width, bool increment, sim::UserBlock& buffer, uint64_t count,
               uint32_t mode = 0) {
    tStatus status(tStatus::kFullSize);
    dispatcher->readBlock(descriptor, space, offset, width, increment, buffer.address(), count, mode, status);
    return status;
  }
  tStatus write(uint8_t space, uint64_t offset, uint32_t width, bool increment, sim::UserBlock& buffer, uint64_t count,
                uint32_t mode = 0) {
    tStatus status(tStatus::kFullSize);
    dispatcher->writeBlock(descriptor, space, offset, width, increment, buffer.address(), count, mode, status);
    return status;
  }

  sim::Board board;
  vltest::PciTestDevice* device = nullptr;
  std::optional<VisaDispatcher> dispatcher;
  nVLAPAL000::tEventDescriptor descriptor{nullptr};
};

using SpaceInfo = std::tuple<uint16_t, uint64_t, uint64_t>;

TEST_F(Visa, DescribesTheSixWindowsAndConfigurationSpaceExactly) {
  std::vector<SpaceInfo> spaces;
  for (uint8_t space = 0; space < 7; ++space) {
    SpaceInfo info{9, 9, 9};
    auto& [type, base, size] = info;
    tStatus status(tStatus::kFullSize);
    dispatcher->getSpaceInfo(space, type, base, size, status);
    EXPECT_EQ(status.getCode(), 0);
    spaces.push_back(info);
  }
  EXPECT_GT(board.barPhysicalAddress(2), 0xFFFFFFFFu);
  EXPECT_EQ(spaces, (std::vector<SpaceInfo>{{1, board.barPhysicalAddress(0), 0x100000},
                                            {2, board.barPhysicalAddress(1), 0x100},
                                            {1, board.barPhysicalAddress(2), 0x10000},
                                            {0, 0, 0},
                                            {1, board.barPhysicalAddress(3), 0x4000},
                                            {0, 0, 0},
                                            {3, 0, 4096}}));
}

class VisaWidth : public Visa, public testing::WithParamInterface<std::tuple<uint8_t, uint32_t>> {};

TEST_P(VisaWidth, IncrementingTransfersRoundTripThroughTheWindow) {
  const auto [space, width] = GetParam();
  const size_t window = space == kPlainSpace ? 3 : space == kHighSpace ? 2 : 1;
  sim::UserBlock out(4 * width), in(4 * width);
  for (size_t i = 0; i < out.size(); ++i) out.data()[i] = static_cast<uint8_t>(0xA0 + i);
  ASSERT_EQ(write(space, kItemsAt, width, true, out, 4).getCode(), 0);
  EXPECT_EQ(std::memcmp(board.bar(window).data() + kItemsAt, out.data(), out.size()), 0);
  ASSERT_EQ(read(space, kItemsAt, width, true, in, 4).getCode(), 0);
  EXPECT_EQ(std::vector<uint8_t>(in.data(), in.data() + in.size()),
            std::vector<uint8_t>(out.data(), out.data() + out.size()));
}

INSTANTIATE_TEST_SUITE_P(Widths, VisaWidth,
                         testing::Values(std::tuple{kPlainSpace, 1u}, std::tuple{kPlainSpace, 2u},
                                         std::tuple{kPlainSpace, 4u}, std::tuple{kPlainSpace, 8u},
                                         std::tuple{kHighSpace, 8u}, std::tuple{kHighSpace, 2u},
                                         std::tuple{kIoSpace, 1u}, std::tuple{kIoSpace, 4u}));

TEST_F(Visa, WithoutIncrementEveryItemGoesToTheSameRegister) {
  std::memcpy(board.bar(3).data() + kItemsAt, "\x11\x22\x33\x44", 4);
  sim::UserBlock in(16);
  board.bar(3).startRecording();
  ASSERT_EQ(read(kPlainSpace, kItemsAt, 4, false, in, 4).getCode(), 0);
  EXPECT_EQ(board.bar(3).traffic(),
            std::vector<BusAccess>(4, BusAccess{BusAccess::Kind::Read, kItemsAt, 4, 0x44332211}));
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(in.get<uint32_t>(4 * i), 0x44332211u);

  sim::UserBlock out(6);
  std::memcpy(out.data(), "\x01\x02\x03\x04\x05\x06", 6);
  board.bar(1).startRecording();
  ASSERT_EQ(write(kIoSpace, 0x10, 2, false, out, 3).getCode(), 0);
  EXPECT_EQ(board.bar(1).traffic(), (std::vector<BusAccess>{{BusAccess::Kind::Write, 0x10, 2, 0x0201},
                                                            {BusAccess::Kind::Write, 0x10, 2, 0x0403},
                                                            {BusAccess::Kind::Write, 0x10, 2, 0x0605}}));
}

TEST_F(Visa, ConfigurationSpaceIsReadAndWrittenByTheFunctionsHandle) {
  sim::UserBlock in(4);
  ASSERT_EQ(read(kConfigSpace, 0, 4, true, in, 1).getCode(), 0);
  EXPECT_EQ(in.get<uint32_t>(0), 0xB6B61E7Bu);
  in.data()[0] = 0x3A;
  ASSERT_EQ(write(kConfigSpace, 0x3C, 1, true, in, 1).getCode(), 0);
  EXPECT_EQ(board.config().get(0x3C, 1), 0x3Au);
}

TEST_F(Visa, ARefusedTransferTouchesNeitherTheBoardNorTheUserBuffer) {
  struct Case {
    uint8_t space;
    uint64_t offset;
    uint32_t width;
    bool increment;
    uint64_t count;
    uint32_t mode;
    Site site;
  };
  const Case cases[] = {
      {kConfigSpace, 0, 8, true, 1, 0, dispatcherSite(visa::kBadWidth, lines::kValidateWidth)},
      {kIoSpace, 0, 8, true, 1, 0, dispatcherSite(visa::kBadWidth, lines::kValidateWidth)},
      {kPlainSpace, 2, 4, true, 1, 0, dispatcherSite(visa::kMisaligned, lines::kValidateAlignment)},
      {kPlainSpace, 0x4000, 4, true, 1, 0, dispatcherSite(visa::kOutOfSpace, lines::kValidateOffset)},
      {kPlainSpace, 0x3FF8, 4, true, 3, 0, dispatcherSite(visa::kOutOfSpace, lines::kValidateCount)},
      {kConfigSpace, 4092, 4, true, 2, 0, dispatcherSite(visa::kOutOfSpace, lines::kValidateCount)},
      {5, 0, 4, true, 1, 0, dispatcherSite(visa::kBadSpace, lines::kValidateType)},
      {7, 0, 4, true, 1, 0, dispatcherSite(visa::kBadSpace, lines::kSpaceInfoBadSpace)},
      {kPlainSpace, 0, 4, true, 1, 1, dispatcherSite(visa::kBadMode, lines::kReadBadMode)},
  };
  sim::UserBlock buffer(64);
  for (const Case& c : cases) {
    for (size_t window = 0; window < 4; ++window) board.bar(window).startRecording();
    board.config().startRecording();
    const uint64_t copies = sim::UserMemory::outboundCopies();
    EXPECT_EQ(siteOf(read(c.space, c.offset, c.width, c.increment, buffer, c.count, c.mode)), c.site);
    EXPECT_EQ(sim::UserMemory::outboundCopies(), copies);
    EXPECT_TRUE(board.config().traffic().empty());
    for (size_t window = 0; window < 4; ++window) EXPECT_TRUE(board.bar(window).traffic().empty());
  }
  EXPECT_EQ(siteOf(write(kPlainSpace, 0, 4, true, buffer, 1, 2)), dispatcherSite(visa::kBadMode, lines::kWriteBadMode));
}

TEST_F(Visa, AByteCountBeyondThirtyTwoBitsIsRefusedBeforeAnythingIsAllocated) {
  sim::UserBlock buffer(16);
  // 4 x (2^62 + 1) wraps to 4 bytes; 4 x 2^30 is one byte too many for a copy.
  for (uint64_t count : {(uint64_t{1} << 62) + 1, uint64_t{1} << 30, ~uint64_t{0}}) {
    const uint64_t allocations = sim::Memory::allocationFaults().calls();
    EXPECT_EQ(read(kPlainSpace, 0, 4, false, buffer, count).getCode(), nVLAPALS100::kStatusInvalidParameter);
    EXPECT_EQ(write(kPlainSpace, 0, 4, false, buffer, count).getCode(), nVLAPALS100::kStatusInvalidParameter);
    EXPECT_EQ(sim::Memory::allocationFaults().calls(), allocations);
  }
  EXPECT_TRUE(board.bar(3).traffic().empty());
}

class VisaMappings : public Visa {
 protected:
  void SetUp() override {}
};

TEST_F(VisaMappings, SpacesStayMappedUntilTheLastUserFinalizes) {
  sim::Pci::kernelMappingFaults().failNth(2, 0);
  EXPECT_EQ(initialize().getCode(), nVLAPALS100::kStatusOutOfMemory);
  EXPECT_TRUE(sim::Pci::kernelMappings().empty());
  sim::UserBlock buffer(4);
  EXPECT_EQ(siteOf(read(kPlainSpace, 0, 4, true, buffer, 1)),
            dispatcherSite(visa::kNotInitialized, lines::kReadNotInitialized));
  ASSERT_EQ(initialize().getCode(), 0);
  ASSERT_EQ(initialize().getCode(), 0);
  EXPECT_EQ(sim::Pci::kernelMappings().size(), 3u);
  dispatcher->finalize();
  EXPECT_EQ(sim::Pci::kernelMappings().size(), 3u);
  EXPECT_EQ(read(kPlainSpace, 0, 4, true, buffer, 1).getCode(), 0);
  dispatcher->finalize();
  EXPECT_TRUE(sim::Pci::kernelMappings().empty());
  EXPECT_EQ(siteOf(write(kPlainSpace, 0, 4, true, buffer, 1)),
            dispatcherSite(visa::kNotInitialized, lines::kWriteNotInitialized));
  dispatcher->finalize();
  EXPECT_EQ(dispatcher->getUserCount(), 0u);
  EXPECT_EQ(sim::Pci::strayUnmaps(), 0u);
}

// A FIFO register whose every read gives a finalize on another thread the
// chance to run, and notes whether it got through.
struct FinalizingRegister : sim::RegisterBlock {
  explicit FinalizingRegister(VisaDispatcher& dispatcher) : dispatcher(dispatcher) {}
  uint32_t read(uint64_t, unsigned) override {
    if (!finalizer.joinable()) finalizer = std::thread([this] { dispatcher.finalize(), finalized = true; });
    for (int i = 0; i < 1000 && !finalized; ++i) std::this_thread::yield();
    finalizedMidway = finalizedMidway || finalized;
    return 0x5A5A5A5A;
  }
  void write(uint64_t, unsigned, uint32_t) override {}

  VisaDispatcher& dispatcher;
  std::thread finalizer;
  std::atomic<bool> finalized{false};
  bool finalizedMidway = false;
};

TEST_F(Visa, AFinalizeWaitsForARunningTransferBeforeUnmapping) {
  FinalizingRegister fifo(*dispatcher);
  board.bar(3).attach(kItemsAt, 4, fifo);
  sim::UserBlock in(64);
  EXPECT_EQ(read(kPlainSpace, kItemsAt, 4, false, in, 16).getCode(), 0);
  fifo.finalizer.join();
  EXPECT_FALSE(fifo.finalizedMidway);
  EXPECT_EQ(in.get<uint32_t>(60), 0x5A5A5A5Au);
  EXPECT_TRUE(sim::Pci::kernelMappings().empty());
}

class VisaPlainPci : public Visa {
 protected:
  VisaPlainPci() : Visa(sixWindows(BoardOptions::PciCapabilities::None)) {}
};

TEST_F(VisaPlainPci, ConfigurationSpaceEndsAt256WithoutAPciExpressLink) {
  sim::UserBlock buffer(4);
  EXPECT_EQ(read(kConfigSpace, 252, 4, true, buffer, 1).getCode(), 0);
  EXPECT_EQ(siteOf(read(kConfigSpace, 256, 4, true, buffer, 1)),
            dispatcherSite(visa::kOutOfSpace, lines::kValidateOffset));
}

// A memory window of a type the dispatcher cannot place is a space of
// size 0: nothing is mapped for it, and every access is beyond its end.
class VisaReservedType : public Visa {
 protected:
  VisaReservedType() : Visa(sixWindows(), 4) {}
};

TEST_F(VisaReservedType, AMemorySpaceOfSizeZeroIsNotMapped) {
  EXPECT_EQ(sim::Pci::kernelMappings().size(), 2u);
  SpaceInfo info;
  auto& [type, base, size] = info;
  tStatus status;
  dispatcher->getSpaceInfo(kPlainSpace, type, base, size, status);
  EXPECT_EQ(info, (SpaceInfo{1, 0, 0}));
  sim::UserBlock buffer(4);
  EXPECT_EQ(siteOf(read(kPlainSpace, 0, 4, true, buffer, 1)),
            dispatcherSite(visa::kOutOfSpace, lines::kValidateOffset));
  dispatcher->finalize();
}

}  // namespace
