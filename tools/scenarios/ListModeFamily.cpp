// List-mode commits through the main interface: a session of its own
// records the settings of one LO path (frequency and power, values of the
// step) into a list on its path's engine, then abandons the recording,
// ends it without a list to run, runs it on the model's list engine and
// commits the same settings directly, or stops it and commits the same
// settings directly from another session without ever starting the list.
// The recording also writes the path's attenuator by name and resets the
// reference to its defaults (refused part-way: this session holds no
// reservation of it); one ending writes the attenuator directly before the
// list runs and leaves what the run wrote, another commits the reference
// clock's defaults between the stop and the run (noted for the policy
// check: the list's reset leaves the oscillator DAC stopped). Other
// sessions commit LO settings directly meanwhile.
//
// Invariants, in steps where nothing else can write the recorded path (the
// other operations only open sessions or commit the other path directly;
// no reset, shutdown, removal, re-adding or hardware fault):
// - the recording session's writes become p-code: the path's DAC holds what
//   it held before the recording began;
// - the list, run on the engine, leaves the DAC as the direct commit of the
//   same settings does, and the engine counts no failed instruction;
// - a direct commit leaves the NCO words it asked for.
// With no session open, no recording is left on the engine: a new session
// can begin one.
//
// Half the recordings wait for a list trigger after the settings commit:
// their run holds there until the model is sent a trigger. Another
// operation starts the list an engine keeps, recorded in this step or
// before any number of resets, downloads and failed resets, from a new
// session: between the list's steps it writes the attenuator by name and
// commits the path's settings, then sends the trigger, and at the end it
// aborts the run or closes the session that started it. The shadow and
// policy checks after the step then meet what the run left.
//
// The device keeps the record of the registers an engine's recordings
// wrote from its addition to its removal; a list recorded before the device
// was last added is not this device's, so once such a list may have run,
// the maps its engine records are left out of the shadow check until the
// next addition.
#include <algorithm>
#include <cstring>
#include <deque>
#include <iterator>
#include <string>
#include <vector>

#include "Family.h"
#include "driver/board/ioctl/ArmRequests.h"
#include "driver/board/ioctl/ListModeRequests.h"
#include "driver/board/ioctl/ReservationRequests.h"
#include "driver/board/ioctl/SettingsRequests.h"
#include "sim/kernel/UserMemory.h"

