// One seeded scenario over the packaged module: a simulated board, the
// module loaded as the kernel layer loads it, sessions opened through its
// device files, and a sequence of steps. Each step runs one to three
// operations as scheduled tasks of the kernel layer's deterministic mode,
// with at most one injected fault, and then checks the invariants. Every
// choice a step makes (its operations, their arguments, its fault and its
// scheduling) comes from (seed, step index) alone, so a step can be left
// out without reshuffling the others.
#ifndef VL9738K_TOOLS_SCENARIOS_SCENARIO_H
#define VL9738K_TOOLS_SCENARIOS_SCENARIO_H

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ShadowCheck.h"
#include "sim/board/Board.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/Module.h"
#include "sim/host/RequestClient.h"

namespace vlscenario {

inline constexpr int32_t kStale = static_cast<int32_t>(0xBFFA9179u);
inline constexpr int32_t kGateClosed = -52022;
inline constexpr int32_t kOverTemperatureShutdown = static_cast<int32_t>(0xBFFA9046u);
inline constexpr const char kMainInterface[] = "vl9738_vl9738k";

// The generator of one step's choices.
class Random {
 public:
  explicit Random(uint64_t state) : state_(state) {}
  uint64_t next();
  uint32_t below(uint32_t bound) { return bound == 0 ? 0 : static_cast<uint32_t>(next() % bound); }
  static uint64_t mix(uint64_t seed, uint64_t step, uint64_t stream);

 private:
  uint64_t state_;
};

struct Session {
  uint64_t id = 0;  // unique over the scenario, in opening order
  std::unique_ptr<sim::DeviceFile> file;
  uint32_t openedStep = 0;
  // A reset or shutdown completed after the session opened: its guarded
  // requests must answer the stale code (or gate closed).
  bool stale = false;
  // An operation of the running step closes it, or uses it (and so it is
  // not closed under that operation).
  bool closing = false;
  bool busy = false;
  bool main = true;
  // A family opened it for its own operations: pickSession offers it to
  // others only when no other session would do (their requests could
  // change what the family tracks).
  bool kept = false;
  // A request that starts recording a list-mode commit was sent on it by a
  // family that does not follow the recording: until it closes, its
  // requests may go into a list instead of to the board.
  bool mayRecord = false;
};

// What an operation saw, checked once its step has ended.
struct Answer {
  uint32_t code = 0;
  int32_t status = 0;     // the call's return
  int32_t outStatus = 0;  // the output block's status word
  bool staleSession = false;
  bool deviceGone = false;  // the board was removed before the step began
  int32_t answer() const { return status != 0 ? status : outStatus; }
};

class Family;
struct OperationKind;

// What the last step did, for the families' invariants.
struct StepEvents {
  bool generationAdvanced = false;  // a reset or shutdown completed
  bool mainOnly = false;            // only main-interface sessions went stale (an FPGA download)
  bool resetSucceeded = false;
  // A reset was answered, whatever it answered: its bring-up may have run.
  bool resetRequested = false;
  bool removed = false;  // the board was removed in this step
  bool deleted = false;  // the removed board was deleted after it
  bool added = false;
  bool kernelFault = false;    // an allocation or user copy was made to fail
  bool hardwareFault = false;  // a family made the board misbehave
  // A session recorded a list-mode commit: until its list ran and stopped,
  // the register shadows of the recorded LO path were ahead of the board,
  // so a direct commit of that path meanwhile may not reach the board.
  bool listRecorded = false;
};

class Scenario {
 public:
  struct Options {
    uint64_t seed = 1;
    uint32_t steps = 100;
    // The steps run (each still drawn from its own number); empty: all.
    std::set<uint32_t> only;
    bool describe = false;  // print each step's operations
    bool recordTrace = false;
  };
  explicit Scenario(const Options& options);
  ~Scenario();

  // True when every step kept every invariant; otherwise failure() says
  // which and failedStep() where.
  bool run();
  const std::string& failure() const { return failure_; }
  uint32_t failedStep() const { return failedStep_; }
  uint32_t stepsRun() const { return stepsRun_; }
  uint64_t switches() const { return switches_; }
  // Where each step's calls begin in the recorded trace.
  const std::vector<size_t>& stepStarts() const { return stepStarts_; }

  // Learns, in a sequential run with the deterministic mode off, which
  // requests an older session is refused after a reset. Once per process.
  static bool learnGuardedRequests(std::string& error);
  static bool isGuarded(uint32_t code);
  // The kernel-layer allocations one reset of a brought-up board makes,
  // counted by learnGuardedRequests: a step with a reset or an add arms
  // its allocation fault anywhere in that range.
  static uint64_t resetAllocations();

  // ---- What operations use while the step is prepared (on the controller).
  uint32_t step() const { return step_; }
  bool deviceAdded() const { return device_ != nullptr; }
  bool deviceRemoved() const { return removed_ || removalPlanned_; }
  void planRemoval() { removalPlanned_ = true; }
  std::vector<Session*> sessions(bool includeClosing = false);
  Session* newSession();
  // The open session with `id`, or null once it closed.
  Session* findSession(uint64_t id);
  const StepEvents& events() const { return events_; }
  // Every answer the step recorded (until the next step begins).
  const std::vector<Answer>& stepAnswers() const { return answers_; }
  // The kinds of operation the step prepared, in order.
  const std::vector<std::string>& stepKinds() const { return stepKinds_; }
  void noteHardwareFault() { events_.hardwareFault = true; }
  // From afterStep: a reset the controller ran succeeded. Every open session
  // is stale now, and the families that check after this one see it as a
  // reset of the step.
  void noteResetAfterStep();
  void noteListRecording() { events_.listRecorded = true; }
  // From a family's afterStep: the shadow check leaves `map` out in this
  // step (the map's name as the driver knows it).
  void leaveOutShadows(const std::string& map) { shadowsLeftOut_.insert(map); }
  const std::set<std::string>& shadowsLeftOut() const { return shadowsLeftOut_; }
  // Adds a task body to the step.
  void addTask(const std::string& name, std::function<void()> body);
  // What the step drew, printed with --describe and folded into the draw
  // digest; an answer the driver gave goes through describeAnswer, which
  // only prints, so that a changed answer leaves the digest alone.
  void describe(const std::string& text);
  void describeAnswer(const std::string& text);
  // Over the description of every step run and the kinds it drew: equal in
  // two runs when their kept steps drew the same operations.
  uint64_t drawDigest() const { return drawDigest_; }

