// The main interface through the packaged module: framing (with the FPGA
// interface's), sizes, guards and the platform, settings, list-mode and
// routing requests, each sent as user mode sends it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <span>
#include <tuple>

#include "PublishedRequests.h"
#include "driver/board/ioctl/ArmRequests.h"
#include "driver/board/ioctl/ListModeRequests.h"
#include "driver/board/ioctl/PlatformRequests.h"
#include "driver/board/ioctl/RoutingRequests.h"
#include "driver/board/ioctl/SettingsRequests.h"
#include "driver/board/ioctl/VisaRequests.h"
#include "driver/board/status/DeviceStatusCodes.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/RequestClient.h"
#include "sim/kernel/Clock.h"
#include "sim/kernel/UserMemory.h"
#include "tests/support/BoardRig.h"

namespace {

using namespace nVL9738K_24_0::requests;
using vltest::kernelCode;
using vltest::kPublishedRequests;

// What the framing layer turns the driver's -52005 and -52002 into.
constexpr int32_t kWrongSize = -51009;
constexpr int32_t kUnknownCode = -51256;

using MainInterface = vltest::OpenedBoard;

// Both interfaces' framing: every published code takes only its exact
// sizes; the caller's error stops a request before its guard, and the block
// comes back whole, zero apart from that code and the in/out fields; a code
// nobody published answers not supported; none of it reaches the FPGA.
class Framing : public vltest::OpenedBoard, public testing::WithParamInterface<bool> {};

TEST_P(Framing, EveryPublishedCodeTakesOnlyItsExactSizesAndACallersErrorComesBackWhole) {
  open();
  const bool fpga = GetParam();
  auto fpgaFile = sim::DeviceFile::open(rig->module(), vltest::kFpgaInterface);
  ASSERT_NE(fpgaFile, nullptr);
  sim::DeviceFile& target = fpga ? *fpgaFile : *file;
  const std::span<const vltest::PublishedRequest> published =
      fpga ? std::span<const vltest::PublishedRequest>(vltest::kPublishedFpgaSessionRequests) : kPublishedRequests;
  ASSERT_EQ(published.size(), fpga ? 30u : 100u);
  const auto isPublished = [&](uint32_t code) {
    return std::any_of(published.begin(), published.end(), [&](const auto& request) { return request.code == code; });
  };
  const auto raw = [&](uint32_t code, size_t in, uint32_t out) {
    return target.ioctl({code, std::vector<uint8_t>(in, 0), out, 0});
  };
  rig->board().bar0().startRecording();
  for (const vltest::PublishedRequest& request : published) {
    SCOPED_TRACE(::testing::Message() << request.name << " " << std::hex << request.code);
    if (request.inStatusAt != vltest::kNoStatus) {
      const std::vector<uint8_t> input = vltest::refusedInput(request, -52010);
      const auto refused = target.ioctl({request.code, input, request.out, 0});
      EXPECT_EQ(refused.status, 0);
      EXPECT_EQ(refused.resultField, request.out);
      EXPECT_EQ(refused.output, vltest::refusedAnswer(request, input));
    }
    const uint32_t in = request.in, out = request.out;
    for (auto [badIn, badOut] : {std::pair{in - 1, out}, std::pair{in + 1, out}, std::pair{in, out + 1},
                                 std::pair{in, out + 4}, std::pair{in - 1, out + 1}, std::pair{in - 4, out + 4}}) {
      const auto reply = raw(request.code, badIn, badOut);
      EXPECT_EQ(reply.status, kWrongSize) << badIn << " " << badOut;
      EXPECT_EQ(reply.resultField, 0) << badIn << " " << badOut;
      EXPECT_EQ(reply.output, std::vector<uint8_t>(badOut, 0)) << badIn << " " << badOut;
    }
    if (!isPublished(request.code ^ 0x40000000u)) {
      const auto reply = raw(request.code ^ 0x40000000u, in, out);
      EXPECT_EQ(reply.status, kUnknownCode);
      EXPECT_EQ(reply.resultField, 0);
    }
  }
  for (uint32_t code : {0x00204217u, 0x00208106u, 0x00208107u, 0x00208009u, 0x00205213u, 0x80208399u}) {
    const auto reply = raw(code, 8, 8);
    EXPECT_EQ(reply.status, kUnknownCode) << std::hex << code;
    EXPECT_EQ(reply.resultField, 0) << std::hex << code;
  }
  size_t windowAccesses = 0;
  for (const sim::BusAccess& access : rig->board().bar0().traffic()) {
    windowAccesses += access.offset >= sim::FpgaWindow::kBarOffset &&
                      access.offset < sim::FpgaWindow::kBarOffset + sim::FpgaWindow::kSize;
  }
  EXPECT_EQ(windowAccesses, 0u);
}

INSTANTIATE_TEST_SUITE_P(MainAndFpgaInterfaces, Framing, testing::Bool());

TEST_F(MainInterface, ModuleRevisionIndexTwoEqualsIndexZeroThreeIsRefusedAndACallersWarningComesBack) {
  open();
  const auto zero = client->call<GetModuleRev>({.index = 0, .status = 0});
  const auto two = client->call<GetModuleRev>({.index = 2, .status = 0});
  const auto three = client->call<GetModuleRev>({.index = 3, .status = 0});
  const auto warned = client->call<GetModuleRev>({.index = 1, .status = 52012});
  EXPECT_EQ(std::tuple(zero.resultField, zero.outStatus()), std::tuple(8, 0));
  EXPECT_EQ(two.out.revision, zero.out.revision);
  EXPECT_EQ(std::tuple(three.out.revision, three.outStatus()), std::tuple(0u, -52006));
  EXPECT_EQ(warned.outStatus(), 52012);
  EXPECT_NE(warned.out.revision, 0u);
}

// Properties and version failures are deferred: the board is added, and
// the late initialisation took the properties record as of the download.
TEST_F(MainInterface, AModuleRangeAboveTheSupportedOneFailsTwoRecordsAndEachGuardMergesOnlyItsLevels) {
  open(vltest::boardWithUnsupportedModule());
  const int32_t unsupported = kernelCode(nVL9738K_24_0::codes::kFpgaNeedsNewerSoftware);
  ASSERT_TRUE(rig->records().logged);
  EXPECT_THAT(rig->records().codes, testing::ElementsAre(0, unsupported, unsupported, 0));
  EXPECT_EQ(sim::DeviceRegistry::interfaces().size(), 2u);
  EXPECT_EQ(client->call<GetModulePowerConsumption>().outStatus(), unsupported);  // level 2
  EXPECT_EQ(client->call<GetTemperature>({.sensor = 1, .sampleCount = 1, .status = 0}).outStatus(), unsupported);
  EXPECT_EQ(client->call<GetModuleRev>().outStatus(), 0);     // level 1
  EXPECT_EQ(client->call<GetFirmwareRev>().outStatus(), 0);   // level 0
  EXPECT_EQ(client->call<GetSerialNumber>().outStatus(), 0);  // the gate only
  EXPECT_EQ(client->call<SelfTest>().outStatus(), 0);         // level 4
  EXPECT_EQ(client->call<CheckInitializationStatus>({.level = 1, .status = 0}).outStatus(), unsupported);
  // The reset is not guarded: it runs whatever the records hold, and the
  // session that asked for it is stale afterwards.
  EXPECT_EQ(client->call<ResetDevice>().outStatus(), 0);
  EXPECT_EQ(client->call<GetModuleRev>().outStatus(), vltest::kStaleSession);
}

TEST_F(MainInterface, LoRailsThatNeverComeUpTimeOutThePowerUpAndTheTemperatureGuardFollowsTheSensor) {
  uint64_t start = 0;
  open({}, [&](sim::Board& board) {
    board.fixedLogic().holdLoPowerDown(true);
    start = sim::Clock::instance().nowNs();
  });
  const int32_t powerUp = kernelCode(nVL9738K_24_0::codes::kBoardVerificationFailed);
  EXPECT_THAT(rig->records().codes, testing::ElementsAre(0, 0, powerUp, 0));
  EXPECT_GE(sim::Clock::instance().nowNs() - start, 2'000'000'000u);
  const auto writes = rig->powerUpWrites();
  ASSERT_FALSE(writes.empty());
  EXPECT_EQ(writes.back().offset, 0x1004u) << "nothing after the LO card power";
  EXPECT_FALSE(rig->board().fixedLogic().cpldLinkUp(1));
  EXPECT_EQ(sim::DeviceRegistry::interfaces().size(), 2u);
  EXPECT_EQ(client->call<GetTemperature>({.sensor = 1, .sampleCount = 4, .status = 0}).outStatus(), powerUp);
  EXPECT_NE(client->call<GetTemperature>({.sensor = 16, .sampleCount = 4, .status = 0}).outStatus(), powerUp);
  EXPECT_EQ(client->call<GetTemperature>({.sensor = 3, .sampleCount = 4, .status = 0}).outStatus(),
            static_cast<int32_t>(0xBFFA9178u));
}

TEST_F(MainInterface, TemperatureSumsTheSensorsReadings) {
  open();
  rig->board().fixedLogic().setLo0TemperatureCode(25 * 32);  // 25 degrees
  const auto board = client->call<GetTemperature>({.sensor = 16, .sampleCount = 4, .status = 0});
  EXPECT_EQ(board.outStatus(), 0);
  EXPECT_EQ(board.out.sum, 4 * 25 * 32);
  EXPECT_EQ(board.out.divisor, 4u * 32u);
  const auto dac = client->call<GetTemperature>({.sensor = 24, .sampleCount = 8, .status = 0});
  EXPECT_EQ(dac.outStatus(), 0);
  EXPECT_NE(dac.out.divisor, 0u);
  // No reading to judge: the request fails, and the board is not divided by zero.
  EXPECT_LT(client->call<GetTemperature>({.sensor = 1, .sampleCount = 0, .status = 0}).outStatus(), 0);
}

TEST_F(MainInterface, SelfTestReportsACpldThatIsNotReadyAndStillReadsTheOthers) {
  open();
  EXPECT_EQ(client->call<SelfTest>().outStatus(), 0);
  rig->board().fixedLogic().refCpld().setReady(false);
  // LO1's status word changes (still ready): only a read after the Ref
  // check failed puts the new value into the map's shadow.
  const uint64_t lo1Status = sim::CpldAuxModel::kWindow[2] + sim::CpldAuxModel::kSetup;
  rig->board().fixedLogic().registers().setReadable(lo1Status, 4, 0x101);
  EXPECT_EQ(client->call<SelfTest>().outStatus(), static_cast<int32_t>(0xBFFA9176u));
  constexpr char kName[] = "Lo1AuxInterfaceRegMap";
  sim::UserBlock name(sizeof(kName));
  std::memcpy(name.data(), kName, sizeof(kName));
  constexpr uint32_t kSlaveStatusId = 0x80C7410C;
  const auto shadow = client->call<ArmGet>(
      {.nameAddress = name.address(), .nameLength = sizeof(kName) - 1, .id = kSlaveStatusId, .status = 0});
  EXPECT_EQ(shadow.outStatus(), 0);
  EXPECT_EQ(shadow.out.value, 0x101u);
}

// The serial number and the driver's versions are the front end's transcripts.
TEST_F(MainInterface, IdentityAnswers) {
  open();
  EXPECT_EQ(client->call<GetSerialNumberPrefix>().out.serialNumber, 0u);
  EXPECT_EQ(client->call<GetDriverAttributeU32>({.attribute = 1, .selector = 0, .status = 0}).outStatus(), -52005);
  EXPECT_EQ(client->call<GetDriverAttributeU32>({.attribute = 0, .selector = 2, .status = 0}).outStatus(), -52005);
  EXPECT_EQ(client->call<ReserveDeviceForFirmwareUpdate>().outStatus(), -52002);
  const auto devices = client->call<GetFlashDevices>({.bufferAddress = 0x10, .bufferLength = 64, .status = 0});
  EXPECT_EQ(devices.outStatus(), 0);
  EXPECT_EQ(devices.out.count, 0u);
}

TEST_F(MainInterface, SubsystemVersionsAreReadOnlyWhenThereAreAny) {
  open();
  // An address nothing is mapped at: a count of 0 never touches it.
  constexpr uint64_t kUnmapped = 0x10;
  EXPECT_EQ(client->call<GetSubSystemVersion>({.arrayAddress = kUnmapped, .count = 0, .status = 0}).outStatus(), 0);
  EXPECT_LT(client->call<GetSubSystemVersion>({.arrayAddress = kUnmapped, .count = 2, .status = 0}).outStatus(), 0);
}

// The settings, frequency-cycling and VISA requests, with the board
// model's chips behind.
using SettingsRoad = vltest::OpenedBoard;

TEST_F(SettingsRoad, CyclingAndVisaRunWhileTheDeferredRecordsHoldErrors) {
  // A module newer than the driver leaves errors in the deferred records.
  open(vltest::boardWithUnsupportedModule());
  EXPECT_EQ(client->call<SettingsDeploy>().outStatus(), nVL9738K_24_0::codes::kFpgaNeedsNewerSoftware);
  // Presets A, B, C as the NCO runs them: {tuning word, delta, modulus}.
  const sim::Ad9162::Nco a{0x2AAAAAAAAAAA, 2, 3}, b{0x8E38E38E38E3, 5, 9}, c{0xBBBBBBBBBBBB, 11, 15};
  for (const sim::Ad9162::Nco& preset : {a, b, c, a}) {
    ASSERT_EQ(client->call<CycleFrequency>().outStatus(), 0);
    EXPECT_EQ(rig->board().dac(0).nco(), preset);
  }

  EXPECT_EQ(client->call<VisaInitialize>().outStatus(), 0);
  const auto space = client->call<VisaGetSpaceInfo>({.addressSpace = 7, .status = 0});
  EXPECT_EQ(space.outStatus(), static_cast<int32_t>(0xBFFF004Eu));
  EXPECT_EQ(std::tuple(space.out.spaceType, space.out.base, space.out.size), std::tuple(0, 0, 0));
  EXPECT_EQ(client->call<VisaFinalize>().outStatus(), 0);
  EXPECT_EQ(file->ioctl({0x40208502, std::vector<uint8_t>(48), 4, 0}).status, -51256) << "a read carries no write";
}

TEST_F(SettingsRoad, AMessageRepliesWithItsWholeZeroedAreaOrLeavesItUntouched) {
  open();
  sim::UserBlock ids(4);
  ids.put<uint32_t>(0, 2);
  sim::UserBlock out(24);
  std::fill(out.data(), out.data() + 24, 0xEE);
  const auto query = [&](uint32_t count, uint32_t capacity) {
    return client->call<SettingsSendMessage>({ids.address(), count, 12, 0, 0, out.address(), capacity, 0}).outStatus();
  };
  EXPECT_EQ(query(1, 20), nVLAPALS100::kStatusLookupFailure);
  EXPECT_EQ(std::vector<uint8_t>(out.data(), out.data() + 24), std::vector<uint8_t>(24, 0xEE));
  EXPECT_EQ(query(1, 24), 0);
  // The power-up set the reference clock up: path 1 reports no problem,
  // and the rest of the area is zero.
  EXPECT_EQ(std::vector<uint8_t>(out.data(), out.data() + 24), std::vector<uint8_t>(24, 0));
  EXPECT_EQ(query(70000, 24), nVLAPALS100::kStatusInvalidParameter) << "refused before anything is allocated";
  // Areas and deploy messages the caller sizes at gigabytes are refused
  // before the kernel is asked for them.
  EXPECT_EQ(query(1, 0x80000000u), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(client->call<SettingsDeploy>({.messageAddress = out.address(), .messageSize = 0x85000000u, .status = 0})
                .outStatus(),
            nVLAPALS100::kStatusInvalidParameter);
}

// The list-mode requests on a board whose FPGA has both timing engines.
constexpr int32_t kNoListModeSession = -52010;

using ListModeRequests = vltest::OpenedBoard;

// Without a list-mode session the traits are zero and the other requests
// are refused; the acquisition engine's session reports its engine.
TEST_F(ListModeRequests, TraitsAreZeroWithoutASessionAndTheAcquisitionEnginesSessionReportsItsEngine) {
  open();
  const listmodek::ListTraits zero{};
  const auto none = client->call<GetTraits>();
  EXPECT_EQ(std::pair(none.outStatus(), std::memcmp(&none.out.traits, &zero, sizeof(zero))), std::pair(0, 0));
  EXPECT_EQ(client->call<Initiate>().outStatus(), kNoListModeSession);
  EXPECT_EQ(client->call<ReadListIsDone>().outStatus(), kNoListModeSession);
  sim::UserBlock path(8);
  path.put<uint16_t>(0, 2401);
  path.put<uint16_t>(4, 2404);
  ASSERT_EQ(client->call<SetContext>({path.address(), 2, 0}).outStatus(), 0);
  const auto traits = client->call<GetTraits>();
  EXPECT_EQ(traits.outStatus(), 0);
  // The model's capabilities word is 0x2800013201; bytes 17-23 stay zero.
  const auto& t = traits.out.traits;
  EXPECT_EQ(std::tuple(t.word0, t.listModeSupported, t.pcodeVersion, t.pcodeOldestCompatibleVersion, t.maxListTrigger,
                       t.maxListEvent, t.capability4),
            std::tuple(uint64_t{0xFFFFFFFF}, 1u, uint8_t{1}, uint8_t{0}, uint8_t{2}, uint8_t{3}, uint8_t{0x28}));
  const uint8_t zeros[7] = {};
  EXPECT_EQ(std::memcmp(t.reserved, zeros, sizeof(zeros)), 0);
  rig->board().timingEngine(2401)->listEngine().setDone(sim::ListEngineModel::Done::kOnStop);
  EXPECT_EQ(client->call<Initiate>().outStatus(), 0);
  EXPECT_EQ(client->call<Abort>().outStatus(), 0);
  const auto done = client->call<ReadListIsDone>();
  EXPECT_EQ(std::tuple(done.outStatus(), done.out.done), std::tuple(0, uint8_t{1}));
}

// A recording on LO0's engine cut by an over-temperature shutdown, its
// session then sending a write (refused as stale) before it closes, only
// closing, or sitting idle: the recording ends with the shutdown, so a new
// session's write to the recorded map reaches the board; after a reset the
// engine records again.
enum class Recorder { kRequestsAndCloses, kCloses, kSitsIdle };
class ListModeShutdown : public vltest::OpenedBoard, public testing::WithParamInterface<Recorder> {};

TEST_P(ListModeShutdown, TheRecordersCloseEndsItsRecordingAndNoWriteIsRefused) {
  open();
  sim::UserBlock user(64);
  user.put<uint16_t>(0, 2400);
  user.put<uint16_t>(4, 2404);
  std::memcpy(user.data() + 16, "Lo0BoardCtrlRegMap", 18);
  const auto opened = [&] { return sim::DeviceFile::open(rig->module(), vltest::kMainInterface); };
  // The write's answer and what the board's attenuator then holds.
  const auto write = [&](sim::DeviceFile& who, uint32_t value) {
    const ArmWrite::In in{user.address() + 16, 18, 0x80E95C1E, value, 0, 0};
    const int32_t answer = sim::RequestClient(who).call<ArmWrite>(in).outStatus();
    return std::pair(answer, rig->board().fixedLogic().loBoardControl(0, 0));
  };
  const auto record = [&](sim::DeviceFile& who) {
    const uint32_t held = rig->board().fixedLogic().loBoardControl(0, 0);
    EXPECT_EQ(sim::RequestClient(who).call<SetContext>({user.address(), 2, 0}).outStatus(), 0);
    EXPECT_EQ(sim::RequestClient(who).call<StartCommitSnooping>().outStatus(), 0);
    EXPECT_EQ(write(who, 0x15), std::pair(0, held)) << "recorded only";
  };
  record(*file);
  rig->board().fixedLogic().setOverTemperature(true);
  EXPECT_EQ(sim::RequestClient(*opened()).call<GetTemperature>({16, 1, 0}).outStatus(), int32_t(0xBFFA9046u));
  rig->board().fixedLogic().setOverTemperature(false);
  if (GetParam() == Recorder::kRequestsAndCloses) {
    EXPECT_EQ(write(*file, 0x16).first, vltest::kStaleSession);
  }
  if (GetParam() != Recorder::kSitsIdle) client.reset(), file.reset();
  auto next = opened();
  EXPECT_EQ(write(*next, 0x2A), std::pair(0, 0x2Au));
  client.reset(), file.reset();
  EXPECT_EQ(sim::RequestClient(*next).call<ResetDevice>().outStatus(), 0);
  next = opened();
  record(*next);
  EXPECT_EQ(sim::RequestClient(*next).call<StopCommitSnooping>().outStatus(), 0);
  EXPECT_EQ(write(*opened(), 0x33), std::pair(0, 0x33u));
}

INSTANTIATE_TEST_SUITE_P(StaleWriteCloseOrIdle, ListModeShutdown,
                         testing::Values(Recorder::kRequestsAndCloses, Recorder::kCloses, Recorder::kSitsIdle));

// The routing requests while the board has no routing resources (the FPGA
// design's matrix is not set up in the module yet): what each answers, and
// that a missing buffer is refused before user memory is touched.
constexpr int32_t kNoResources = -52020;
constexpr int32_t kMissingBuffer = static_cast<int32_t>(0xBFFA9053u);

using RoutingRequests = vltest::OpenedBoard;

TEST_F(RoutingRequests, WithoutResourcesEachRequestAnswersAsItsSessionDoes) {
  open();
  sim::UserBlock buffer(64);

  uint64_t copies = sim::UserMemory::inboundCopies();
  EXPECT_EQ(client->call<QueryVersion>().out.version, 1u);
  const uint64_t framing = sim::UserMemory::inboundCopies() - copies;
  CalculateRoute::In calculate{};
  calculate.seedsAddress = calculate.terminalsAddress = buffer.address();
  copies = sim::UserMemory::inboundCopies();
  EXPECT_EQ(client->call<CalculateRoute>(calculate).out.status, kMissingBuffer);
  EXPECT_EQ(sim::UserMemory::inboundCopies() - copies, framing) << "only the request block is read";
  calculate.resultsAddress = buffer.address();
  EXPECT_EQ(client->call<CalculateRoute>(calculate).out.status, kNoResources);

  EXPECT_EQ(client->call<ReserveRoute>({}).out.status, kMissingBuffer);
  const auto paths = client->call<GetRouteTerminalPath>({0, buffer.address(), 9, 0}).out;
  EXPECT_EQ(paths.status, kNoResources);
  EXPECT_EQ(paths.terminalCount, 9u) << "the count starts as the capacity";
  EXPECT_EQ(client->call<GetTopographyName>({buffer.address(), 64, 0}).out.status, kNoResources);
  EXPECT_EQ(client->call<ProgramRoute>({}).out.status, kNoResources);
  EXPECT_EQ(client->call<ResetTerminal>({}).out.status, kNoResources);
  EXPECT_EQ(client->call<CalculateResetTerminal>({}).out.status, kNoResources);
  // Releasing what one does not hold is no error.
  EXPECT_EQ(client->call<UnprogramRoute>({}).out.status, 0);
  EXPECT_EQ(client->call<UnreserveRoute>({}).out.status, 0);
  EXPECT_EQ(client->call<DestroyRoute>({}).out.status, 0);
}

}  // namespace