namespace vlscenario {
namespace {

namespace rq = nVL9738K_24_0::requests;

constexpr int32_t kListModeBusy = -52031;
// The generation engine records LO0, the acquisition engine LO1.
constexpr uint16_t kTimingEngine[2] = {2400, 2401};
constexpr uint16_t kListEngineLeaf = 2404;
// Where the lists of this family lie; the second never holds one.
constexpr uint64_t kListLocation[2] = {0x1000, 0x2};
constexpr uint64_t kEmptyLocation[2] = {0x7000, 0x2};
// The checked maps a list recorded on each LO path's engine may write.
const std::vector<std::string> kEngineMaps[2] = {
    {"Lo0Ad9162RegMap", "Lo0BoardCtrlRegMap", "Vl9738RefCpld", "Lo0RefClkToLoRegMap", "Lo1RefClkToLoRegMap",
     "Ad9512RegMap", "Hmc703RegMap"},
    {"Lo1Ad9162RegMap", "Lo1BoardCtrlRegMap", "Vl9738RefCpld", "Lo0RefClkToLoRegMap", "Lo1RefClkToLoRegMap",
     "Ad9512RegMap", "Hmc703RegMap"}};
// Resource ids of the settings messages: LO frequency 4 + lo, power 6 + lo.
constexpr uint32_t kLoFrequency = 4;
constexpr uint32_t kLoPower = 6;
constexpr uint32_t kMessageCommit = 1;
constexpr uint32_t kMessageResetToDefaults = 8;
constexpr uint32_t kRefClock = 1;
constexpr uint32_t kAttenuatorId = 0x80E95C1E;
// The user-memory layout of one operation.
constexpr size_t kDescriptorAt = 0x000, kPathAt = 0x80, kPolicyNameAt = 0x100, kPolicyIdsAt = 0x180, kIdsAt = 0x200,
                 kResultsAt = 0x300, kMapNameAt = 0x380, kBlobAt = 0x400;

const std::vector<std::string> kHarmlessKinds = {"open a main-interface session", "open an FPGA-interface session"};
constexpr const char kRecordKind[] = "record a list-mode commit";
constexpr const char kDirectKind[] = "commit an LO path directly";
constexpr const char kKeptKind[] = "start the list an engine keeps";

// What an LO path's DAC holds.
struct DacState {
  std::vector<uint8_t> registers;
  sim::Ad9162::Nco nco;
  bool operator==(const DacState&) const = default;
};

DacState dacState(Scenario& scenario, unsigned lo) {
  sim::Ad9162& dac = scenario.board().dac(lo);
  DacState state;
  state.registers.resize(sim::Ad9162::kRegisters);
  for (unsigned address = 0; address < sim::Ad9162::kRegisters; ++address) state.registers[address] = dac.reg(address);
  state.nco = dac.nco();
  return state;
}

std::string firstDifference(const DacState& a, const DacState& b) {
  for (size_t address = 0; address < a.registers.size(); ++address) {
    if (a.registers[address] != b.registers[address])
      return "register " + hex(static_cast<uint32_t>(address)) + " " + std::to_string(a.registers[address]) +
             " against " + std::to_string(b.registers[address]);
  }
  return "the NCO words";
}

// The settings one operation commits to one LO path.
struct LoSettings {
  uint32_t lo = 0;
  uint64_t ftw = 0;
  uint64_t modulus = 0;
  uint64_t delta = 0;
  uint16_t phase = 0;
  uint16_t fullScale = 0;
  uint16_t amplitude = 0;
  uint8_t attenuator = 0;