  // ---- What task bodies use while the step runs.
  sim::Module& module() { return *module_; }
  sim::Board& board() { return *board_; }
  // A shutdown answer, whichever request read the temperature while the
  // board ran hot, makes every session stale and logs its record.
  void record(const Answer& answer);
  // Sends a zeroed input block, or `in` when given.
  Answer send(Session& session, uint32_t code, uint16_t inSize, uint16_t outSize, uint16_t outStatusAt,
              const std::vector<uint8_t>* in = nullptr);
  // Sends `in` as request Op and keeps the output block in `out`.
  template <class Op>
  Answer call(Session& session, const typename Op::In& in, typename Op::Out* out = nullptr) {
    Answer answer;
    answer.code = Op::kCode;
    answer.staleSession = session.stale;
    answer.deviceGone = removed_;
    sim::RequestClient client(*session.file);
    const auto reply = client.call<Op>(in);
    answer.status = reply.status;
    answer.outStatus = reply.out.status;
    if (out != nullptr) *out = reply.out;
    if constexpr (requires { in.nameAddress; }) {
      noteSent(Op::kCode, in.nameAddress, in.nameLength);
    } else {
      noteSent(Op::kCode, 0, ~uint64_t{0});
    }
    return answer;
  }
  // Sessions open at the step's start that a completed reset or shutdown of
  // this step makes stale.
  // With `mainOnly`, an FPGA download: FPGA-interface sessions stay valid.
  void noteGenerationAdvanced(bool mainOnly = false) {
    if (!mainOnly) generationAdvanced_ = true;
    if (mainOnly) mainGenerationAdvanced_ = true;
  }
  // A reset that answered `code` or a shutdown: until a reset succeeds, the
  // guard may answer the bring-up record before it looks at the session.
  void noteBringUpRecord(int32_t code) { bringUpRecords_.insert(code); }
  // The records of the last bring-up, as the kernel log names them, and
  // with `wholeStep` those of every bring-up of the step: each stood for a
  // while, and a guard may have answered it then.
  void noteLoggedBringUpRecords(bool wholeStep);
  void noteResetSucceeded() { resetSucceeded_ = true; }
  // Records a reset's answer and notes what it did: sessions go stale on
  // success, a failed bring-up's record may answer guarded requests.
  void recordReset(const Answer& answer);
  void closeSession(Session& session);
  // The kernel layer's side of a board leaving: remove at once; the step
  // that finds the last session gone deletes.
  void removeDevice();
  int32_t addDevice();
  const std::vector<std::unique_ptr<Family>>& families() const { return families_; }
  void fail(const std::string& text);
  ShadowCheck& shadowCheck() { return shadows_; }
  // From the controller: runs `body` as the only task, to completion.
  void runTask(const std::string& name, std::function<void()> body);

 private:
  void runStep(uint32_t step);
  void armFault(Random& random);
  void checkStep();
  // Tells the policy check of a request that writes a register by name
  // (the map's name in user memory, unknown when the length is ~0).
  void noteSent(uint32_t code, uint64_t nameAddress, uint64_t nameLength);
  void deleteDeviceIfIdle();
  void foldDraw(const std::string& text);
  bool finish();

  Options options_;
  std::unique_ptr<sim::Module> module_;
  std::unique_ptr<sim::Board> board_;
  void* device_ = nullptr;
  bool removed_ = false;
  bool removalPlanned_ = false;
  int64_t blocksBeforeLoad_ = 0;
  int64_t blocksBeforeAdd_ = 0;
  std::vector<std::unique_ptr<Session>> sessions_;
  std::vector<std::pair<std::string, std::function<void()>>> tasks_;
  std::vector<Answer> answers_;
  std::vector<size_t> stepStarts_;
  bool generationAdvanced_ = false;
  bool mainGenerationAdvanced_ = false;
  StepEvents events_;
  std::vector<std::unique_ptr<Family>> families_;
  ShadowCheck shadows_;
  std::set<std::string> shadowsLeftOut_;
  std::vector<OperationKind> kinds_;
  std::vector<std::string> stepKinds_;
  uint64_t drawDigest_ = 0xCBF29CE484222325ull;
  uint64_t nextSessionId_ = 1;
  bool resetSucceeded_ = false;
  std::set<int32_t> bringUpRecords_;
  // The kernel log's length when the step began.
  size_t logAtStepStart_ = 0;
  // The board shut down over temperature in an earlier step and has not
  // come up since.
  bool shutDown_ = false;
  bool deviceDeleted_ = false;
  uint32_t step_ = 0;
  uint32_t stepsRun_ = 0;
  uint64_t switches_ = 0;
  std::string failure_;
  uint32_t failedStep_ = 0;
};

}  // namespace vlscenario

#endif
