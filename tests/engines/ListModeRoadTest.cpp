// A list compiled through the main interface's list-mode requests on a
// started device over the board model, run by the model's list engine,
// against the same settings committed directly on a second board.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>
#include <tuple>

#include "driver/board/device/Device.h"
#include "driver/board/ioctl/ArmRequests.h"
#include "driver/board/ioctl/InterfaceTemplate_vl9738k.h"
#include "driver/board/ioctl/ListModeRequests.h"
#include "driver/board/ioctl/PlatformRequests.h"
#include "driver/board/ioctl/SettingsRequests.h"
#include "driver/board/ioctl/fpga/FpgaSessionRequests.h"
#include "driver/board/session/IoctlEntryHelper.h"
#include "driver/board/status/DeviceStatusCodes.h"
#include "driver/engines/OV3IFWResources.h"
#include "driver/rf/settings/FrequencySettings.h"
#include "sim/board/FpgaPersonality.h"
#include "sim/kernel/Memory.h"
#include "sim/kernel/UserMemory.h"
#include "tests/board/StartedDevice.h"
#include "tests/fpga/SessionWire.h"

namespace vltest {
namespace {

using namespace nVL9738K_24_0::requests;
using nVL9738K_24_0::Device;
namespace st = nVLAPALS100;

constexpr uint64_t kLocation[2] = {0x1000, 0x2};

// A device started on its own board, with one main-interface session.
struct StartedBoard {
  explicit StartedBoard(const sim::BoardOptions& options = {}) : board(options) {
    device = startDevice(board, status, &nVL9738K_24_0::tInterfaceTemplate_vl9738k::create);
    session = device->createSession(descriptor, device->getDeviceInterfaces()[0], status);
    descriptor.session = session;
    auto& lo0 = primitives();
    lo0.frequency(0).applyDefaults(status);
    lo0.power(0).applyDefaults(status);
  }
  ~StartedBoard() { device->destroySession(descriptor, session); }
  nVL9738K_24_0::RfResources& primitives() { return *device->getDeviceResources()->getRfResources(); }
  // The settings change a settings request makes, inside its guard.
  void commitSettings(const vl9738settings::FrequencySettings& frequency = vl9738settings::frequencyPreset(3),
                      const vl9738settings::PowerSettings& power = {0, 5, 6, 20000, 40}) {
    nVL9738K_24_0::IoctlEntryHelper guard(*device, descriptor, 3, status, true);
    primitives().frequency(0).setRequested(frequency, status);
    primitives().frequency(0).commit(status);
    primitives().power(0).setRequested(power, status);
    primitives().power(0).commit(status);
  }
  // One request framed as user mode frames it, by the first session or
  // by `who`.
  template <class Op>
  typename Op::Out call(const typename Op::In& in = {}, nVLAPAL000::tEventDescriptor* who = nullptr) {
    return callMain<Op>(*device, who != nullptr ? *who : descriptor, in);
  }