  static LoSettings draw(Random& random) {
    LoSettings s;
    s.lo = random.below(2);
    s.ftw = random.next() & 0xFFFFFFFFFFFFull;
    s.modulus = 2 + random.below(1u << 20);
    s.delta = random.below(static_cast<uint32_t>(s.modulus));
    s.phase = static_cast<uint16_t>(random.below(0x10000));
    s.fullScale = static_cast<uint16_t>(random.below(1024));
    s.amplitude = static_cast<uint16_t>(random.below(0x8000));
    s.attenuator = static_cast<uint8_t>(random.below(128));
    return s;
  }
  sim::Ad9162::Nco nco() const { return {ftw, delta, modulus}; }
};

// A deploy blob of the path's frequency and power records, as the wire
// carries them: no settling times, not a suggestion, the other fields
// their defaults.
std::vector<uint8_t> deployBlob(const LoSettings& s) {
  std::vector<uint8_t> blob(4, 0);
  const auto put = [&blob](uint64_t value, unsigned bytes) {
    for (unsigned i = 0; i < bytes; ++i) blob.push_back(static_cast<uint8_t>(value >> (8 * i)));
  };
  put(kLoFrequency + s.lo, 4);
  for (int i = 0; i < 18; ++i) put(0, 4);
  put(s.ftw, 8);
  put(s.modulus, 8);
  put(s.delta, 8);
  put(s.phase, 2);
  put(s.fullScale, 2);
  // Reference routing 3, signal path 0, 0, 1, 0, 2, aux 0, DLL enabled.
  for (uint8_t byte : {3, 0, 0, 1, 0, 2, 0, 1}) put(byte, 1);
  for (int i = 0; i < 13 + 1 + 16; ++i) put(0, 1);
  put(kLoPower + s.lo, 4);
  put(0, 4);
  put(0, 4);
  put(s.amplitude, 2);
  put(s.attenuator, 1);
  put(0, 1);
  return blob;
}

// kRunOver: after the list is committed, the recorder writes the recorded
// attenuator directly with another value, and the list runs over it and
// stops with nothing committed after it: the shadow check meets what the
// run left.
enum class Ending { kAbandon, kNoList, kRun, kStopOnly, kRunOver };

// What one operation saw, for the checks after its step.
struct Observed {
  bool record = false;
  LoSettings settings;
  Ending ending = Ending::kRun;
  // The recording began: the DAC before it, and after the settings commit.
  bool recording = false;
  DacState before, recorded;
  // The recording session's stop request answered 0.
  bool stopped = false;
  // Every request answered 0 up to the end the operation chose.
  bool complete = false;
  DacState ran, direct;
  uint64_t engineErrors = 0;
  // Between the recording's stop and the run, the recorder commits the
  // reference clock (its defaults), which the list's reset overwrites.
  bool commitReference = false;
  // The recording waits for a list trigger after its settings commit.
  bool paced = false;
  // Starting a kept list: what is done between its steps (bit 0 a write by
  // name, bit 1 a commit, per step), and whether the run is aborted before
  // the starting session closes.
  uint32_t between = 0;
  bool abort = false;
};

class ListModeFamily : public Family {
 public:
  void addKinds(std::vector<OperationKind>& kinds) override {
    const OperationKind own[] = {
        {kRecordKind, 6, false, boardPresent,
         [this](Scenario& scenario, Random& random) {
           Observed& op = add(true, random);
           const uint32_t ending = random.below(6);
           const Ending endings[] = {Ending::kAbandon, Ending::kNoList,   Ending::kRun,
                                     Ending::kRun,     Ending::kStopOnly, Ending::kRunOver};
           const char* const said[] = {"abandoned",
                                       "no list run",
                                       "run on the engine",
                                       "run on the engine after a reference commit",
                                       "stopped, then committed directly",
                                       "run over a direct write and left"};
           op.ending = endings[ending];
           op.commitReference = ending == 3;
           op.paced = random.below(2) == 0;
           scenario.describe("record LO" + std::to_string(op.settings.lo) +
                             (op.paced ? " in a paced list, " : " in a list, ") + said[ending]);
           scenario.addTask("record", [this, &scenario, &op] { record(scenario, op); });
         }},
        {kKeptKind, 3, false, boardPresent,
         [this](Scenario& scenario, Random& random) {
           Observed& op = add(false, random);
           op.between = random.below(1u << 6);
           op.abort = random.below(2) == 0;
           scenario.describe("start LO" + std::to_string(op.settings.lo) + "'s kept list, then " +
                             (op.abort ? "abort it" : "close"));
           scenario.addTask("start", [this, &scenario, &op] { startKept(scenario, op); });
         }},
        {kDirectKind, 4, false, boardPresent,
         [this](Scenario& scenario, Random& random) {
           Observed& op = add(false, random);
           scenario.describe("commit LO" + std::to_string(op.settings.lo) + " directly");
           scenario.addTask("commit", [this, &scenario, &op] { commitDirectly(scenario, op); });
         }},
    };
    kinds.insert(kinds.end(), std::begin(own), std::end(own));
  }

  void afterStep(Scenario& scenario) override {
    const StepEvents& events = scenario.events();
    const bool disturbed =
        events.generationAdvanced || events.removed || events.added || events.deleted || events.hardwareFault;
    for (const Observed& op : ops_) {
      if (!disturbed && alone(scenario, op)) check(scenario, op);
    }
    ops_.clear();
    followEngines(scenario);
  }

  void whenIdle(Scenario& scenario) override {
    if (!used_) return;
    used_ = false;
    scenario.runTask("list-mode probe", [&scenario] {
      for (uint32_t lo = 0; lo < 2; ++lo) {
        Session session;
        session.file = sim::DeviceFile::open(scenario.module(), kMainInterface);
        if (!session.file) return;
        sim::UserBlock user(0x100);
        putPath(user, 0, lo);
        const Answer context = scenario.call<rq::SetContext>(session, {user.address(), 2, 0});
        if (context.answer() == 0) {
          const Answer begun = scenario.call<rq::StartCommitSnooping>(session, {0});
          if (begun.answer() == kListModeBusy)
            scenario.fail("with no session open a list is still being recorded on LO" + std::to_string(lo) +
                          "'s engine");
          if (begun.answer() == 0) scenario.call<rq::StopCommitSnooping>(session, {0});
        }
        session.file->close();
      }
    });
  }

