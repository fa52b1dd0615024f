// The main interface through the packaged module: framing (with the FPGA
// interface's), sizes, guards and the platform requests, each sent as user
// mode sends it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <span>

#include "PublishedRequests.h"
#include "driver/board/ioctl/ArmRequests.h"
#include "driver/board/ioctl/PlatformRequests.h"
#include "driver/board/status/DeviceStatusCodes.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/RequestClient.h"
#include "tests/support/BoardRig.h"

namespace {

using namespace nVL9738K_24_0::requests;
using vltest::kernelCode;
using vltest::kPublishedRequests;

// What the framing layer turns the driver's -52005 and -52002 into.
constexpr int32_t kWrongSize = -51009;
constexpr int32_t kUnknownCode = -51256;

using MainInterface = vltest::MainRoad;

// Both interfaces' framing: every published code takes only its exact
// sizes; the caller's error stops a request before its guard, and the block
// comes back whole, zero apart from that code and the in/out fields; a code
// nobody published answers not supported; none of it reaches the FPGA.
class Framing : public vltest::MainRoad, public testing::WithParamInterface<bool> {};

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
  rig->board().bar0().clearTraffic();
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

TEST_F(MainInterface, AWarningTheCallerCarriesInComesBackWhenTheOperationSucceeds) {
  open();
  const auto reply = client->call<GetModuleRev>({.index = 1, .status = 52012});
  EXPECT_EQ(reply.outStatus(), 52012);
  EXPECT_NE(reply.out.revision, 0u);
}

TEST_F(MainInterface, ModuleRevisionIndexTwoEqualsIndexZeroAndThreeIsRefused) {
  open();
  const auto zero = client->call<GetModuleRev>({.index = 0, .status = 0});
  const auto two = client->call<GetModuleRev>({.index = 2, .status = 0});
  const auto three = client->call<GetModuleRev>({.index = 3, .status = 0});
  EXPECT_EQ(zero.resultField, 8);
  EXPECT_EQ(zero.outStatus(), 0);
  EXPECT_NE(zero.out.revision, 0u);
  EXPECT_EQ(two.out.revision, zero.out.revision);
  EXPECT_EQ(three.out.revision, 0u);
  EXPECT_EQ(three.outStatus(), -52006);
}

TEST_F(MainInterface, EachGuardMergesOnlyTheRecordOfItsLevel) {
  open(vltest::boardWithUnsupportedModule());
  const int32_t unsupported = kernelCode(nVL9738K_24_0::codes::kFpgaNeedsNewerSoftware);
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

TEST_F(MainInterface, TheTemperatureGuardFollowsTheSensor) {
  open({}, [](sim::Board& board) { board.fixedLogic().holdLoPowerDown(true); });
  const int32_t powerUp = static_cast<int32_t>(rig->records().codes[2]);
  ASSERT_LT(powerUp, 0);
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

TEST_F(MainInterface, IdentityAnswers) {
  open();
  EXPECT_EQ(client->call<GetSerialNumber>().out.serialNumber, rig->board().options().serialNumber);
  EXPECT_EQ(client->call<GetSerialNumberPrefix>().out.serialNumber, 0u);
  EXPECT_EQ(client->call<GetDriverAttributeU32>({.attribute = 0, .selector = 0, .status = 0}).out.value, 0x0100C000u);
  EXPECT_EQ(client->call<GetDriverAttributeU32>({.attribute = 0, .selector = 1, .status = 0}).out.value, 0x01004000u);
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

}  // namespace
