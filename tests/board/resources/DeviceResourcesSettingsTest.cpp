// Settings messages and deploys on a device brought up over the board model.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "driver/board/device/Device.h"
#include "driver/board/resources/SettingsMessages.h"
#include "driver/board/status/DeviceStatusCodes.h"
#include "driver/rf/settling/SettlingStatus.h"
#include "driver/rf/wire/SettingsWire.h"
#include "sim/kernel/Clock.h"
#include "tests/board/StartedDevice.h"

namespace vltest {
namespace {

using namespace nVL9738K_24_0;
using rfyulreserve::ReservationClientID;
using vl9738settings::FrequencySettings;

constexpr int64_t kConflict = static_cast<int32_t>(0xBFFA9196u);
constexpr int64_t kInvalidClient = static_cast<int32_t>(0xBFFA9178u);

// Settles once the virtual clock reaches `settlesAtNs`; or takes every wait over.
class VirtualTimer : public cbak::iSettlingControl {
 public:
  void writeSettlingTime(uint32_t, tStatus&) override {}
  bool isSettled(tStatus&) override {
    ++polls;
    return sim::Clock::instance().nowNs() >= settlesAtNs;
  }
  bool handlesWaits() override { return takesWaits; }
  void takeOverWait(uint32_t us, int64_t code, const cbak::SettlingGate&, tStatus&) override {
    taken.push_back({us, code});
  }
  uint64_t settlesAtNs = 0;
  bool takesWaits = false;
  int polls = 0;
  std::vector<std::pair<uint32_t, int64_t>> taken;
};

class ResourcesOnModel : public DeviceOnBoard {
 protected:
  void SetUp() override {
    start();
    ASSERT_EQ(status.getCode(), 0);
    resources = device->getDeviceResources();
    rf = resources->getRfResources();
    ASSERT_NE(rf, nullptr);
    device->getSettlingTimerHandler(0).attachControls(&timers[0], &timers[1]);
    device->getSettlingTimerHandler(1).attachControls(&timers[2], &timers[3]);
  }

  // A deploy message: the leading word, then each id with its record (none
  // for a null record).
  int64_t deploy(uint32_t client, std::vector<std::pair<uint32_t, const FrequencySettings*>> entries) {
    tStatus local;
    nVLAPAL000::tVector<uint8_t> bytes;
    vl9738settings::tDataWriter writer{bytes};
    vl9738settings::writeU32(0xDEAD, writer, local);
    for (const auto& [id, settings] : entries) {
      vl9738settings::writeU32(id, writer, local);
      if (settings != nullptr) vl9738settings::writeFrequencySettings(*settings, writer, local);
    }
    resources->reserveAndCommit(bytes.data(), bytes.size(), ReservationClientID{client}, local);
    return local.getCode();
  }
  int64_t send(std::vector<uint32_t> ids, uint32_t type, std::vector<uint32_t> words = {}) {
    tStatus local;
    std::vector<uint8_t> input(words.size() * 4);
    if (!words.empty()) std::memcpy(input.data(), words.data(), input.size());
    resources->processResourceList(ids.data(), static_cast<uint32_t>(ids.size()), type, input.data(),
                                   static_cast<uint32_t>(input.size()), nullptr, 0, device->getSnoopingManager(),
                                   local);
    return local.getCode();
  }

  // The device goes before the timers it holds.
  void TearDown() override { device.reset(); }