 private:
  Observed& add(bool record, Random& random) {
    used_ = true;
    ops_.emplace_back();
    Observed& op = ops_.back();
    op.record = record;
    op.settings = LoSettings::draw(random);
    // A direct commit may share the settings a recording of the step holds.
    for (const Observed& other : ops_) {
      if (!record && other.record && random.below(2) == 0) {
        op.settings = other.settings;
        break;
      }
    }
    return op;
  }

  static void putPath(sim::UserBlock& user, size_t at, uint32_t lo) {
    user.put<uint16_t>(at, kTimingEngine[lo]);
    user.put<uint8_t>(at + 2, 0);
    user.put<uint16_t>(at + 4, kListEngineLeaf);
    user.put<uint8_t>(at + 6, 0);
  }

  // Each operation of this family whose path nothing else of the step can
  // write: the others only open sessions or commit the other path.
  bool alone(Scenario& scenario, const Observed& op) const {
    size_t ownKinds = 0;
    for (const std::string& kind : scenario.stepKinds()) {
      if (kind == kRecordKind || kind == kDirectKind || kind == kKeptKind) {
        ++ownKinds;
      } else if (std::find(kHarmlessKinds.begin(), kHarmlessKinds.end(), kind) == kHarmlessKinds.end()) {
        return false;
      }
    }
    if (ownKinds != ops_.size()) return false;
    for (const Observed& other : ops_) {
      if (&other != &op && other.settings.lo == op.settings.lo) return false;
    }
    return true;
  }

  void check(Scenario& scenario, const Observed& op) {
    const std::string path = "LO" + std::to_string(op.settings.lo);
    if (op.recording && !(op.recorded == op.before)) {
      scenario.fail("a commit recorded into a list changed " + path +
                    "'s DAC: " + firstDifference(op.recorded, op.before));
    }
    if (!op.complete) return;
    if (op.record && op.ending == Ending::kRun) {
      if (!(op.ran == op.direct)) {
        scenario.fail("the list run on the engine left " + path +
                      "'s DAC other than the direct commit: " + firstDifference(op.ran, op.direct));
      }
      if (op.engineErrors != 0) scenario.fail("the engine failed an instruction of the recorded list");
    }
    if (!(op.direct.nco == op.settings.nco())) {
      scenario.fail("a direct commit left " + path + "'s NCO other than it asked");
    }
  }

  // Opens the session, gives it a reservation client, deploys and reserves
  // the path's settings. False when any of it failed.
  static bool prepareSession(Scenario& scenario, Session& session, sim::UserBlock& user, const LoSettings& s) {
    session.file = sim::DeviceFile::open(scenario.module(), kMainInterface);
    if (!session.file) return false;
    const std::string name = "list-" + std::to_string(scenario.step()) + "-" + std::to_string(s.ftw & 0xFFFF);
    std::memcpy(user.data() + kDescriptorAt, name.data(), name.size());
    const std::vector<uint8_t> blob = deployBlob(s);
    std::memcpy(user.data() + kBlobAt, blob.data(), blob.size());
    user.put<uint32_t>(kIdsAt, kLoFrequency + s.lo);
    user.put<uint32_t>(kIdsAt + 4, kLoPower + s.lo);
    const uint64_t base = user.address();
    if (!ok(scenario,
            scenario.call<rq::SetDescriptor>(session, {base + kDescriptorAt, static_cast<uint32_t>(name.size()), 0})))
      return false;
    if (!ok(scenario, scenario.call<rq::SettingsDeploy>(session, {base + kBlobAt, uint32_t(blob.size()), 0})))
      return false;
    // The path's policies, found by their names as user mode finds them.
    const std::string lo = "9738 LO" + std::to_string(s.lo);
    const std::string policies[2] = {lo + " Frequency", lo + " Power"};
    for (size_t i = 0; i < 2; ++i) {
      std::memcpy(user.data() + kPolicyNameAt, policies[i].data(), policies[i].size());
      rq::FindReservationPolicyID::Out found{};
      if (!ok(scenario, scenario.call<rq::FindReservationPolicyID>(
                            session, {base + kPolicyNameAt, uint32_t(policies[i].size()), 0, 0}, &found)))
        return false;
      user.put<uint32_t>(kPolicyIdsAt + 4 * i, found.policyId);
    }
    return ok(scenario, scenario.call<rq::Reserve>(session, {2, base + kPolicyIdsAt, base + kResultsAt, {}, 0}));
  }