  sim::Board board;
  tStatus status{tStatus::kFullSize};
  RunningDevice device;
  nVLAPAL000::tEventDescriptor descriptor{nullptr};
  nVLAPAL000::tSession* session = nullptr;
};

// What LO0's DAC and attenuator hold.
std::pair<std::vector<uint8_t>, uint32_t> lo0(StartedBoard& board) {
  std::vector<uint8_t> registers;
  for (unsigned address = 0; address < sim::Ad9162::kRegisters; ++address)
    registers.push_back(board.board.dac(0).reg(address));
  return {registers, board.board.fixedLogic().loBoardControl(0, 0)};
}

// The path (UID, instance) elements as user memory holds them.
struct UserPath {
  explicit UserPath(std::initializer_list<std::pair<uint16_t, uint8_t>> elements) : block(4 * elements.size() + 4) {
    size_t at = 0;
    for (auto [uid, instance] : elements) {
      block.put<uint16_t>(at, uid);
      block.put<uint8_t>(at + 2, instance);
      at += 4;
    }
  }
  SetContext::In request(uint32_t length) const { return {block.address(), length, 0}; }
  sim::UserBlock block;
};

TEST(ListModeRoad, ACommitRecordedThroughTheRequestsReplaysOnTheEngineAsTheDirectCommitWrites) {
  StartedBoard recorded, direct;
  ASSERT_EQ(recorded.status.getCode(), 0);
  sim::ListEngineModel& engine = recorded.board.timingEngine(2400)->listEngine();
  const UserPath path{{2400, 0}, {2404, 0}};
  EXPECT_EQ(recorded.call<SetContext>(path.request(2)).status, 0);
  EXPECT_EQ(recorded.call<StartCommitSnooping>().status, 0);
  recorded.commitSettings();
  ASSERT_EQ(recorded.status.getCode(), 0);
  EXPECT_EQ(recorded.call<SetListStepUnderCompile>({1, 0}).status, 0);
  const uint32_t words = recorded.call<GetBufferSizeInElements>().elementCount;
  // The commands of the engine reach it during the commit and add nothing.
  EXPECT_EQ(recorded.call<Initiate>().status, 0);
  EXPECT_EQ(recorded.call<ReadListIsDone>().status, 0);
  EXPECT_EQ(recorded.call<Abort>().status, 0);
  EXPECT_EQ(engine.controlLog().empty(), false);
  EXPECT_EQ(recorded.call<GetBufferSizeInElements>().elementCount, words);
  EXPECT_EQ(recorded.call<StopCommitSnooping>().status, 0);
  const auto count = recorded.call<GetBufferSizeInElements>();
  ASSERT_EQ(count.status, 0);
  ASSERT_GT(count.elementCount, 0u);

  // The caller's buffer: the list, then words the driver leaves alone.
  sim::UserBlock list(8 * (count.elementCount + 1));
  list.put<uint64_t>(8 * count.elementCount, 0x5A5A5A5A5A5A5A5A);
  EXPECT_EQ(recorded.call<GetBufferContents>({list.address(), count.elementCount - 1, 0}).status,
            st::kStatusLookupFailure);
  EXPECT_EQ(recorded.call<GetBufferContents>({list.address(), count.elementCount + 1, 0}).status, 0);
  EXPECT_EQ(list.get<uint64_t>(8 * count.elementCount), 0x5A5A5A5A5A5A5A5Au);
  std::vector<uint64_t> program(count.elementCount);
  std::memcpy(program.data(), list.data(), 8 * program.size());
  engine.loadProgram(kLocation[0] | kLocation[1] << 32, program);

  EXPECT_EQ(recorded.call<DeployListSettings>({kLocation[0], kLocation[1], 0}).status, 0);
  const size_t controlsBefore = engine.controlLog().size();
  EXPECT_EQ(recorded.call<Commit>().status, 0);
  EXPECT_EQ(engine.value(engine.address(sim::ListEngineModel::kListLocation)), kLocation[0] | kLocation[1] << 32);
  ASSERT_GE(engine.controlLog().size(), controlsBefore + 3);
  EXPECT_EQ(engine.controlLog()[controlsBefore + 1] & 8, 8u) << "bit 3 pulsed";
  EXPECT_EQ(recorded.call<Initiate>().status, 0);
  EXPECT_EQ(engine.value(engine.address(sim::ListEngineModel::kErrorCount)), 1u) << "only the empty start failed";

  direct.commitSettings();
  ASSERT_EQ(direct.status.getCode(), 0);
  EXPECT_EQ(lo0(recorded), lo0(direct));
  EXPECT_EQ(recorded.board.dac(0).nco(), direct.board.dac(0).nco());
}

// Settings message `type` over `ids`, sent by `who`.
int32_t sendMessage(StartedBoard& board, std::vector<uint32_t> ids, uint32_t type,
                    nVLAPAL000::tEventDescriptor* who = nullptr) {
  sim::UserBlock list(4 * ids.size());
  std::memcpy(list.data(), ids.data(), list.size());
  const SettingsSendMessage::In in{list.address(), static_cast<uint32_t>(ids.size()), type, 0, 0, 0, 0, 0};
  return board.call<SettingsSendMessage>(in, who).status;
}

// What client `client` of `policy` is told of its committed value once it
// deployed `settings` and reserved: kSettingsMustBeCommitted while the
// policy does not vouch for what the board holds.
template <typename tPolicy, typename tSettings>
uint32_t dirtinessOfAReserve(tPolicy& policy, const tSettings& settings, uint32_t client, st::tStatus& status) {
  const rfyulreserve::ReservationClientID id{client};
  policy.deploySettings(id, settings, status);
  uint32_t dirtiness = 7;
  rfyulreserve::ReservationClientID conflicting{};
  policy.reserve(id, dirtiness, conflicting, status);
  return dirtiness;
}

// Parameter: the recording ends by its session's stop request (else by the
// session going away in the middle of it).
class RecordedCommitAndDirectRequests : public testing::TestWithParam<bool> {};

TEST_P(RecordedCommitAndDirectRequests, AreKeptApartAndADirectCommitAfterTheRecordingReachesTheChips) {
  StartedBoard recorded, direct;
  ASSERT_EQ(recorded.status.getCode(), 0);
  nVL9738K_24_0::RfResources& rf = recorded.primitives();
  const vl9738settings::FrequencySettings preset = vl9738settings::frequencyPreset(3);
  const vl9738settings::PowerSettings power(0, 5, 6, 20000, 40);
  for (StartedBoard* board : {&recorded, &direct}) {
    board->primitives().tokens().frequencyPolicy(0).setCoercedSettings(preset);
    board->primitives().tokens().powerPolicy(0).setCoercedSettings(power);
  }
  nVLAPAL000::tEventDescriptor other{nullptr};
  other.session = recorded.device->createSession(other, recorded.device->getDeviceInterfaces()[0], recorded.status);
  const UserPath path{{2400, 0}, {2404, 0}};
  EXPECT_EQ(recorded.call<SetContext>(path.request(2)).status, 0);
  EXPECT_EQ(recorded.call<StartCommitSnooping>().status, 0);
  EXPECT_EQ(sendMessage(recorded, {4, 6}, 1), 0);
  const auto before = lo0(recorded);

  // Another session's direct requests on the recorded maps are refused
  // whole; the settings of LO1 and the cross switch are not recorded.
  EXPECT_EQ(sendMessage(recorded, {3, 6}, 1, &other), st::kStatusListModeFailure);
  EXPECT_EQ(sendMessage(recorded, {1}, 12, &other), st::kStatusListModeFailure) << "a read-back too";
  EXPECT_EQ(sendMessage(recorded, {3, 7}, 1, &other), 0);
  sim::UserBlock name(32);
  std::memcpy(name.data(), "Lo0BoardCtrlRegMap", 18);
  EXPECT_EQ(recorded.call<ArmWrite>({name.address(), 18, 0x80E95C1E, 5, 1, 0}, &other).status,
            st::kStatusListModeFailure);
  EXPECT_EQ(recorded.call<CycleFrequency>().status, st::kStatusListModeFailure) << "never recorded";
  EXPECT_EQ(lo0(recorded), before);
  EXPECT_EQ(recorded.call<SetListStepUnderCompile>({1, 0}).status, 0);

  if (GetParam()) {
    EXPECT_EQ(recorded.call<StopCommitSnooping>().status, 0);
  } else {
    recorded.device->destroySession(recorded.descriptor, recorded.session);
    recorded.descriptor.session = recorded.session = nullptr;
    std::swap(recorded.descriptor, other);
    recorded.session = recorded.descriptor.session;
  }
  // What was only recorded is not what the hardware holds: a client
  // asking for it must commit, and the commit reaches the chips.
  for (uint32_t client : {41, 42}) {
    EXPECT_EQ(dirtinessOfAReserve(rf.tokens().frequencyPolicy(0), preset, client, recorded.status),
              rfyulreserve::kSettingsMustBeCommitted);
  }
  EXPECT_EQ(rf.tokens().powerPolicy(0).committedSettingsStale, 1);
  // The DAC registers the next commit writes: after a stopped recording,
  // those it wrote (the ones a first commit writes), not the whole map.
  const auto dacWrites = [](StartedBoard& board, nVLAPAL000::tEventDescriptor* who) {
    std::vector<uint64_t> before;
    for (unsigned address = 0; address < sim::Ad9162::kRegisters; ++address)
      before.push_back(board.board.dac(0).writesTo(address));
    EXPECT_EQ(sendMessage(board, {4, 6}, 1, who), 0);
    std::set<unsigned> written;
    for (unsigned address = 0; address < sim::Ad9162::kRegisters; ++address) {
      if (board.board.dac(0).writesTo(address) != before[address]) written.insert(address);
    }
    return written;
  };
  const std::set<unsigned> rewritten = dacWrites(recorded, GetParam() ? &other : nullptr);
  const std::set<unsigned> first = dacWrites(direct, nullptr);
  if (GetParam()) {
    EXPECT_EQ(rewritten, first);
  }
  EXPECT_EQ(lo0(recorded), lo0(direct));
  EXPECT_EQ(recorded.board.fixedLogic().refCpld().refClkToLo(0), direct.board.fixedLogic().refCpld().refClkToLo(0));
  if (!GetParam()) return;
  // Running the list moves LO0 again behind the policies.
  EXPECT_EQ(rf.tokens().frequencyPolicy(0).committedSettingsStale, 0);
  EXPECT_EQ(recorded.call<Initiate>().status, 0);
  EXPECT_EQ(rf.tokens().frequencyPolicy(0).committedSettingsStale, 1);
  recorded.device->destroySession(other, other.session);
}

INSTANTIATE_TEST_SUITE_P(EndedByStopOrByTheSessionGoing, RecordedCommitAndDirectRequests, testing::Bool());

// A list of LO0's engine recorded by `recorder` (`record` sends the
// recorded requests), compiled, loaded and committed on the engine.
std::vector<uint64_t> recordList(StartedBoard& board, nVLAPAL000::tEventDescriptor* recorder,
                                 const std::function<void()>& record, uint64_t location = kLocation[0]) {
  EXPECT_EQ(board.call<StartCommitSnooping>({}, recorder).status, 0);
  record();
  EXPECT_EQ(board.call<StopCommitSnooping>({}, recorder).status, 0);
  const uint32_t count = board.call<GetBufferSizeInElements>({}, recorder).elementCount;
  sim::UserBlock list(8 * count + 8);
  EXPECT_EQ(board.call<GetBufferContents>({list.address(), count, 0}, recorder).status, 0);
  std::vector<uint64_t> program(count);
  std::memcpy(program.data(), list.data(), 8 * count);
  board.board.timingEngine(2400)->listEngine().loadProgram(location | kLocation[1] << 32, program);
  EXPECT_EQ(board.call<DeployListSettings>({location, kLocation[1], 0}, recorder).status, 0);
  EXPECT_EQ(board.call<Commit>({}, recorder).status, 0);
  return program;
}

// A recorder and a second session on LO0's engine; after every run the
// registers the engine's lists wrote must be written again by the next
// direct request that asks for the value they held before the run.
struct ListRun : testing::Test {
  ListRun() {
    other.session = board.device->createSession(other, board.device->getDeviceInterfaces()[0], board.status);
    const UserPath path{{2400, 0}, {2404, 0}};
    for (auto* who : {&board.descriptor, &other}) EXPECT_EQ(board.call<SetContext>(path.request(2), who).status, 0);
    std::memcpy(name.data(), "Lo0BoardCtrlRegMap", 18);
  }
  ~ListRun() override { board.device->destroySession(other, other.session); }
  int32_t writeAttenuator(uint32_t value, nVLAPAL000::tEventDescriptor* who) {
    return board.call<ArmWrite>({name.address(), 18, 0x80E95C1E, value, 0, 0}, who).status;
  }
  uint32_t attenuator() { return board.board.fixedLogic().loBoardControl(0, 0); }
  uint32_t shadow() { return board.call<ArmGet>({name.address(), 18, 0x80E95C1E, 0}, &other).value; }
  uint32_t ocxoDac() { return board.board.fixedLogic().refCpld().word(0x128) >> 4 & 0xFFF; }
  // A list of the attenuator (0x15) and the reference's oscillator DAC (3000).
  std::vector<uint64_t> recordAttenuatorAndReference() {
    sim::UserBlock ref(32);
    std::memcpy(ref.data(), "Vl9738RefCpld", 13);
    const uint32_t word = (board.board.fixedLogic().refCpld().word(0x128) & ~0xFFF0u) | 3000u << 4;
    return recordList(board, nullptr, [&] {
      EXPECT_EQ(writeAttenuator(0x15, nullptr), 0);
      EXPECT_EQ(board.call<ArmWrite>({ref.address(), 13, 0x802BA453, word, 0, 0}).status, 0);
    });
  }