  VirtualTimer timers[4];
  DeviceResources* resources = nullptr;
  RfResources* rf = nullptr;
  const FrequencySettings presetA = vl9738settings::frequencyPreset(0);
  const FrequencySettings presetB = vl9738settings::frequencyPreset(1);
};

TEST_F(ResourcesOnModel, ACommitProgramsTheAgreedFrequencyAndAConflictingDeployChangesNothing) {
  for (uint32_t client : {1, 2}) {
    ASSERT_EQ(deploy(client, {{4, &presetB}}), 0);
    uint32_t dirtiness = 0;
    ReservationClientID conflicting{};
    rf->tokens().frequencyPolicy(0).reserve(ReservationClientID{client}, dirtiness, conflicting, status);
  }
  const sim::Ad9162::Nco programmed{presetB.ftw, presetB.accDelta, presetB.accModulus};
  EXPECT_NE(board.dac(0).nco(), programmed) << "a deploy programs nothing";
  EXPECT_EQ(send({4}, kMessageCommit), 0);
  EXPECT_EQ(board.dac(0).nco(), programmed);
  EXPECT_EQ(status.getCode(), 0);

  EXPECT_EQ(deploy(2, {{4, &presetA}, {5, &presetA}}), kConflict);
  EXPECT_EQ(rf->tokens().frequencyPolicy(0).coercedSettings, presetB);
  EXPECT_EQ(rf->tokens().frequencyPolicy(1).findClient(ReservationClientID{2}), nullptr) << "stopped at the conflict";
  EXPECT_EQ(deploy(3, {{5, &presetB}, {8, nullptr}, {5, &presetA}}), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(rf->tokens().frequencyPolicy(1).findClient(ReservationClientID{3})->settings, presetB);
  EXPECT_EQ(deploy(0, {{4, &presetA}}), kInvalidClient);
}

TEST_F(ResourcesOnModel, AnInvalidIdStopsTheCommitWalkAndUnknownTypesAreRefused) {
  std::vector<uint8_t> dac;
  for (unsigned address = 0; address < sim::Ad9162::kRegisters; ++address) dac.push_back(board.dac(0).reg(address));
  const uint32_t attenuator = board.fixedLogic().loBoardControl(0, 0);
  EXPECT_EQ(send({6, 9, 7}, kMessageCommit), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(rf->tokens().powerPolicy(0).committedSettingsStale, 0);
  EXPECT_EQ(rf->tokens().powerPolicy(1).committedSettingsStale, 1) << "nothing after the invalid id";
  // Nobody reserved: the commit programs what power-up did.
  EXPECT_EQ(rf->tokens().powerPolicy(0).committedSettings, rf->power(0).getDefault());
  for (unsigned address = 0; address < sim::Ad9162::kRegisters; ++address)
    ASSERT_EQ(board.dac(0).reg(address), dac[address]) << std::hex << address;
  EXPECT_EQ(board.fixedLogic().loBoardControl(0, 0), attenuator);
  EXPECT_EQ(send({1}, kMessageCommit), 0);
  EXPECT_EQ(rf->tokens().refClockPolicy().committedSettings, rf->refClock().getDefaultSettings());
  EXPECT_TRUE(board.fixedLogic().refCpld().pllLocked());
  EXPECT_EQ(send({4}, kMessagePowerReductions), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(send({6}, kMessagePowerReductions), 0);
  EXPECT_EQ(rf->tokens().powerPolicy(0).committedSettingsStale, 1) << "a reduction leaves the policy stale";
  EXPECT_EQ(send({3, 4, 5, 6, 7}, kMessageSelectReferencePath), 0);
  EXPECT_EQ(send({1}, 9), nVLAPALS100::kStatusNotSupported);
}

TEST_F(ResourcesOnModel, AReferenceCommitOnlyRecordedIntoAListLeavesThePolicyStale) {
  tStatus local;
  rf->refClock().initializeHardware(local);
  ASSERT_EQ(local.getCode(), 0);
  rf->tokens().refClockPolicy().setCoercedSettings(rf->refClock().getDefaultSettings());
  rf->refClock().onStartCommitSnooping(nullptr, local);
  EXPECT_EQ(send({1}, kMessageCommit), 0);
  EXPECT_EQ(rf->tokens().refClockPolicy().committedSettingsStale, 1);
  rf->refClock().onStopCommitSnooping(local);
  EXPECT_EQ(send({2}, kMessageCommit), 0);
  EXPECT_EQ(rf->tokens().refClockPolicy().committedSettingsStale, 0);
}

// A client of the committed value is told it serves until something moves
// the primitive behind the policy: a reset to defaults or frequency cycling.
TEST_F(ResourcesOnModel, AResetOrACycleLeavesThePolicyItMovedStale) {
  auto& tokens = rf->tokens();
  // Commits the policy's value for a client of it, runs `disturb`, then
  // answers the client's reserve.
  const auto reserveAfter = [&](uint32_t id, const std::function<void()>& disturb) {
    const ReservationClientID client{40 + id};
    uint32_t dirtiness = 7;
    ReservationClientID conflicting{};
    const auto run = [&](auto& policy) {
      policy.deploySettings(client, policy.coercedSettings, status);
      EXPECT_EQ(send({id}, kMessageCommit), 0) << id;
      disturb();
      policy.reserve(client, dirtiness, conflicting, status);
    };
    if (id <= 2) run(tokens.refClockPolicy());
    if (id == 3) run(tokens.crossSwitchPolicy());
    if (id == 4 || id == 5) run(tokens.frequencyPolicy(id - 4));
    if (id >= 6) run(tokens.powerPolicy(id - 6));
    return dirtiness;
  };
  for (uint32_t id = 1; id <= 7; ++id) {
    EXPECT_EQ(reserveAfter(id, [] {}), rfyulreserve::kCommittedSettingsServe) << id;
    EXPECT_EQ(reserveAfter(id, [&] { EXPECT_EQ(send({id}, kMessageResetToDefaults), 0); }),
              rfyulreserve::kSettingsMustBeCommitted)
        << id;
  }
  EXPECT_EQ(reserveAfter(4, [&] { resources->cycleFrequency(device->getSnoopingManager(), status); }),
            rfyulreserve::kSettingsMustBeCommitted);
  EXPECT_EQ(status.getCode(), 0);
}

// Ids 1 and 2 name one reference clock: a reset runs once per list, a
// commit and a path selection reach the path each id names.
TEST_F(ResourcesOnModel, BothReferencePathsInOneMessageShareTheOneClock) {
  sim::RefCpldSpace& ref = board.fixedLogic().refCpld();
  const uint64_t resets = ref.hmc703Resets();
  EXPECT_EQ(send({1, 2}, kMessageResetToDefaults), 0);
  EXPECT_EQ(ref.hmc703Resets(), resets + 1);
  EXPECT_EQ(send({1, 2}, kMessageCommit), 0);
  EXPECT_TRUE(ref.pllLocked());
  EXPECT_EQ(rf->tokens().refClockPolicy().committedSettingsStale, 0);
  for (uint32_t id : {1u, 2u}) {
    EXPECT_EQ(send({id}, kMessageSelectReferencePath), 0);
    const uint32_t select = id == 1 ? RefClockPrimitive::kPath0Select : RefClockPrimitive::kPath1Select;
    EXPECT_EQ(ref.word(sim::RefCpldSpace::kPllHmc703) & select, select) << id;
  }
}

// The reference commit's guards, one row per requested change from the
// defaults, seen on the model: the tuning DAC's word, what follows it, the
// output alignment and the AD9512's update strobe.
TEST_F(ResourcesOnModel, TheReferenceCommitWritesOnlyWhatItsSettingsCallFor) {
  struct Row {
    const char* what;
    std::function<void(vl9738settings::RefClockSettings&)> change;
    int64_t code;
    bool dacKept, clkPathKept;
    uint64_t alignments, updates;
  };
  using S = vl9738settings::RefClockSettings;
  const Row rows[] = {
      {"defaults again", [](S&) {}, 0, true, true, 0, 0},
      {"DAC 0xFFFF keeps the tuning word", [](S& s) { s.onboardRefClkDac = 0xFFFF; }, 0, true, true, 0, 0},
      {"new DAC value", [](S& s) { s.onboardRefClkDac = 100; }, 0, false, true, 0, 0},
      {"unknown source", [](S& s) { s.onboardRefClkDac = 100, s.refClock = 3; }, nVLAPALS100::kStatusNotSupported,
       false, true, 0, 0},
      {"output bypass", [](S& s) { s.bypassRefOutDivider = 1; }, 0, true, true, 0, 1},
      {"PXIe, divisor 20", [](S& s) { s.refClock = 1, s.refOut = 1, s.referenceDivisor = 20; }, 0, true, false, 1, 0},
      {"PXIe, integer 21", [](S& s) { s.refClock = 1, s.refOut = 1, s.frequencyInteger = 21; }, 0, true, false, 0, 0},
  };
  sim::RefCpldSpace& ref = board.fixedLogic().refCpld();
  const auto alignments = [&] { return board.fixedLogic().strobePulses(sim::FixedLogic::kRefOutAlignment, 31); };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    S settings = rf->refClock().getDefaultSettings();
    rf->tokens().refClockPolicy().setCoercedSettings(settings);
    EXPECT_EQ(send({1, 2}, kMessageResetToDefaults), 0);
    EXPECT_EQ(send({1}, kMessageCommit), 0);
    row.change(settings);
    rf->tokens().refClockPolicy().setCoercedSettings(settings);
    const uint32_t dac = ref.word(sim::RefCpldSpace::kOcxoCtrlDac), clkPath = ref.word(sim::RefCpldSpace::kClkPath);
    const uint64_t aligned = alignments(), updates = ref.ad9512Updates();
    EXPECT_EQ(send({1}, kMessageCommit), row.code);
    EXPECT_EQ(ref.word(sim::RefCpldSpace::kOcxoCtrlDac) == dac, row.dacKept);
    EXPECT_EQ(ref.word(sim::RefCpldSpace::kClkPath) == clkPath, row.clkPathKept);
    EXPECT_EQ(alignments() - aligned, row.alignments);
    EXPECT_EQ(ref.ad9512Updates() - updates, row.updates);
  }
}

TEST_F(ResourcesOnModel, TheSettlingWaitEndsWhenTheTimerSettlesAndBothPathsShareOneBudget) {
  VirtualTimer& lo0 = timers[0];
  VirtualTimer& lo1 = timers[2];
  const auto settle = [&](uint64_t lo0Ms, uint64_t lo1Ms) {
    const uint64_t now = sim::Clock::instance().nowNs();
    lo0.settlesAtNs = now + lo0Ms * 1'000'000;
    lo1.settlesAtNs = now + lo1Ms * 1'000'000;
  };
  settle(6, 9);
  EXPECT_EQ(send({4, 3, 5}, kMessageWaitForSettling, {10, 0}), 0);
  EXPECT_GE(sim::Clock::instance().nowNs(), lo1.settlesAtNs);
  EXPECT_GT(lo0.polls, 1);
  settle(6, 12);
  EXPECT_EQ(send({4, 5}, kMessageWaitForSettling, {10, 0}), SettingsMessages::kSettlingTimedOut);
  EXPECT_LT(sim::Clock::instance().nowNs(), lo1.settlesAtNs) << "LO1 had only what LO0 left";

  // Whatever the caller asks, the wait holds the request lock for at most
  // the settling ceiling.
  settle(cbak::SettlingGate::kCeilingMs + 1000, 0);
  EXPECT_EQ(send({4}, kMessageWaitForSettling, {0xFFFFFFFF, 0}), SettingsMessages::kSettlingTimedOut);
  EXPECT_LT(sim::Clock::instance().nowNs(), lo0.settlesAtNs);

  settle(0, 0);
  EXPECT_EQ(send({5}, kMessageWaitForSettling, {}), codes::kWarningReadPastEnd);
  EXPECT_EQ(timers[3].polls, 0) << "a short input selects the first timer";
  device->getSettlingTimerHandler(1).attachControls(&lo1, nullptr);
  EXPECT_EQ(send({5}, kMessageWaitForSettling, {5, 1}), cbak::kStatusSettlingControlMissing);
  lo1.takesWaits = true;
  EXPECT_EQ(send({5}, kMessageWaitForSettling, {5000000, 0}), 0);
  EXPECT_EQ(lo1.taken, (std::vector<std::pair<uint32_t, int64_t>>{
                           {cbak::SettlingGate::kCeilingMs * 1000, SettingsMessages::kSettlingTimedOut}}));
}

}  // namespace
}  // namespace vltest