  static bool ok(Scenario& scenario, const Answer& answer) {
    scenario.record(answer);
    return answer.answer() == 0;
  }

  static bool commitMessage(Scenario& scenario, Session& session, sim::UserBlock& user) {
    return ok(scenario, scenario.call<rq::SettingsSendMessage>(
                            session, {user.address() + kIdsAt, 2, kMessageCommit, 0, 0, 0, 0, 0}));
  }

  void commitDirectly(Scenario& scenario, Observed& op) {
    Session session;
    sim::UserBlock user(0x800);
    if (prepareSession(scenario, session, user, op.settings) && commitMessage(scenario, session, user)) {
      op.direct = dacState(scenario, op.settings.lo);
      op.complete = true;
    }
    if (session.file) session.file->close();
  }

  void record(Scenario& scenario, Observed& op) {
    Session session;
    sim::UserBlock user(0x800);
    const LoSettings& s = op.settings;
    putPath(user, kPathAt, s.lo);
    if (prepareSession(scenario, session, user, s) &&
        ok(scenario, scenario.call<rq::SetContext>(session, {user.address() + kPathAt, 2, 0}))) {
      op.before = dacState(scenario, s.lo);
      if (ok(scenario, scenario.call<rq::StartCommitSnooping>(session, {0}))) {
        op.recording = true;
        scenario.noteListRecording();
        // Besides the settings commit, a write by name of the path's
        // attenuator and a reset of the reference to its defaults, which
        // this session holds no reservation for: what it wrote before it
        // failed stays in the list.
        const bool committed = commitMessage(scenario, session, user);
        if (op.paced) ok(scenario, scenario.call<rq::WaitForListTrigger>(session, {0, 0}));
        ok(scenario, writeAttenuator(scenario, session, user, s.lo, s.attenuator ^ 0x55));
        user.put<uint32_t>(kIdsAt + 8, kRefClock);
        scenario.record(scenario.call<rq::SettingsSendMessage>(
            session, {user.address() + kIdsAt + 8, 1, kMessageResetToDefaults, 0, 0, 0, 0, 0}));
        op.recorded = dacState(scenario, s.lo);
        if (committed && ok(scenario, scenario.call<rq::SetListStepUnderCompile>(session, {1, 0})) &&
            op.ending != Ending::kAbandon) {
          finishList(scenario, session, user, op);
        }
      }
    }
    // A session closed in the middle of its recording ends it.
    if (session.file) session.file->close();
    // A list never started left the hardware where it was: a direct commit
    // of the recorded settings must still reach the DAC.
    if (op.ending == Ending::kStopOnly && op.stopped) commitDirectly(scenario, op);
  }