  StartedBoard board;
  nVLAPAL000::tEventDescriptor other{nullptr};
  sim::UserBlock name{32};
};

// Recorded by name, by a power commit, or a second (empty) list recorded
// after the first, which then runs again: the attenuator the list wrote
// is rewritten by the next direct write of the value before the run.
TEST_F(ListRun, RewritesTheAttenuatorBehindItsShadowAndTheNextDirectWriteReachesIt) {
  board.primitives().tokens().powerPolicy(0).setCoercedSettings({0, 5, 6, 20000, 0x1E});
  struct Case {
    std::function<void()> record;
    uint32_t listed, direct;
  };
  const Case cases[] = {{[&] { EXPECT_EQ(writeAttenuator(0x15, nullptr), 0); }, 0x15, 0x2A},
                        {[&] { EXPECT_EQ(sendMessage(board, {6}, 1), 0); }, 0x1E, 0x28}};
  for (const Case& c : cases) {
    recordList(board, nullptr, c.record);
    if (c.listed == 0x1E) {
      // A second, empty list replaces the first on the engine; the first runs again.
      recordList(
          board, nullptr, [] {}, kLocation[0] + 0x800);
      EXPECT_EQ(board.call<DeployListSettings>({kLocation[0], kLocation[1], 0}).status, 0);
      EXPECT_EQ(board.call<Commit>().status, 0);
    }
    EXPECT_EQ(writeAttenuator(c.direct, &other), 0);
    ASSERT_EQ(attenuator(), c.direct);
    // The power list runs from the session that never recorded.
    nVLAPAL000::tEventDescriptor* runner = c.listed == 0x1E ? &other : nullptr;
    EXPECT_EQ(board.call<Initiate>({}, runner).status, 0);
    ASSERT_EQ(attenuator(), c.listed);
    EXPECT_EQ(board.call<Abort>({}, runner).status, 0);
    EXPECT_EQ(std::pair(writeAttenuator(c.direct, &other), shadow()), std::pair(0, c.direct));
    EXPECT_EQ(attenuator(), c.direct) << c.listed;
  }
}

// LO0's frequency in a list, started by a session that never recorded:
// after the run, the next commit of the frequency before it reaches the
// DAC's NCO again.
TEST_F(ListRun, OfTheFrequencyIsUndoneByTheNextCommit) {
  auto& policy = board.primitives().tokens().frequencyPolicy(0);
  policy.setCoercedSettings(vl9738settings::frequencyPreset(3));
  recordList(board, nullptr, [&] { EXPECT_EQ(sendMessage(board, {4}, 1), 0); });
  policy.setCoercedSettings(vl9738settings::frequencyPreset(1));
  EXPECT_EQ(sendMessage(board, {4}, 1, &other), 0);
  const auto before = board.board.dac(0).nco();
  EXPECT_EQ(board.call<Initiate>({}, &other).status, 0);
  ASSERT_FALSE(board.board.dac(0).nco() == before) << "the list sets the recorded frequency";
  EXPECT_EQ(board.call<Abort>({}, &other).status, 0);
  EXPECT_EQ(sendMessage(board, {4}, 1, &other), 0);
  EXPECT_EQ(board.board.dac(0).nco(), before);
}

// A list of the attenuator and the reference's oscillator DAC, run in the
// same bring-up, or kept by user mode across a reset, an FPGA download, or
// a failed reset and a good one, then run by a session of the new bring-up:
// the device's record of what the engine's recordings wrote outlives the
// maps and policies each bring-up builds. After the run the reference
// policy is stale, and a client holding another value commits it.
TEST_F(ListRun, KeptAcrossABringUpStillMarksWhatItWrites) {
  const std::vector<uint64_t> list = recordAttenuatorAndReference();
  const uint64_t program = kLocation[0] | kLocation[1] << 32;
  const std::function<void()> bringUps[] = {[] {}, [&] { EXPECT_EQ(board.call<ResetDevice>().status, 0); },
                                            [&] { board.device->downloadFpgaImage(board.status); },
                                            [&] {
                                              board.board.bridge().fpgaLoader().setFault(sim::FpgaLoader::Fault::Fails);
                                              board.call<ResetDevice>();
                                              board.board.bridge().fpgaLoader().setFault(sim::FpgaLoader::Fault::None);
                                              EXPECT_EQ(board.call<ResetDevice>().status, 0);
                                            }};
  for (const auto& bringUp : bringUps) {
    bringUp();
    // Stale, the sessions are opened anew; the list stays where user mode keeps it.
    for (auto* who : {&board.descriptor, &other}) {
      board.device->destroySession(*who, who->session);
      who->session = board.device->createSession(*who, board.device->getDeviceInterfaces()[0], board.status);
      EXPECT_EQ(board.call<SetContext>(UserPath{{2400, 0}, {2404, 0}}.request(2), who).status, 0);
    }
    board.session = board.descriptor.session;
    board.board.timingEngine(2400)->listEngine().loadProgram(program, list);
    auto& policy = board.primitives().tokens().refClockPolicy();
    vl9738settings::RefClockSettings settings;
    policy.setCoercedSettings(settings);
    EXPECT_EQ(sendMessage(board, {1}, 1, &other), 0);
    EXPECT_EQ(writeAttenuator(0x2A, &other), 0);
    ASSERT_EQ(std::pair(attenuator(), ocxoDac()), std::pair(0x2Au, 2702u));
    EXPECT_EQ(board.call<DeployListSettings>({kLocation[0], kLocation[1], 0}).status, 0);
    EXPECT_EQ(board.call<Commit>().status, 0);
    EXPECT_EQ(board.call<Initiate>().status, 0);
    ASSERT_EQ(std::pair(attenuator(), ocxoDac()), std::pair(0x15u, 3000u));
    EXPECT_EQ(board.call<Abort>().status, 0);
    EXPECT_EQ(std::pair(writeAttenuator(0x2A, &other), shadow()), std::pair(0, 0x2Au));
    EXPECT_EQ(attenuator(), 0x2Au);
    EXPECT_EQ(dirtinessOfAReserve(policy, settings, 43, board.status), rfyulreserve::kSettingsMustBeCommitted);
    EXPECT_EQ(sendMessage(board, {1}, 1, &other), 0);
    EXPECT_EQ(ocxoDac(), 2702u);
  }
}

// A list that writes the attenuator, waits for a trigger and writes it
// again: while it is held between the steps, direct writes and commits
// reach the board; after the trigger the register the list overwrote is
// written again by the next direct write of the value before, and the
// power policy does not vouch for the commit the list undid.
TEST_F(ListRun, PacedByATriggerLeavesNoWriteBetweenItsStepsToBeUndoneUnseen) {
  auto& policy = board.primitives().tokens().powerPolicy(0);
  const vl9738settings::PowerSettings power{0, 5, 6, 20000, 0x1E};
  policy.setCoercedSettings(power);
  recordList(board, nullptr, [&] {
    EXPECT_EQ(writeAttenuator(0x15, nullptr), 0);
    EXPECT_EQ(board.call<WaitForListTrigger>({0, 0}).status, 0);
    EXPECT_EQ(writeAttenuator(0x16, nullptr), 0);
  });
  sim::ListEngineModel& engine = board.board.timingEngine(2400)->listEngine();
  engine.setDone(sim::ListEngineModel::Done::kAtEnd);
  EXPECT_EQ(writeAttenuator(0x2A, &other), 0);
  EXPECT_EQ(board.call<Initiate>({}, &other).status, 0);
  ASSERT_EQ(std::pair(attenuator(), engine.waitsForTrigger()), std::pair(0x15u, true));
  for (uint32_t value : {0x2Au, 0x1Eu}) {
    EXPECT_EQ(value == 0x1E ? sendMessage(board, {6}, 1, &other) : writeAttenuator(value, &other), 0);
    EXPECT_EQ(attenuator(), value);
  }
  EXPECT_TRUE(engine.sendTrigger());
  ASSERT_EQ(std::pair(attenuator(), engine.ranToEnd()), std::pair(0x16u, true));
  EXPECT_TRUE(board.call<ReadListIsDone>({}, &other).done) << "the list ended by itself";
  EXPECT_EQ(dirtinessOfAReserve(policy, power, 43, board.status), rfyulreserve::kSettingsMustBeCommitted);
  EXPECT_EQ(writeAttenuator(0x1E, &other), 0);
  EXPECT_EQ(attenuator(), 0x1Eu);
  EXPECT_EQ(board.call<Abort>({}, &other).status, 0);
}

// A session that never recorded starts a list held at a trigger wait,
// writes the attenuator directly, then records with each allocation of the
// recording's start failing in turn; the list's next step rewrites the
// attenuator and the session aborts: the end of the run is marked all the
// same, and the value before it written directly reaches the board.
TEST_F(ListRun, EndIsMarkedWhateverTheStarterRecordsMeanwhile) {
  recordList(board, nullptr, [&] {
    EXPECT_EQ(writeAttenuator(0x15, nullptr), 0);
    EXPECT_EQ(board.call<WaitForListTrigger>({0, 0}).status, 0);
    EXPECT_EQ(writeAttenuator(0x16, nullptr), 0);
  });
  for (uint64_t n = 1;; ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(board.call<Initiate>({}, &other).status, 0);
    EXPECT_EQ(writeAttenuator(0x2A, &other), 0);
    ASSERT_EQ(attenuator(), 0x2Au);
    sim::Memory::allocationFaults().failNth(n, -51352);
    board.call<StartCommitSnooping>({}, &other);
    const bool injected = sim::Memory::allocationFaults().injected();
    sim::Memory::allocationFaults().clear();
    board.call<StopCommitSnooping>({}, &other);
    EXPECT_TRUE(board.board.sendListTrigger(2400));
    ASSERT_EQ(attenuator(), 0x16u);
    EXPECT_EQ(board.call<Abort>({}, &other).status, 0);
    EXPECT_EQ(writeAttenuator(0x2A, &other), 0);
    EXPECT_EQ(attenuator(), 0x2Au);
    if (!injected) break;
  }
}

// The board's own design downloaded through a session of the FPGA
// interface, as another process would.
void downloadThroughAnFpgaSession(StartedBoard& board) {
  sim::FpgaPersonality design(board.board.fpga(), 0x10, 0x14, 0x20);
  design.setSignature({0xA1, 0xB2, 0xC3, 0xD4});
  const std::vector<uint8_t> bitfile(4096, 0x5A);
  board.board.bridge().fpgaLoader().expect(bitfile);
  const auto personality = userCopyOf(personalityBlock(1u << 29));
  const auto fifos = userCopyOf({});
  const auto image = userCopyOf(bitfile);
  using Configure = nVL9738K_24_0::lymrequests::ConfigurePersonalityQrt;
  const Configure::In in{.personalityAddress = personality->address(),
                         .personalitySize = 48,
                         .fifoListAddress = fifos->address(),
                         .bitfileAddress = image->address(),
                         .bitfileSize = uint32_t(bitfile.size())};
  nVLAPAL000::tEventDescriptor fpga{nullptr};
  fpga.session = board.device->createSession(fpga, board.device->getDeviceInterfaces()[1], board.status);
  const auto configured = callMain<Configure>(*board.device, fpga, in, 1);
  EXPECT_EQ(std::pair(configured.status, configured.downloaded), std::pair(0, uint8_t{1}));
  board.device->destroySession(fpga, fpga.session);
}

// A list of the attenuator and the reference's oscillator DAC, started by
// its recorder and cut by a download through an FPGA session (else by the
// recorder's close after an abort the engine never answered). The download
// stops the engine: a repeated write stays off the bus, and a committed
// LO0 power and reference serve. After the failed stop the list may still
// run: the write goes out again and neither policy vouches for its commit.
class ListRunEnd : public ListRun, public testing::WithParamInterface<bool> {};

TEST_P(ListRunEnd, ComesWithADownloadAndNotWithTheStartersCloseAfterAFailedAbort) {
  const bool download = GetParam();
  recordAttenuatorAndReference();
  if (!download) board.board.timingEngine(2400)->listEngine().setDone(sim::ListEngineModel::Done::kNever);
  EXPECT_EQ(board.call<Initiate>().status, 0);
  ASSERT_EQ(std::pair(attenuator(), ocxoDac()), std::pair(0x15u, 3000u));
  if (download) {
    downloadThroughAnFpgaSession(board);
    board.device->destroySession(other, other.session);
    other.session = board.device->createSession(other, board.device->getDeviceInterfaces()[0], board.status);
  } else {
    EXPECT_NE(board.call<Abort>().status, 0);
  }
  board.device->destroySession(board.descriptor, board.session);
  board.descriptor.session = board.session = nullptr;

  const auto attenuatorWrites = [&] {
    return std::ranges::count(board.board.fixedLogic().timedWrites(),
                              sim::FixedLogic::kLoCpld[0] + sim::FixedLogic::kLoBoardControl,
                              &sim::FixedLogic::TimedWrite::offset);
  };
  EXPECT_EQ(writeAttenuator(0x2A, &other), 0);
  const auto before = attenuatorWrites();
  EXPECT_EQ(writeAttenuator(0x2A, &other), 0);
  EXPECT_EQ(attenuatorWrites() - before, download ? 0 : 1);
  auto& tokens = board.primitives().tokens();
  const vl9738settings::PowerSettings power{0, 5, 6, 20000, 0x1E};
  const vl9738settings::RefClockSettings reference;
  tokens.powerPolicy(0).setCoercedSettings(power);
  tokens.refClockPolicy().setCoercedSettings(reference);
  EXPECT_EQ(sendMessage(board, {6, 1}, 1, &other), 0);
  const uint32_t expected = download ? rfyulreserve::kCommittedSettingsServe : rfyulreserve::kSettingsMustBeCommitted;
  EXPECT_EQ(dirtinessOfAReserve(tokens.powerPolicy(0), power, 43, board.status), expected);
  EXPECT_EQ(dirtinessOfAReserve(tokens.refClockPolicy(), reference, 44, board.status), expected);
}

INSTANTIATE_TEST_SUITE_P(DownloadOrClose, ListRunEnd, testing::Bool());

TEST(ListModeRoad, SetContextNeedsTheEngines) {
  StartedBoard board;
  const UserPath unknown{{2405, 0}, {2404, 0}};
  EXPECT_EQ(board.call<SetContext>(unknown.request(2)).status, 0) << "a path that names no node";
  EXPECT_EQ(board.call<StartCommitSnooping>().status, st::kStatusRequestFailure);
  const UserPath path{{2401, 0}, {2404, 0}};
  EXPECT_EQ(board.call<SetContext>(path.request(2)).status, 0);
  EXPECT_EQ(board.call<SetContext>(path.request(2)).status, st::kStatusListModeFailure);
  // A download that stops before its end leaves no engines and makes the
  // session stale; a new session then finds no engines to record on, and
  // the device records no commit, without a session none at all.
  board.device->prepareForFpgaDownload(board.status);
  listmodek::Session session(nullptr, nullptr, 10, board.status);
  tStatus refused, none;
  board.device->startCommitSnooping(&session, refused);
  board.device->startCommitSnooping(nullptr, none);
  EXPECT_EQ(std::tuple(refused.getCode(), none.getCode()),
            std::tuple(nVL9738K_24_0::codes::kInvalidArgument, st::kStatusRequestFailure));
  board.device->destroySession(board.descriptor, board.session);
  board.session = board.device->createSession(board.descriptor, board.device->getDeviceInterfaces()[0], board.status);
  board.descriptor.session = board.session;
  EXPECT_EQ(board.call<SetContext>(path.request(2)).status, static_cast<int32_t>(0xBFFA9178u));
}

// A download refused before it began (the FPGA's FIFOs would not stop)
// makes the sessions stale and keeps every object: the recorder's close
// ends its recording, so a new session's write reaches the board and it
// records on the engine in turn.
TEST_F(ListRun, CutByADownloadRefusedBeforeItBeganEndsWithTheRecordersClose) {
  EXPECT_EQ(board.call<StartCommitSnooping>().status, 0);
  EXPECT_EQ(writeAttenuator(0x15, nullptr), 0);
  tStatus refused;
  refused.setCode(st::kStatusNotAccessible, VL_SITE);
  board.device->prepareForFpgaDownload(refused);
  board.device->destroySession(board.descriptor, board.session);
  board.device->destroySession(other, other.session);
  other.session = board.device->createSession(other, board.device->getDeviceInterfaces()[0], board.status);
  board.descriptor.session = board.session = nullptr;
  EXPECT_EQ(writeAttenuator(0x2A, &other), 0);
  EXPECT_EQ(attenuator(), 0x2Au);
  EXPECT_EQ(board.call<SetContext>(UserPath{{2400, 0}, {2404, 0}}.request(2), &other).status, 0);
  EXPECT_EQ(board.call<StartCommitSnooping>({}, &other).status, 0);
  EXPECT_EQ(board.call<StopCommitSnooping>({}, &other).status, 0);
}

TEST(LateInitialization, WithoutTheAcquisitionEngineTheGenerationGroupWorksAndTheRecordFails) {
  sim::BoardOptions options;
  options.timingEngines = {sim::TimingEngineSubtree::generation()};
  StartedBoard started(options);
  EXPECT_EQ(started.device->getDriverStatus(Device::kLevelLateInitialization)->getCode(),
            static_cast<int32_t>(0xBFFA8185u));
  sim::TimerBlockModel& timer = started.board.timingEngine(2400)->timer();
  EXPECT_EQ(timer.value(timer.pllCounter(0, 3)), 1u) << "the generation engine keeps its controls";
  ov3ifw::OV3IFWResources& engines = *started.device->getIFWResources();
  tStatus generation, acquisition;
  EXPECT_NE(engines.getGenerationTriggerControl(generation), nullptr);
  EXPECT_EQ(engines.getAcquisitionTriggerControl(acquisition), nullptr);
  EXPECT_EQ(std::pair(generation.getCode(), acquisition.getCode()),
            std::pair(int64_t{0}, int64_t{static_cast<int32_t>(0xBFFA8185u)}));
  EXPECT_EQ(started.call<Initiate>().status, static_cast<int32_t>(0xBFFA8185u)) << "level-4 requests answer it";
}

}  // namespace
}  // namespace vltest
