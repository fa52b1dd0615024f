// Shared RF settings from several main-interface sessions: each deploys a
// value of the cross switch, an LO frequency, an LO power or the reference
// clock, reserves the setting's policy and commits it, noting the value
// for the policy check (PolicyCheck.h); others release, commit whatever the holders agreed,
// cycle the LO0 frequency or put a setting back to its default. The values
// come from a few per setting, so two sessions often ask for different
// values of one setting and one of them must be refused.
//
// The family keeps its sessions to itself and remembers what each holds.
// After each step: no two sessions hold one setting with different values;
// a refusal that names one of the family's clients names one holding
// another value; a committed value is what the board shows while its
// session holds it, until a bypassing write (cycling, defaults) and the
// next commit; cycling shows a preset and a default reset the default.
// Writes to the settings' registers are watched: one that no task of this
// family made leaves the setting to whoever made it; a reset, shutdown,
// removal, re-add or hardware fault forgets everything. With no session
// open, a fresh session reserves every setting.
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "Family.h"
#include "driver/board/ioctl/ReservationRequests.h"
#include "driver/board/ioctl/SettingsRequests.h"
#include "sim/kernel/UserMemory.h"

namespace vlscenario {
namespace {

using namespace nVL9738K_24_0::requests;

constexpr int32_t kConflict = static_cast<int32_t>(0xBFFA9196u);
constexpr int32_t kRefClockConflict = static_cast<int32_t>(0xBFFA8711u);
constexpr uint32_t kResetDevice = 0x0020420C;
// A second descriptor for a session that has its reservation client.
constexpr int32_t kHasClient = -52031;
constexpr uint32_t kMessageCommit = 1;
constexpr uint32_t kMessageResetToDefaults = 8;
constexpr size_t kMaxOwnSessions = 3;

// The first five are checked on the board here; the reference clock, whose
// commit reprograms the clock chips, only by the policy check.
enum Setting : uint32_t { kCrossSwitch, kLo0Frequency, kLo1Frequency, kLo0Power, kLo1Power, kRefClock, kSettings };
constexpr uint32_t kBoardSettings = kRefClock;
// Where the watchers note writes to the DACs' start-up register.
constexpr uint32_t kBringUp = kBoardSettings;
constexpr uint32_t kResourceId[kSettings] = {3, 4, 5, 6, 7, 1};
constexpr const char* kPolicyName[kSettings] = {"9738 Cross Switch Mode", "9738 LO0 Frequency",
                                                "9738 LO1 Frequency",     "9738 LO0 Power",
                                                "9738 LO1 Power",         "9738 Reference Clock Source"};
constexpr const char* kSettingName[kSettings] = {"cross switch", "LO0 frequency", "LO1 frequency",
                                                 "LO0 power",    "LO1 power",     "reference clock"};

bool isFrequency(uint32_t setting) { return setting == kLo0Frequency || setting == kLo1Frequency; }
bool isPower(uint32_t setting) { return setting == kLo0Power || setting == kLo1Power; }
unsigned loOf(uint32_t setting) { return setting == kLo1Frequency || setting == kLo1Power ? 1 : 0; }

// The values a session may ask for. The frequencies are the three cycling
// presets and one that no preset has; the defaults are the first power and
// cross-switch value and the third frequency.
struct FrequencyValue {
  uint64_t ftw, accModulus, accDelta;
  uint8_t refClkToLoCtrl, signalPathField0, signalPathField2, signalPathField24;
};
constexpr FrequencyValue kFrequencies[] = {
    {0x2AAAAAAAAAAAull, 3, 2, 2, 3, 26, 22},
    {0x8E38E38E38E3ull, 9, 5, 1, 3, 22, 6},
    {0xBBBBBBBBBBBBull, 15, 11, 3, 0, 0, 2},
    {0x123456789ABCull, 7, 3, 3, 0, 0, 2},
};
constexpr uint32_t kPresets = 3;
constexpr uint32_t kDefaultFrequency = 2;
struct PowerValue {
  uint16_t amplitude;
  uint8_t attenuator;
};
constexpr PowerValue kPowers[] = {{32767, 127}, {20000, 64}, {1000, 10}};
constexpr uint8_t kModes[] = {4, 5, 9};

// The reference clock's sources (onboard, and the reference input) and
// oscillator DAC values.
struct RefClockValue {
  uint8_t source;
  uint16_t oscillatorDac;
};
constexpr RefClockValue kRefClockValues[] = {{0, 2702}, {2, 2702}, {0, 3000}};

uint32_t valueCount(uint32_t setting) {
  if (setting == kRefClock) return static_cast<uint32_t>(std::size(kRefClockValues));
  return isFrequency(setting) ? 4 : isPower(setting) ? 3 : static_cast<uint32_t>(sizeof(kModes));
}
int32_t conflictCode(uint32_t setting) { return setting == kRefClock ? kRefClockConflict : kConflict; }
int defaultValue(uint32_t setting) { return isFrequency(setting) ? kDefaultFrequency : 0; }

// What the board model shows of a setting.
struct Shown {
  uint64_t a = 0, b = 0, c = 0;
  bool operator==(const Shown&) const = default;
};

Shown expectedShown(uint32_t setting, int value) {
  if (isFrequency(setting)) {
    const FrequencyValue& f = kFrequencies[value];
    return {f.ftw, f.accDelta, f.accModulus};
  }
  if (isPower(setting)) return {kPowers[value].amplitude, kPowers[value].attenuator & 0x7Fu, 0};
  return {kModes[value] & 0x1Fu, 0, 0};
}

Shown boardShows(sim::Board& board, uint32_t setting) {
  const unsigned lo = loOf(setting);
  if (isFrequency(setting)) {
    const sim::Ad9162::Nco nco = board.dac(lo).nco();
    return {nco.ftw, nco.accDelta, nco.accModulus};
  }
  if (isPower(setting)) {
    sim::Ad9162& dac = board.dac(lo);
    return {static_cast<uint64_t>(dac.reg(0x14E)) << 8 | dac.reg(0x14F),
            board.fixedLogic().loBoardControl(lo, 0) & 0x7Fu, 0};
  }
  return {board.fixedLogic().crossSwitch() & 0x1Fu, 0, 0};
}

std::string describeShown(uint32_t setting, const Shown& shown) {
  char text[96];
  if (isFrequency(setting)) {
    std::snprintf(text, sizeof(text), "ftw %llx delta %llu modulus %llu", static_cast<unsigned long long>(shown.a),
                  static_cast<unsigned long long>(shown.b), static_cast<unsigned long long>(shown.c));
  } else if (isPower(setting)) {
    std::snprintf(text, sizeof(text), "amplitude %llu attenuator %llu", static_cast<unsigned long long>(shown.a),
                  static_cast<unsigned long long>(shown.b));
  } else {
    std::snprintf(text, sizeof(text), "mode %llu", static_cast<unsigned long long>(shown.a));
  }
  return text;
}

// The wire form of a record, little-endian, settling times zero.
void putBytes(std::vector<uint8_t>& out, uint64_t value, unsigned bytes) {
  for (unsigned i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void appendRecord(std::vector<uint8_t>& out, uint32_t setting, int value) {
  putBytes(out, kResourceId[setting], 4);
  if (isFrequency(setting)) {
    const FrequencyValue& f = kFrequencies[value];
    out.insert(out.end(), 72, 0);  // both settling tables
    putBytes(out, f.ftw, 8);
    putBytes(out, f.accModulus, 8);
    putBytes(out, f.accDelta, 8);
    putBytes(out, 0, 2);     // phase offset
    putBytes(out, 1023, 2);  // full-scale current
    // Reference, the five signal-path fields, aux flag, DLL enable; then
    // the DLL overrides, the suggestion flag and the clock overrides, zero.
    const uint8_t fields[] = {
        f.refClkToLoCtrl, f.signalPathField0, f.signalPathField2, 1, 0, f.signalPathField24, 0, 1};
    out.insert(out.end(), std::begin(fields), std::end(fields));
    out.insert(out.end(), 30, 0);
  } else if (isPower(setting)) {
    putBytes(out, 0, 8);
    putBytes(out, kPowers[value].amplitude, 2);
    out.push_back(kPowers[value].attenuator);
    out.push_back(0);
  } else if (setting == kRefClock) {
    putBytes(out, 0, 8);
    const RefClockValue& ref = kRefClockValues[value];
    out.push_back(ref.source);
    out.push_back(0);
    putBytes(out, ref.oscillatorDac, 2);
    const uint8_t fields[] = {2, 0, 20, 0, 40, 40, 0, 0, 0, 0, 5, 0, 1, 0};
    out.insert(out.end(), std::begin(fields), std::end(fields));
  } else {
    putBytes(out, 0, 8);
    out.push_back(0);
    out.push_back(kModes[value]);
  }
}

// The tag of the family's operation the running thread carries (0 for any
// other), which tells the register watchers who writes.
thread_local uint32_t tOperationTag = 0;

struct TagScope {
  explicit TagScope(uint32_t tag) { tOperationTag = tag; }
  ~TagScope() { tOperationTag = 0; }
};

struct StepWrites {
  bool foreign = false;
  std::set<uint32_t> own;  // tags of this family's operations that wrote
};

// Stands over some registers of a block of the board model, forwards every
// access and notes the writer's tag.
class WriteWatch : public sim::RegisterBlock {
 public:
  WriteWatch(sim::RegisterBlock& under, uint64_t at, StepWrites& writes) : under_(under), at_(at), writes_(writes) {}
  uint32_t read(uint64_t offset, unsigned width) override { return under_.read(at_ + offset, width); }
  void write(uint64_t offset, unsigned width, uint32_t value) override {
    if (tOperationTag == 0) {
      writes_.foreign = true;
    } else {
      writes_.own.insert(tOperationTag);
    }
    under_.write(at_ + offset, width, value);
  }

 private:
  sim::RegisterBlock& under_;
  uint64_t at_;
  StepWrites& writes_;
};

enum class Kind { kCommit, kCommitOnly, kRelease, kCycle, kDefaults };

struct Operation {
  Kind kind;
  uint64_t session = 0;
  uint32_t setting = 0;
  int value = 0;
  uint32_t tag = 0;
  bool deployed = false, reserved = false, committed = false;
  int32_t deploy = 0, reserve = 0, commit = 0;
  int32_t answer = 0;  // release, cycle, defaults
  uint32_t conflictingClient = 0;
  bool ran = false;
  bool stale = false;  // a request answered the stale code
};

// The operation the running thread carries out.
thread_local Operation* tOperation = nullptr;

// Every answer goes to the common checks; a stale one ends the session's use.
void note(Scenario& scenario, const Answer& answer) {
  scenario.record(answer);
  if (tOperation != nullptr && answer.answer() == kStale) tOperation->stale = true;
}

struct Holding {
  uint32_t count = 0;
  int value = -1;  // the session's deployed value, -1 when not known
  // No answer was lost: the driver's count is `count`, not more.
  bool exact = true;
};

struct OwnSession {
  bool client = false;
  uint32_t clientId = 0;
  // A reset began since it opened, or it answered the stale code: it can
  // do nothing more.
  bool dead = false;
  Holding holdings[kSettings];
};

struct Expectation {
  bool active = false;
  uint64_t holder = 0;
  int value = 0;
  uint32_t since = 0;
  // Off after a bypassing write until the next commit.
  bool armed = false;
};

class SettingsFamily : public Family {
 public:
  void addKinds(std::vector<OperationKind>& kinds) override {
    const auto withSession = [this](Scenario& scenario) {
      Session* session = pickOwn(scenario, nullptr);
      return boardPresent(scenario) && session != nullptr && !canDoNoMore(*session);
    };
    kinds.push_back({"open a settings session", 5, false,
                     [this](Scenario& scenario) {
                       return boardPresent(scenario) && ownCount(scenario) < kMaxOwnSessions &&
                              scenario.sessions(true).size() < 10;
                     },
                     [this](Scenario& scenario, Random&) { open(scenario); }});
    kinds.push_back({"close a settings session", 2, false,
                     [this](Scenario& scenario) { return pickOwn(scenario, nullptr) != nullptr; },
                     [this](Scenario& scenario, Random& random) { close(scenario, random); }});
    // A stale session, or one of a board that left, can do nothing more.
    kinds.push_back({"close a settings session that can do no more", 8, false,
                     [this](Scenario& scenario) {
                       Session* session = pickOwn(scenario, nullptr, true);
                       return session != nullptr && (canDoNoMore(*session) || !boardPresent(scenario));
                     },
                     [this](Scenario& scenario, Random& random) { close(scenario, random); }});
    kinds.push_back({"deploy, reserve and commit a setting", 20, false, withSession,
                     [this](Scenario& scenario, Random& random) { prepare(scenario, random, Kind::kCommit); }});
    kinds.push_back({"commit a setting", 3, false, withSession,
                     [this](Scenario& scenario, Random& random) { prepare(scenario, random, Kind::kCommitOnly); }});
    kinds.push_back({"release a setting", 3, false, withSession,
                     [this](Scenario& scenario, Random& random) { prepare(scenario, random, Kind::kRelease); }});
    kinds.push_back({"cycle the LO0 frequency", 1, false, withSession,
                     [this](Scenario& scenario, Random& random) { prepare(scenario, random, Kind::kCycle); }});
    kinds.push_back({"reset a setting to its default", 1, false, withSession,
                     [this](Scenario& scenario, Random& random) { prepare(scenario, random, Kind::kDefaults); }});
  }

  void beforeAdd(Scenario& scenario) override {
    if (!watches_.empty()) return;
    sim::Board& board = scenario.board();
    sim::Bar& bar = board.bar0();
    const auto watch = [&](sim::RegisterBlock& under, uint64_t underAt, uint64_t at, uint64_t size, uint32_t setting) {
      watches_.push_back(std::make_unique<WriteWatch>(under, at, writes_[setting]));
      bar.attach(underAt + at, size, *watches_.back());
    };
    const uint64_t fixedAt = sim::FixedLogic::kBarOffset;
    for (unsigned lo = 0; lo < 2; ++lo) {
      const uint64_t dacAt = fixedAt + sim::FixedLogic::kLoCpld[lo] + sim::Ad9162::kCpldOffset;
      // The NCO's update strobe, tuning word, modulus and delta.
      watch(board.dac(lo), dacAt, 4 * sim::Ad9162::kFtwUpdate,
            4 * (sim::Ad9162::kAccDelta + 6 - sim::Ad9162::kFtwUpdate), lo == 0 ? kLo0Frequency : kLo1Frequency);
      // The NCO amplitude and the attenuator.
      watch(board.dac(lo), dacAt, 4 * 0x14E, 8, lo == 0 ? kLo0Power : kLo1Power);
      watch(board.fixedLogic(), fixedAt, sim::FixedLogic::kLoCpld[lo] + sim::FixedLogic::kLoBoardControl, 4,
            lo == 0 ? kLo0Power : kLo1Power);
    }
    watch(board.fixedLogic(), fixedAt, sim::FixedLogic::kCrossSwitch, 4, kCrossSwitch);
    for (unsigned lo = 0; lo < 2; ++lo) {
      const uint64_t dacAt = fixedAt + sim::FixedLogic::kLoCpld[lo] + sim::Ad9162::kCpldOffset;
      watch(board.dac(lo), dacAt, 4 * sim::Ad9162::kStartUp, 4, kBringUp);
    }
  }

  void afterStep(Scenario& scenario) override;
  void whenIdle(Scenario& scenario) override;

 private:
  bool canDoNoMore(const Session& session) {
    const auto found = sessions_.find(session.id);
    return session.stale || (found != sessions_.end() && found->second.dead);
  }
  size_t ownCount(Scenario& scenario) {
    size_t count = 0;
    for (Session* session : scenario.sessions(true)) count += session->kept;
    return count;
  }
  // One of the family's sessions that no operation of the step uses; for an
  // operation one that is not stale when there is one, for a close a stale
  // one (it can do nothing more) when there is one.
  Session* pickOwn(Scenario& scenario, Random* random, bool forClose = false) {
    std::vector<Session*> fresh, stale;
    for (Session* session : scenario.sessions()) {
      if (session->kept && !session->busy) (canDoNoMore(*session) ? stale : fresh).push_back(session);
    }
    std::vector<Session*>& candidates = forClose ? (stale.empty() ? fresh : stale) : (fresh.empty() ? stale : fresh);
    if (candidates.empty()) return nullptr;
    return candidates[random != nullptr ? random->below(static_cast<uint32_t>(candidates.size())) : 0];
  }

  void open(Scenario& scenario) {
    Session* session = scenario.newSession();
    session->kept = true;
    session->busy = true;
    sessions_[session->id] = OwnSession{};
    scenario.describe("open a settings session " + std::to_string(session->id));
    scenario.addTask("settings open", [&scenario, session] {
      session->file = sim::DeviceFile::open(scenario.module(), kMainInterface);
    });
  }

  void close(Scenario& scenario, Random& random) {
    Session* session = pickOwn(scenario, &random, true);
    session->closing = true;
    session->busy = true;
    scenario.describe("close settings session " + std::to_string(session->id));
    scenario.addTask("settings close", [&scenario, session] { scenario.closeSession(*session); });
  }

  void prepare(Scenario& scenario, Random& random, Kind kind) {
    Session* session = pickOwn(scenario, &random);
    session->busy = true;
    Operation op;
    op.kind = kind;
    op.session = session->id;
    op.tag = static_cast<uint32_t>(operations_.size()) + 1;
    const bool onBoard = kind == Kind::kCommitOnly || kind == Kind::kDefaults;
    op.setting = kind == Kind::kCycle ? kLo0Frequency : random.below(onBoard ? kBoardSettings : kSettings);
    // Releases favour what the session holds.
    if (kind == Kind::kRelease) {
      const OwnSession& own = sessions_[session->id];
      for (uint32_t s = 0; s < kSettings; ++s) {
        if (own.holdings[s].count != 0 && random.below(2) == 0) op.setting = s;
      }
    }
    op.value = static_cast<int>(random.below(valueCount(op.setting)));
    operations_.push_back(op);
    static const char* const kVerb[] = {"deploy, reserve and commit", "commit", "release", "cycle", "reset to default"};
    scenario.describe(std::string("settings session ") + std::to_string(session->id) + ": " +
                      kVerb[static_cast<int>(kind)] + " " + kSettingName[op.setting] +
                      (kind == Kind::kCommit ? " value " + std::to_string(op.value) : std::string()));
    const size_t index = operations_.size() - 1;
    scenario.addTask("settings", [this, &scenario, session, index] { run(scenario, *session, operations_[index]); });
  }

  // Gives the session its reservation client (it may have one already).
  static bool setDescriptor(Scenario& scenario, Session& session, sim::UserBlock& user, const std::string& name) {
    std::memcpy(user.data(), name.data(), name.size());
    const Answer answer =
        scenario.call<SetDescriptor>(session, {user.address(), static_cast<uint32_t>(name.size()), 0});
    note(scenario, answer);
    return answer.answer() == 0 || answer.answer() == kHasClient;
  }

  bool ensureClient(Scenario& scenario, Session& session, sim::UserBlock& user) {
    OwnSession& own = sessions_[session.id];
    if (!own.client) own.client = setDescriptor(scenario, session, user, "settings " + std::to_string(session.id));
    if (own.client && own.clientId == 0) {
      GetReservationClientID::Out out{};
      const Answer answer = scenario.call<GetReservationClientID>(session, {0, 0}, &out);
      note(scenario, answer);
      if (answer.answer() == 0) own.clientId = out.clientId;
    }
    return own.client;
  }

  static bool findPolicy(Scenario& scenario, Session& session, sim::UserBlock& user, uint32_t setting, uint32_t& id) {
    const size_t length = std::strlen(kPolicyName[setting]);
    std::memcpy(user.data() + 0x80, kPolicyName[setting], length);
    FindReservationPolicyID::Out out{};
    const Answer answer = scenario.call<FindReservationPolicyID>(
        session, {user.address() + 0x80, static_cast<uint32_t>(length), 0, 0}, &out);
    note(scenario, answer);
    id = out.policyId;
    return answer.answer() == 0;
  }

  int32_t sendMessage(Scenario& scenario, Session& session, sim::UserBlock& user, uint32_t setting, uint32_t type) {
    user.put<uint32_t>(0x3C0, kResourceId[setting]);
    const Answer answer = scenario.call<SettingsSendMessage>(session, {user.address() + 0x3C0, 1, type, 0, 0, 0, 0, 0});
    note(scenario, answer);
    return answer.answer();
  }

  void run(Scenario& scenario, Session& session, Operation& op) {
    const TagScope tag(op.tag);
    tOperation = &op;
    op.ran = true;
    sim::UserBlock user(0x400);
    carryOut(scenario, session, op, user);
    tOperation = nullptr;
  }

  void carryOut(Scenario& scenario, Session& session, Operation& op, sim::UserBlock& user) {
    if (op.kind == Kind::kCycle) {
      const Answer answer = scenario.call<CycleFrequency>(session, {0});
      note(scenario, answer);
      op.answer = answer.answer();
      return;
    }
    if (op.kind == Kind::kDefaults) {
      op.answer = sendMessage(scenario, session, user, op.setting, kMessageResetToDefaults);
      return;
    }
    if (op.kind == Kind::kCommitOnly) {
      op.committed = true;
      op.commit = sendMessage(scenario, session, user, op.setting, kMessageCommit);
      return;
    }
    uint32_t policy = 0;
    if (!ensureClient(scenario, session, user) || !findPolicy(scenario, session, user, op.setting, policy)) return;
    user.put<uint32_t>(0x300, policy);
    if (op.kind == Kind::kRelease) {
      const Answer answer = scenario.call<Release>(session, {1, user.address() + 0x300, 0});
      note(scenario, answer);
      op.answer = answer.answer();
      return;
    }
    std::vector<uint8_t> message(4, 0);
    appendRecord(message, op.setting, op.value);
    std::memcpy(user.data() + 0x100, message.data(), message.size());
    op.deployed = true;
    const Answer deploy =
        scenario.call<SettingsDeploy>(session, {user.address() + 0x100, static_cast<uint32_t>(message.size()), 0});
    note(scenario, deploy);
    op.deploy = deploy.answer();
    if (op.deploy != 0) return;
    op.reserved = true;
    Reserve::Out out{};
    const Answer reserve =
        scenario.call<Reserve>(session, {1, user.address() + 0x300, user.address() + 0x380, {}, 0}, &out);
    note(scenario, reserve);
    op.reserve = reserve.answer();
    op.conflictingClient = out.errorInfo.conflictingClient;
    if (op.reserve != 0) return;
    op.committed = true;
    op.commit = sendMessage(scenario, session, user, op.setting, kMessageCommit);
    if (op.commit == 0) scenario.shadowCheck().policies().noteCommitted({message.begin() + 4, message.end()});
  }

  // What the step may have changed beyond what is tracked: every holding
  // becomes unknown and no committed value is expected any more.
  void forgetAll() {
    for (auto& [id, own] : sessions_) {
      for (Holding& holding : own.holdings) holding = Holding{0, -1, false};
    }
    for (Expectation& expectation : expectations_) expectation = Expectation{};
  }
  bool onlyWriter(uint32_t setting, uint32_t tag) const {
    const StepWrites& writes = writes_[setting];
    return !writes.foreign && (writes.own.empty() || (writes.own.size() == 1 && *writes.own.begin() == tag));
  }
  bool lostEverything(Scenario& scenario) const;
  // The holder holds `value` and no other session of the family may hold
  // another: a refused deploy leaves its value in a holder's record, and a
  // suggesting client (of another family) takes a holder's record over.
  bool agreed(uint32_t setting, uint64_t holder, int value) const {
    for (const auto& [id, own] : sessions_) {
      const Holding& holding = own.holdings[setting];
      if (id == holder ? holding.count == 0 || holding.value != value
                       : holding.value != value && (holding.count != 0 || !holding.exact)) {
        return false;
      }
    }
    return sessions_.count(holder) != 0;
  }
  void checkConflicts(Scenario& scenario, const std::map<uint64_t, OwnSession>& before);
  void applyAnswers(Scenario& scenario);
  void updateExpectations(Scenario& scenario);
  void checkBoard(Scenario& scenario);

  std::map<uint64_t, OwnSession> sessions_;
  std::vector<Operation> operations_;
  // One per setting, then the DACs' start-up register, which a bring-up writes.
  StepWrites writes_[kBoardSettings + 1];
  Expectation expectations_[kBoardSettings];
  std::vector<std::unique_ptr<WriteWatch>> watches_;
  uint32_t idleChecks_ = 0;
};

// A reset request that reached the driver makes every session stale even
// when it fails, a shutdown may follow any request while the board runs
// hot, and a bring-up starts the DACs again: the reservations are gone.
bool SettingsFamily::lostEverything(Scenario& scenario) const {
  const StepEvents& events = scenario.events();
  bool lost = events.removed || events.added || events.generationAdvanced || events.hardwareFault ||
              !scenario.deviceAdded() || writes_[kBringUp].foreign;
  for (const Answer& answer : scenario.stepAnswers()) {
    lost |= answer.code == kResetDevice || answer.answer() == kOverTemperatureShutdown;
  }
  return lost;
}

// A reserve that succeeded while another of the family's sessions held the
// setting with another value, since an earlier step or from this one, is a
// conflict the driver missed. A refused reserve that names one of the
// family's clients names one that holds the setting with another value.
void SettingsFamily::checkConflicts(Scenario& scenario, const std::map<uint64_t, OwnSession>& before) {
  std::set<uint64_t> used;
  for (const Operation& op : operations_) used.insert(op.session);
  const auto untouched = [&](uint64_t id) {
    const auto now = sessions_.find(id);
    return used.count(id) == 0 && now != sessions_.end() && !now->second.dead;
  };
  for (const Operation& op : operations_) {
    if (op.kind != Kind::kCommit || !op.reserved) continue;
    const std::string who = "session " + std::to_string(op.session);
    const std::string what = std::string(kSettingName[op.setting]) + " value " + std::to_string(op.value);
    if (op.reserve == conflictCode(op.setting) && op.conflictingClient != 0) {
      for (const auto& [id, own] : before) {
        if (own.clientId != op.conflictingClient) continue;
        const Holding& holding = own.holdings[op.setting];
        if (id == op.session) return scenario.fail(who + " was refused the " + what + " for its own holding");
        if (!untouched(id) || !holding.exact) continue;
        if (holding.count == 0 || holding.value == op.value) {
          return scenario.fail(who + " was refused the " + what + " for session " + std::to_string(id) +
                               ", which holds " + (holding.count == 0 ? std::string("nothing") : "the same value"));
        }
      }
    }
    if (op.reserve != 0) continue;
    for (const auto& [id, own] : before) {
      const Holding& holding = own.holdings[op.setting];
      if (id == op.session || !untouched(id)) continue;
      if (holding.count != 0 && holding.value >= 0 && holding.value != op.value) {
        return scenario.fail(who + " reserved the " + what + " while session " + std::to_string(id) + " held value " +
                             std::to_string(holding.value));
      }
    }
    for (const Operation& other : operations_) {
      if (other.kind == Kind::kCommit && other.session != op.session && other.setting == op.setting && other.reserved &&
          other.reserve == 0 && other.value != op.value && sessions_.count(op.session) != 0 &&
          sessions_.count(other.session) != 0) {
        return scenario.fail("sessions " + std::to_string(op.session) + " and " + std::to_string(other.session) +
                             " both reserved the " + kSettingName[op.setting] + ", with values " +
                             std::to_string(op.value) + " and " + std::to_string(other.value));
      }
    }
  }
}

void SettingsFamily::applyAnswers(Scenario& scenario) {
  const bool fault = scenario.events().kernelFault;
  for (const Operation& op : operations_) {
    auto found = sessions_.find(op.session);
    if (found == sessions_.end() || !op.ran) continue;
    OwnSession& own = found->second;
    if (op.stale) {
      // The driver gives the client up at the session's next request.
      own.dead = true;
      for (Holding& holding : own.holdings) holding = Holding{0, -1, false};
      continue;
    }
    Holding& holding = own.holdings[op.setting];
    if (op.kind == Kind::kCommit) {
      // A deploy stores the value before it is compared with the holders'.
      if (op.deployed) holding.value = op.deploy == 0 || op.deploy == conflictCode(op.setting) ? op.value : -1;
      if (op.reserved && op.reserve == 0) ++holding.count;
      // An answer that was lost may hide a deploy or a reserve.
      if (fault) holding.value = -1;
      if (fault) holding.exact = false;
    } else if (op.kind == Kind::kRelease) {
      if (op.answer == 0 && !fault) {
        if (holding.count != 0) --holding.count;
      } else {
        holding = Holding{0, -1, false};
      }
    }
  }
}

void SettingsFamily::updateExpectations(Scenario& scenario) {
  const bool fault = scenario.events().kernelFault;
  for (uint32_t s = 0; s < kBoardSettings; ++s) {
    Expectation& expectation = expectations_[s];
    bool touched = false, bypassed = false;
    for (const Operation& op : operations_) {
      if (op.setting != s || !op.ran) continue;
      touched = true;
      bypassed |= op.kind == Kind::kCycle || op.kind == Kind::kDefaults;
    }
    if (writes_[s].foreign || (fault && touched)) expectation = Expectation{};
    if (expectation.active && !agreed(s, expectation.holder, expectation.value)) expectation = Expectation{};
    if (fault || writes_[s].foreign) continue;
    // A commit after its own reserve: its session holds the value, and
    // every commit programs what the holders agreed.
    for (const Operation& op : operations_) {
      if (op.setting != s || op.kind != Kind::kCommit || !op.committed || op.commit != 0) continue;
      const auto holder = sessions_.find(op.session);
      if (holder == sessions_.end() || holder->second.holdings[s].count == 0) continue;
      if ((!expectation.active || expectation.value != op.value) && agreed(s, op.session, op.value)) {
        expectation = Expectation{true, op.session, op.value, scenario.step(), false};
      }
    }
    if (!expectation.active) continue;
    // Which of a bypassing write and a commit of the same step came last is
    // not known; the next commit arms the expectation again.
    if (bypassed) {
      expectation.armed = false;
      continue;
    }
    for (const Operation& op : operations_) {
      if (op.setting == s && op.committed && op.commit == 0) expectation.armed = true;
    }
  }
}

void SettingsFamily::checkBoard(Scenario& scenario) {
  sim::Board& board = scenario.board();
  for (const Operation& op : operations_) {
    const bool bypass = op.kind == Kind::kCycle || op.kind == Kind::kDefaults;
    if (!bypass || !op.ran || op.answer != 0 || scenario.events().kernelFault || !onlyWriter(op.setting, op.tag))
      continue;
    const Shown shown = boardShows(board, op.setting);
    if (op.kind == Kind::kCycle) {
      bool preset = false;
      for (uint32_t p = 0; p < kPresets; ++p) preset |= shown == expectedShown(kLo0Frequency, static_cast<int>(p));
      if (!preset)
        return scenario.fail("the cycled LO0 frequency shows no preset: " + describeShown(op.setting, shown));
    } else if (op.kind == Kind::kDefaults && shown != expectedShown(op.setting, defaultValue(op.setting))) {
      return scenario.fail(std::string("the ") + kSettingName[op.setting] + " reset to its default shows " +
                           describeShown(op.setting, shown));
    }
  }
  for (uint32_t s = 0; s < kBoardSettings; ++s) {
    const Expectation& expectation = expectations_[s];
    if (!expectation.active || !expectation.armed) continue;
    const Shown shown = boardShows(board, s);
    if (shown == expectedShown(s, expectation.value)) continue;
    return scenario.fail(std::string("the ") + kSettingName[s] + " committed at step " +
                         std::to_string(expectation.since) + " with value " + std::to_string(expectation.value) +
                         " held by session " + std::to_string(expectation.holder) + " shows " +
                         describeShown(s, shown));
  }
}

void SettingsFamily::afterStep(Scenario& scenario) {
  const std::map<uint64_t, OwnSession> before = sessions_;
  std::erase_if(sessions_, [&scenario](const auto& entry) { return scenario.findSession(entry.first) == nullptr; });
  if (lostEverything(scenario)) {
    forgetAll();
    for (auto& [id, own] : sessions_) {
      const Session* session = scenario.findSession(id);
      if (session->openedStep < scenario.step()) own.dead = true;
    }
  } else {
    if (!scenario.events().kernelFault) checkConflicts(scenario, before);
    applyAnswers(scenario);
    updateExpectations(scenario);
    checkBoard(scenario);
  }
  operations_.clear();
  for (StepWrites& writes : writes_) writes = StepWrites{};
}

// With no session open nobody holds a setting: a fresh session reserves
// every one of them with values of its own.
void SettingsFamily::whenIdle(Scenario& scenario) {
  ++idleChecks_;
  scenario.runTask("settings idle", [this, &scenario] {
    const TagScope tag(1000);
    Session session;
    session.file = sim::DeviceFile::open(scenario.module(), kMainInterface);
    if (!session.file) return;
    sim::UserBlock user(0x400);
    uint32_t policies[kSettings] = {};
    std::vector<uint8_t> message(4, 0);
    bool ready = setDescriptor(scenario, session, user, "settings idle check");
    for (uint32_t s = 0; s < kSettings && ready; ++s) {
      ready = findPolicy(scenario, session, user, s, policies[s]);
      appendRecord(message, s, static_cast<int>((idleChecks_ + s) % valueCount(s)));
    }
    if (ready) {
      std::memcpy(user.data() + 0x100, message.data(), message.size());
      ready = scenario.call<SettingsDeploy>(session, {user.address() + 0x100, static_cast<uint32_t>(message.size()), 0})
                  .answer() == 0;
    }
    if (ready) {
      std::memcpy(user.data() + 0x300, policies, sizeof(policies));
      Reserve::Out out{};
      const Answer reserve =
          scenario.call<Reserve>(session, {kSettings, user.address() + 0x300, user.address() + 0x380, {}, 0}, &out);
      if (reserve.answer() == kConflict || reserve.answer() == kRefClockConflict) {
        scenario.fail("with no session open, policy " + std::to_string(out.errorInfo.failedId) +
                      " is still held by client " + std::to_string(out.errorInfo.conflictingClient));
      }
    }
    session.file->close();
  });
}

}  // namespace

std::unique_ptr<Family> makeSettingsFamily() { return std::make_unique<SettingsFamily>(); }

}  // namespace vlscenario