  // A new session starts whatever list the engine keeps at the family's
  // location; while the run holds at a trigger wait, direct requests
  // write the registers it will write again.
  void startKept(Scenario& scenario, Observed& op) {
    Session session;
    sim::UserBlock user(0x800);
    const uint32_t lo = op.settings.lo;
    putPath(user, kPathAt, lo);
    if (prepareSession(scenario, session, user, op.settings) &&
        ok(scenario, scenario.call<rq::SetContext>(session, {user.address() + kPathAt, 2, 0})) &&
        ok(scenario, scenario.call<rq::DeployListSettings>(session, {kListLocation[0], kListLocation[1], 0})) &&
        ok(scenario, scenario.call<rq::Commit>(session, {0})) &&
        ok(scenario, scenario.call<rq::Initiate>(session, {0}))) {
      for (uint32_t step = 0; step < 3; ++step) {
        const uint32_t acts = op.between >> (2 * step);
        if ((acts & 1) != 0) ok(scenario, writeAttenuator(scenario, session, user, lo, op.settings.attenuator + step));
        if ((acts & 2) != 0) commitMessage(scenario, session, user);
        if (!scenario.board().sendListTrigger(kTimingEngine[lo])) break;
      }
      ok(scenario, writeAttenuator(scenario, session, user, lo, op.settings.attenuator));
      if (op.abort) ok(scenario, scenario.call<rq::Abort>(session, {0}));
    }
    if (session.file) session.file->close();
  }

  static Answer writeAttenuator(Scenario& scenario, Session& session, sim::UserBlock& user, uint32_t lo,
                                uint32_t value) {
    const std::string map = "Lo" + std::to_string(lo) + "BoardCtrlRegMap";
    std::memcpy(user.data() + kMapNameAt, map.data(), map.size());
    return scenario.call<rq::ArmWrite>(session,
                                       {user.address() + kMapNameAt, map.size(), kAttenuatorId, value & 0x7F, 0, 0});
  }

  // Deploys, reserves and commits the reference clock's defaults; another
  // client holding another value refuses it. A commit that went through is
  // noted for the policy check.
  static void commitReference(Scenario& scenario, Session& session, sim::UserBlock& user) {
    const std::vector<uint8_t> record = {kRefClock, 0, 0, 0,  0, 0,  0,  0, 0, 0, 0, 0, 0, 0, 0x8E,
                                         0x0A,      2, 0, 20, 0, 40, 40, 0, 0, 0, 0, 5, 0, 1, 0};
    std::memset(user.data() + kBlobAt, 0, 4);
    std::memcpy(user.data() + kBlobAt + 4, record.data(), record.size());
    constexpr char kPolicy[] = "9738 Reference Clock Source";
    std::memcpy(user.data() + kPolicyNameAt, kPolicy, sizeof(kPolicy) - 1);
    const uint64_t base = user.address();
    rq::FindReservationPolicyID::Out found{};
    if (!ok(scenario, scenario.call<rq::SettingsDeploy>(session, {base + kBlobAt, uint32_t(record.size() + 4), 0})) ||
        !ok(scenario, scenario.call<rq::FindReservationPolicyID>(
                          session, {base + kPolicyNameAt, uint32_t(sizeof(kPolicy) - 1), 0, 0}, &found)))
      return;
    user.put<uint32_t>(kPolicyIdsAt, found.policyId);
    if (!ok(scenario, scenario.call<rq::Reserve>(session, {1, base + kPolicyIdsAt, base + kResultsAt, {}, 0}))) return;
    user.put<uint32_t>(kIdsAt + 8, kRefClock);
    if (ok(scenario,
           scenario.call<rq::SettingsSendMessage>(session, {base + kIdsAt + 8, 1, kMessageCommit, 0, 0, 0, 0, 0})))
      scenario.shadowCheck().policies().noteCommitted(record);
  }

  void finishList(Scenario& scenario, Session& session, sim::UserBlock& user, Observed& op) {
    if (!ok(scenario, scenario.call<rq::StopCommitSnooping>(session, {0}))) return;
    op.stopped = true;
    if (op.ending == Ending::kStopOnly) return;
    rq::GetBufferSizeInElements::Out size{};
    if (!ok(scenario, scenario.call<rq::GetBufferSizeInElements>(session, {0}, &size))) return;
    sim::UserBlock list(8 * (size_t{size.elementCount} + 1));
    if (!ok(scenario, scenario.call<rq::GetBufferContents>(session, {list.address(), size.elementCount, 0}))) return;
    sim::TimingEngineSubtree* engine = scenario.board().timingEngine(kTimingEngine[op.settings.lo]);
    if (engine == nullptr) return;
    sim::ListEngineModel& lists = engine->listEngine();
    const bool run = op.ending == Ending::kRun || op.ending == Ending::kRunOver;
    const uint64_t(&location)[2] = run ? kListLocation : kEmptyLocation;
    if (run) {
      std::vector<uint64_t> program(size.elementCount);
      std::memcpy(program.data(), list.data(), 8 * program.size());
      lists.loadProgram(location[0] | location[1] << 32, program);
      engines_[op.settings.lo].loadedInStep = true;
    }
    const uint64_t errors = lists.value(lists.address(sim::ListEngineModel::kErrorCount));
    if (!ok(scenario, scenario.call<rq::DeployListSettings>(session, {location[0], location[1], 0})) ||
        !ok(scenario, scenario.call<rq::Commit>(session, {0})))
      return;
    if (op.ending == Ending::kRunOver && !ok(scenario, writeAttenuator(scenario, session, user, op.settings.lo, 0x33)))
      return;
    if (op.commitReference) commitReference(scenario, session, user);
    if (!ok(scenario, scenario.call<rq::Initiate>(session, {0}))) return;
    if (op.ending == Ending::kRunOver) {
      ok(scenario, scenario.call<rq::Abort>(session, {0}));
      return;
    }
    op.ran = dacState(scenario, op.settings.lo);
    op.engineErrors = lists.value(lists.address(sim::ListEngineModel::kErrorCount)) - errors;
    // The stop makes the next commit rewrite every register it sets.
    if (!ok(scenario, scenario.call<rq::Abort>(session, {0}))) return;
    if (!commitMessage(scenario, session, user)) return;
    op.direct = dacState(scenario, op.settings.lo);
    op.complete = true;
  }

  // Within a step the order of an addition and a recording, load or start
  // is not known: a step with an addition counts its loads as older than
  // it, and its starts as after it.
  void followEngines(Scenario& scenario) {
    const bool broughtUp = scenario.events().added;
    for (uint32_t lo = 0; lo < 2; ++lo) {
      EngineLists& lists = engines_[lo];
      sim::TimingEngineSubtree* engine = scenario.board().timingEngine(kTimingEngine[lo]);
      const size_t commands = engine != nullptr ? engine->listEngine().controlLog().size() : 0;
      const bool started = commands != lists.commands;
      lists.commands = commands;
      if (broughtUp) {
        lists.leftOut = false;
        lists.older = lists.older || lists.loaded || lists.loadedInStep;
      }
      if (started && lists.older) lists.leftOut = true;
      // A load of this step's recording replaces the list at its location.
      if (lists.loadedInStep && !broughtUp) lists.older = false;
      lists.loaded = lists.loaded || lists.loadedInStep;
      lists.loadedInStep = false;
      if (lists.leftOut) {
        for (const std::string& map : kEngineMaps[lo]) scenario.leaveOutShadows(map);
      }
    }
  }

  // Operations of the running step, in the order they were prepared; their
  // tasks hold references, which a deque keeps valid as it grows.
  std::deque<Observed> ops_;
  bool used_ = false;
  // What each LO path's engine holds in the model's list memory.
  struct EngineLists {
    bool loaded = false;        // a list of this family, ever
    bool loadedInStep = false;  // in the running step
    bool older = false;         // a list recorded before the device's last addition
    size_t commands = 0;        // start and stop commands the engine took
    bool leftOut = false;       // such a list may have run since that addition
  };
  EngineLists engines_[2];
};

}  // namespace

std::unique_ptr<Family> makeListModeFamily() { return std::make_unique<ListModeFamily>(); }

}  // namespace vlscenario
