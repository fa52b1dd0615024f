// Requests that wait without limit (an IRQ wait on a line nobody raises, a
// FIFO acquire of bytes that never come, a settling wait on timers that
// never settle) while the step resets the device, removes the board, aborts
// the waits or the design, resets the design or gives the FIFO back, now and
// then with a writer (a configuration, a personality release, the close of
// a session holding the personality) left pending behind the waiter. While
// such a close waits, sessions holding nothing, only a FIFO, or the
// personality close too. Each operation runs alone in its step, so that whatever
// ends the wait is known; the step's own tasks play the other families'
// resets, aborts, unreserves and removals.
//
// A monitor task stands in for a board that answers at last: once the
// ending operation is done, or after kRescueNs of virtual time, it gives the
// waiter what it waits for, so that a driver that never ends the wait still
// lets the step end and be reported instead of hanging the run.
//
// Beside the waits, sessions opened and set up just before a device reset
// (a personality, a FIFO) send FPGA-session requests while it runs: the
// register, block, FIFO and validity requests and the personality release,
// each a road from the session into the FPGA state the reset deletes.
//
// Invariants: the ending operation completes within kBoundNs of virtual
// time; the waiter never needed the board's late answer (the operation
// ended it); the close of a session holding nothing or only a FIFO ends
// within kBoundNs, before the ending operation runs (it waits for them that
// long); a personality holder's close waits for the ending operation and
// ends within kBoundNs of its start; no task is left waiting (the common
// deadlock check). A request of a session opened before the reset answers
// success, the stale code or the gate's refusal, and the stale code once the
// reset has ended; the memory checker of a sanitized run sees no use of the
// deleted state.
#include <array>
#include <memory>
#include <optional>

#include "Family.h"
#include "FpgaFamily.h"
#include "driver/board/ioctl/PlatformRequests.h"
#include "driver/board/ioctl/SettingsRequests.h"
#include "driver/board/ioctl/fpga/FpgaSessionRequests.h"
#include "sim/kernel/Clock.h"
#include "tests/fpga/SessionWire.h"

namespace vlscenario {
namespace {

using namespace nVL9738K_24_0::lymrequests;
using nVL9738K_24_0::requests::ResetDevice;
using nVL9738K_24_0::requests::SettingsSendMessage;

constexpr uint64_t kMs = 1'000'000;
constexpr uint64_t kBoundNs = 30'000 * kMs;
constexpr uint64_t kRescueNs = 60'000 * kMs;
constexpr uint32_t kForever = 0xFFFFFFFF;
constexpr uint64_t kOwner = 0x57A1;
constexpr size_t kRing = 4096;
constexpr uint32_t kLo0Frequency = 4;
constexpr uint32_t kWaitForSettling = 11;

enum class Waiter { kIrq, kFifo, kSettling };
enum class Step {
  kNone,
  kConfigure,
  kRelease,
  kClose,
  kAbortWaits,
  kAbort,
  kDesignReset,
  kUnreserve,
  kDeviceReset,
  kRemoval
};
// What a session closed while a close waits holds; the first closer is the
// pending close itself.
enum class Holding { kPersonality, kNothing, kFifo };
// The design's FIFO the waiter leaves alone.
constexpr uint32_t kToDevice = 0;

const char* nameOf(Waiter waiter) {
  constexpr const char* kNames[] = {"IRQ wait", "FIFO acquire", "settling wait"};
  return kNames[static_cast<int>(waiter)];
}
const char* nameOf(Step step) {
  constexpr const char* kNames[] = {"nothing",        "a configuration", "a personality release", "a holder's close",
                                    "abort-waits",    "a design abort",  "a design reset",        "an unreserve",
                                    "a device reset", "a board removal"};
  return kNames[static_cast<int>(step)];
}
const char* nameOf(Holding holding) {
  constexpr const char* kNames[] = {"the personality", "nothing", "only a FIFO"};
  return kNames[static_cast<int>(holding)];
}

struct Closer {
  Holding holding = Holding::kNothing;
  bool holds = false;  // what it was to hold, it got
  bool ran = false;
  bool done = false;
  uint64_t tookNs = 0;
  uint64_t endedAt = 0;
};

// The requests an older session sends while a device reset runs.
enum class Racer { kWrite32, kRead32, kReadBlock, kIsSessionValid, kDeployFifo, kReleasePersonality };
constexpr uint32_t kRacers = 6;
constexpr uint32_t kRaceScratch = 0x1000;
constexpr int32_t kFifoOwnedElsewhere = -63082, kFifoWaitsEnded = -50405;

const char* nameOf(Racer racer) {
  constexpr const char* kNames[] = {"a register write", "a register read",   "a block read",
                                    "a validity query", "a FIFO's settings", "a personality release"};
  return kNames[static_cast<int>(racer)];
}

struct RaceAnswer {
  Racer racer = Racer::kWrite32;
  int32_t answer = 0;
  bool afterReset = false;  // sent once the reset had answered success
};

// One session's part of the race: what it sends, with the virtual
// milliseconds it sleeps before each, and what it was answered.
struct Racing {
  std::vector<std::pair<Racer, uint32_t>> requests;
  bool configured = false;
  std::vector<RaceAnswer> answers;
};

// What a race's tasks share.
struct Race {
  std::vector<Racing> sessions;
  uint32_t opened = 0;
  bool resetEnded = false;
  int32_t resetAnswer = kGateClosed;
};

// What the step's tasks share; the controller reads it once they ended.
struct Run {
  Waiter waiter = Waiter::kIrq;
  Step pending = Step::kNone;
  Step ender = Step::kNone;
  Session* waiterSession = nullptr;
  bool ready = false;
  bool waiterDone = false;
  bool pendingDone = true;
  bool enderRan = false;
  bool enderDone = false;
  bool rescued = false;
  uint64_t enderNs = 0;
  uint64_t enderStartedAt = 0;
  uint64_t enderEndedAt = 0;
  uint64_t waiterEndedAt = 0;
  // With a pending close: the closers' set-ups still to end, the design
  // configured by the waiter, the pending close begun.
  uint32_t preparing = 0;
  bool configured = false;
  bool closeBegun = false;
  std::vector<Closer> closers;
  std::optional<sim::TimerBlockModel*> timers;
  std::array<uint64_t, sim::TimerBlockModel::kSettlingTimerBases.size()> settled{};
};

void sleepMs(uint64_t ms) { sim::Clock::instance().sleepNs(ms * kMs); }
uint64_t now() { return sim::Clock::instance().nowNs(); }

// User memory that starts a page, so that what the driver locks depends on
// the size alone.
struct Ring {
  sim::UserBlock block{2 * kRing};
  uint64_t address() const { return (block.address() + kRing - 1) / kRing * kRing; }
};

Answer configure(Scenario& scenario, Session& session) {
  const auto personality = vltest::userCopyOf(fpgaDesignPersonality());
  const std::vector<uint8_t> list = fpgaDesignFifoList();
  const auto fifos = vltest::userCopyOf(list);
  Ring bitfile;
  return scenario.call<ConfigurePersonalityQrt>(session, {.personalityAddress = personality->address(),
                                                          .personalitySize = 48,
                                                          .fifoListAddress = fifos->address(),
                                                          .fifoListSize = static_cast<uint32_t>(list.size()),
                                                          .bitfileAddress = bitfile.address(),
                                                          .bitfileSize = kRing});
}

class WaiterFamily : public Family {
 public:
  void addKinds(std::vector<OperationKind>& kinds) override {
    kinds.push_back(
        {"wait without limit, ended by the device", 2, true, boardPresent, [this](Scenario& scenario, Random& random) {
           const Waiter waiter = static_cast<Waiter>(random.below(3));
           const Step pending = waiter == Waiter::kSettling ? Step::kNone : pendingStep(random);
           prepare(scenario, waiter, pending, random.below(2) == 0 ? Step::kDeviceReset : Step::kRemoval);
         }});
    kinds.push_back(
        {"wait without limit, ended by a session", 2, true, boardPresent, [this](Scenario& scenario, Random& random) {
           const Waiter waiter = static_cast<Waiter>(random.below(2));
           const uint32_t enders = waiter == Waiter::kFifo ? 4 : 3;
           const Step ender = static_cast<Step>(static_cast<uint32_t>(Step::kAbortWaits) + random.below(enders));
           prepare(scenario, waiter, pendingStep(random), ender);
         }});
    kinds.push_back({"FPGA-session requests of older sessions during a device reset", 2, true, boardPresent,
                     [this](Scenario& scenario, Random& random) { prepareRace(scenario, random); }});
  }

  void afterStep(Scenario& scenario) override {
    if (race_) checkRace(scenario, *race_);
    race_.reset();
    if (!run_) return;
    const Run& run = *run_;
    const std::string what = std::string(nameOf(run.ender)) + " behind a " + nameOf(run.waiter) + " without limit" +
                             (run.pending == Step::kNone ? "" : std::string(" and ") + nameOf(run.pending));
    if (run.enderRan && run.enderNs > kBoundNs) {
      scenario.fail(what + " took " + std::to_string(run.enderNs / kMs) + " ms of virtual time");
    } else if (run.enderRan && run.rescued && !scenario.events().kernelFault) {
      scenario.fail(what + ": only the board's late answer ended the wait");
    }
    checkClosers(scenario, run, what);
    // An abort of the waits holds until the design is reset: the families
    // after this step must not inherit it.
    if (run.ender == Step::kAbortWaits && boardPresent(scenario)) {
      scenario.runTask("design reset after abort-waits", [&scenario] {
        Session session;
        session.file = sim::DeviceFile::open(scenario.module(), kFpgaInterface);
        if (!session.file) return;
        scenario.call<Reset>(session, {});
        session.file->close();
      });
    }
    run_.reset();
  }

 private:
  static Step pendingStep(Random& random) {
    constexpr Step kPending[] = {Step::kNone, Step::kClose, Step::kConfigure, Step::kRelease};
    return kPending[random.below(4)];
  }

  static void checkClosers(Scenario& scenario, const Run& run, const std::string& what) {
    // The personality holders wait only where the waiter really waited for
    // the ending operation.
    const bool waited = run.enderRan && run.waiterEndedAt >= run.enderStartedAt && !scenario.events().kernelFault;
    for (const Closer& closer : run.closers) {
      if (!closer.ran) continue;
      // One whose set-up failed holds nothing.
      const Holding held = closer.holds ? closer.holding : Holding::kNothing;
      const std::string whose = what + ": the close of a session holding " + nameOf(held);
      if (held != Holding::kPersonality) {
        if (closer.tookNs > kBoundNs)
          scenario.fail(whose + " took " + std::to_string(closer.tookNs / kMs) + " ms of virtual time");
      } else if (waited && closer.endedAt < run.enderStartedAt) {
        scenario.fail(whose + " ended while the waiter still used it");
      } else if (run.enderRan && closer.endedAt > run.enderStartedAt + kBoundNs) {
        scenario.fail(whose + " ended " + std::to_string((closer.endedAt - run.enderStartedAt) / kMs) +
                      " ms after the wait was ended");
      }
    }
  }

  void prepare(Scenario& scenario, Waiter waiter, Step pending, Step ender) {
    run_ = std::make_shared<Run>();
    run_->waiter = waiter;
    run_->pending = pending;
    run_->ender = ender;
    if (ender == Step::kRemoval) scenario.planRemoval();
    scenario.describe(std::string("a ") + nameOf(waiter) + " without limit, then " + nameOf(pending) + " and " +
                      nameOf(ender));
    std::shared_ptr<Run> run = run_;
    scenario.addTask("waiter", [&scenario, run] { waitWithoutLimit(scenario, *run); });
    scenario.addTask("ender", [&scenario, run] { end(scenario, *run); });
    scenario.addTask("monitor", [&scenario, run] { monitor(scenario, *run); });
    if (pending == Step::kClose) {
      addClosers(scenario, run);
    } else if (pending != Step::kNone) {
      run->pendingDone = false;
      scenario.addTask("pending", [&scenario, run] {
        if (waitUntilReady(*run)) sleepMs(1);
        runStep(scenario, *run, run->pending);
        run->pendingDone = true;
      });
    }
  }

  // The pending close and the sessions closed while it waits, one task
  // each, so that a close that hangs holds up no other.
  static void addClosers(Scenario& scenario, const std::shared_ptr<Run>& run) {
    run->pendingDone = false;
    for (Holding holding : {Holding::kPersonality, Holding::kNothing, Holding::kFifo, Holding::kPersonality})
      run->closers.push_back(Closer{.holding = holding});
    run->preparing = static_cast<uint32_t>(run->closers.size());
    for (size_t index = 0; index < run->closers.size(); ++index) {
      scenario.addTask(index == 0 ? "pending" : "closer", [&scenario, run, index] {
        Closer& closer = run->closers[index];
        Ring ring;
        Session session;
        session.file = sim::DeviceFile::open(scenario.module(), kFpgaInterface);
        if (session.file) hold(scenario, session, *run, closer, ring);
        --run->preparing;
        if (session.file) {
          // The pending close begins once the waiter waits, the others
          // once it has begun.
          const bool go = index == 0 ? waitUntilReady(*run) : waitFor(*run, [&run] { return run->closeBegun; });
          if (go) sleepMs(1);
          if (index == 0) run->closeBegun = true;
          closer.ran = true;
          const uint64_t start = now();
          session.file->close();
          closer.endedAt = now();
          closer.tookNs = closer.endedAt - start;
        }
        closer.done = true;
        if (index == 0) run->pendingDone = true;
      });
    }
  }

  static void hold(Scenario& scenario, Session& session, const Run& run, Closer& closer, const Ring& ring) {
    if (closer.holding == Holding::kPersonality) {
      const Answer configured = configure(scenario, session);
      scenario.record(configured);
      closer.holds = configured.answer() == 0;
    } else if (closer.holding == Holding::kFifo && waitFor(run, [&run] { return run.configured; })) {
      const Answer deployed = scenario.call<DeployFifoSettings>(
          session,
          {.ownerId = kOwner, .fifo = kToDevice, .bufferAddress = ring.address(), .bufferSize = kRing, .mode = 2});
      scenario.record(deployed);
      closer.holds = deployed.answer() == 0;
    }
  }

  // Polls `condition` until it holds or the waiter is done, at most
  // kRescueNs.
  template <class Condition>
  static bool waitFor(const Run& run, Condition condition) {
    for (uint64_t start = now(); !condition() && !run.waiterDone && now() - start < kRescueNs;) sleepMs(1);
    return condition();
  }

  static bool waitUntilReady(const Run& run) {
    for (uint64_t start = now(); !run.ready && !run.waiterDone && now() - start < kRescueNs;) sleepMs(1);
    return run.ready;
  }

  static void waitWithoutLimit(Scenario& scenario, Run& run) {
    Session session;
    session.main = run.waiter == Waiter::kSettling;
    session.file = sim::DeviceFile::open(scenario.module(), session.main ? kMainInterface : kFpgaInterface);
    if (session.file) {
      run.waiterSession = &session;
      wait(scenario, session, run);
    }
    run.waiterEndedAt = now();
    run.waiterDone = true;
    // The release and the unreserve use this session's file.
    while (!run.pendingDone || !run.enderDone) sleepMs(1);
    if (run.rescued && run.waiter == Waiter::kIrq)
      scenario.call<Write32>(session, {.offset = kFpgaDesignIrqStatus, .value = kFpgaDesignSilentLine});
    if (session.file) session.file->close();
  }

  static void wait(Scenario& scenario, Session& session, Run& run) {
    Ring ring;
    if (run.waiter == Waiter::kSettling) {
      sim::TimingEngineSubtree* engine = scenario.board().timingEngine(sim::TimingEngineSubtree::kGenerationUid);
      if (engine == nullptr) return;
      run.timers = &engine->timer();
      for (unsigned timer = 0; timer < run.settled.size(); ++timer) {
        run.settled[timer] = engine->timer().value(engine->timer().settlingTimer(timer, 1));
        engine->timer().setValue(engine->timer().settlingTimer(timer, 1), 0);
      }
      const auto ids = vltest::userCopyOf(vltest::WireBytes().u32(kLo0Frequency).bytes);
      const auto input = vltest::userCopyOf(vltest::WireBytes().u32(kForever).u32(0).bytes);
      run.ready = true;
      scenario.record(scenario.call<SettingsSendMessage>(
          session, {ids->address(), 1, kWaitForSettling, input->address(), 8, 0, 0, 0}));
      return;
    }
    if (configure(scenario, session).answer() != 0) return;
    run.configured = true;
    // The closers take what they hold before the wait would keep them out.
    for (uint64_t start = now(); run.preparing != 0 && now() - start < kRescueNs;) sleepMs(1);
    if (run.waiter == Waiter::kIrq) {
      run.ready = true;
      scenario.record(scenario.call<WaitOnIrqs>(session, {.irqMask = kFpgaDesignSilentLine, .timeoutMs = kForever}));
      return;
    }
    const Answer deployed = scenario.call<DeployFifoSettings>(session, {.ownerId = kOwner,
                                                                        .fifo = kFpgaDesignFromDevice,
                                                                        .bufferAddress = ring.address(),
                                                                        .bufferSize = kRing,
                                                                        .mode = 2});
    scenario.record(deployed);
    if (deployed.answer() != 0) return;
    const Answer started = scenario.call<StartFifo>(session, {.ownerId = kOwner, .fifo = kFpgaDesignFromDevice});
    scenario.record(started);
    if (started.answer() != 0) return;
    run.ready = true;
    scenario.record(scenario.call<AcquireFifoBytes>(
        session, {.ownerId = kOwner, .fifo = kFpgaDesignFromDevice, .bytes = kRing, .timeoutMs = kForever}));
  }

  // Once the waiter waits: every task but the waiter sleeps, so the clock
  // moves on only when the waiter blocks.
  static void end(Scenario& scenario, Run& run) {
    if (waitUntilReady(run)) {
      sleepMs(2);
      // The closes that must not wait for this get their bound and a little
      // more: one that waits for this after all takes longer.
      for (uint64_t start = now(); now() - start < kBoundNs + 100 * kMs && !closersEnded(run);) sleepMs(1);
      run.enderRan = true;
      const uint64_t start = now();
      run.enderStartedAt = start;
      runStep(scenario, run, run.ender);
      run.enderNs = now() - start;
    }
    run.enderEndedAt = now();
    run.enderDone = true;
  }

  static bool closersEnded(const Run& run) {
    for (const Closer& closer : run.closers) {
      if (closer.holding != Holding::kPersonality && !closer.done) return false;
    }
    return true;
  }

  static void runStep(Scenario& scenario, Run& run, Step step) {
    if (step == Step::kRemoval) return scenario.removeDevice();
    Session own;
    const bool onWaiter = step == Step::kRelease || step == Step::kUnreserve;
    if (!onWaiter) {
      own.main = step == Step::kDeviceReset;
      own.file = sim::DeviceFile::open(scenario.module(), own.main ? kMainInterface : kFpgaInterface);
      if (!own.file) return;
    }
    if (onWaiter && run.waiterSession == nullptr) return;
    Session& session = onWaiter ? *run.waiterSession : own;
    switch (step) {
      case Step::kConfigure:
        scenario.record(configure(scenario, session));
        break;
      case Step::kRelease: {
        sim::DeviceFile::Request request{.code = ReleasePersonality::kCode,
                                         .input = std::vector<uint8_t>(sizeof(ReleasePersonality::In), 0)};
        request.input[8] = 1;  // reset when last
        Answer answer;
        answer.code = ReleasePersonality::kCode;
        answer.status = session.file->ioctl(request).status;
        scenario.record(answer);
        break;
      }
      case Step::kAbortWaits:
        scenario.record(scenario.call<AbortWaits>(session, {}));
        break;
      case Step::kAbort:
        scenario.record(scenario.call<Abort>(session, {}));
        break;
      case Step::kDesignReset:
        scenario.record(scenario.call<Reset>(session, {}));
        break;
      case Step::kUnreserve:
        scenario.record(scenario.call<UnreserveFifo>(session, {.ownerId = kOwner, .fifo = kFpgaDesignFromDevice}));
        break;
      case Step::kDeviceReset:
        scenario.recordReset(scenario.call<ResetDevice>(session, {}));
        break;
      default:
        break;
    }
    if (own.file) own.file->close();
  }

  // The board's late answer: the line raised, the bytes fed, the timers
  // settled.
  static void monitor(Scenario& scenario, Run& run) {
    const uint64_t start = now();
    while (now() - start < 2 * kRescueNs) {
      sleepMs(10);
      if (run.waiterDone) break;
      const bool endedLongAgo = run.enderDone && now() - run.enderEndedAt > 100 * kMs;
      if ((!endedLongAgo && now() - start < kRescueNs) || !run.ready) continue;
      run.rescued = true;
      if (run.waiter == Waiter::kIrq) scenario.board().fpga().raiseIrqs(kFpgaDesignSilentLine);
      if (run.waiter == Waiter::kFifo)
        scenario.board().bridge().channel(kFpgaDesignFromDevice).feed(std::vector<uint8_t>(kRing));
      break;
    }
    if (run.timers) {
      for (unsigned timer = 0; timer < run.settled.size(); ++timer)
        (*run.timers)->setValue((*run.timers)->settlingTimer(timer, 1), run.settled[timer]);
    }
  }

  void prepareRace(Scenario& scenario, Random& random) {
    race_ = std::make_shared<Race>();
    race_->sessions.resize(2 + random.below(2));
    std::string what = "FPGA-session requests during a device reset:";
    for (Racing& racing : race_->sessions) {
      for (uint32_t count = 1 + random.below(5); count != 0; --count)
        racing.requests.emplace_back(static_cast<Racer>(random.below(kRacers)), random.below(3));
      for (const auto& [racer, sleep] : racing.requests) what += std::string(" ") + nameOf(racer) + ",";
      what.back() = ';';
    }
    scenario.describe(what);
    const uint32_t resetAfterMs = random.below(4);
    std::shared_ptr<Race> race = race_;
    scenario.addTask("device reset", [&scenario, race, resetAfterMs] {
      for (uint64_t start = now(); race->opened != race->sessions.size() && now() - start < kRescueNs;) sleepMs(1);
      sleepMs(resetAfterMs);
      Session session;
      session.file = sim::DeviceFile::open(scenario.module(), kMainInterface);
      if (!session.file) return;
      const Answer reset = scenario.call<ResetDevice>(session, {});
      scenario.recordReset(reset);
      race->resetAnswer = reset.answer();
      race->resetEnded = true;
      session.file->close();
    });
    for (uint32_t index = 0; index < race_->sessions.size(); ++index)
      scenario.addTask("older session", [&scenario, race, index] { sendDuringReset(scenario, *race, index); });
  }

  // Sets the session up (a personality, and for the first two a FIFO each)
  // before the reset begins, then sends its requests while it runs.
  static void sendDuringReset(Scenario& scenario, Race& race, uint32_t index) {
    Racing& racing = race.sessions[index];
    Session session;
    session.file = sim::DeviceFile::open(scenario.module(), kFpgaInterface);
    Ring ring;
    sim::UserBlock block(64);
    if (session.file) {
      const Answer configured = configure(scenario, session);
      scenario.record(configured);
      racing.configured = configured.answer() == 0;
    }
    ++race.opened;
    if (!session.file) return;
    for (const auto& [racer, sleep] : racing.requests) {
      sleepMs(sleep);
      RaceAnswer sent{.racer = racer, .afterReset = race.resetEnded && race.resetAnswer == 0};
      Answer answer;
      switch (racer) {
        case Racer::kWrite32:
          answer = scenario.call<Write32>(session, {.offset = kRaceScratch + 4 * index, .value = index});
          break;
        case Racer::kRead32:
          answer = scenario.call<Read32>(session, {.offset = kRaceScratch + 4 * index});
          break;
        case Racer::kReadBlock:
          answer = scenario.call<ReadBlock>(
              session,
              {.offset = kRaceScratch, .address = block.address(), .byteCount = 64, .elementSize = 4, .increment = 4});
          break;
        case Racer::kIsSessionValid:
          answer = scenario.call<IsSessionValid>(session, {});
          break;
        case Racer::kDeployFifo:
          // FIFO 0 and 1 are one session's each; a third session has none.
          if (index > 1) continue;
          answer = scenario.call<DeployFifoSettings>(
              session,
              {.ownerId = kOwner, .fifo = index, .bufferAddress = ring.address(), .bufferSize = kRing, .mode = 2});
          break;
        case Racer::kReleasePersonality: {
          // No status travels back: only the memory checker sees where it went.
          sim::DeviceFile::Request request{.code = ReleasePersonality::kCode,
                                           .input = std::vector<uint8_t>(sizeof(ReleasePersonality::In), 0)};
          answer.code = ReleasePersonality::kCode;
          answer.status = session.file->ioctl(request).status;
          break;
        }
      }
      scenario.record(answer);
      sent.answer = answer.answer();
      racing.answers.push_back(sent);
    }
    session.file->close();
  }

  // A failed allocation or copy may stop a request anywhere; a design the
  // session could not configure answers for itself.
  static void checkRace(Scenario& scenario, const Race& race) {
    if (scenario.events().kernelFault) return;
    for (const Racing& racing : race.sessions) {
      if (!racing.configured) continue;
      for (const RaceAnswer& sent : racing.answers) {
        const std::string what = std::string(nameOf(sent.racer)) + " of a session opened before a device reset";
        // An open session of another step may hold the FIFO, and a FIFO
        // request admitted before the gate closed meets the reset's end of
        // the FIFO waits.
        const bool fifo =
            sent.racer == Racer::kDeployFifo && (sent.answer == kFifoOwnedElsewhere || sent.answer == kFifoWaitsEnded);
        if (sent.answer != 0 && sent.answer != kStale && sent.answer != kGateClosed && !fifo) {
          scenario.fail(what + " answered " + hex(static_cast<uint32_t>(sent.answer)));
        } else if (sent.afterReset && sent.racer != Racer::kReleasePersonality && sent.answer != kStale) {
          scenario.fail(what + ", sent after it, answered " + hex(static_cast<uint32_t>(sent.answer)));
        }
      }
    }
  }

  std::shared_ptr<Run> run_;
  std::shared_ptr<Race> race_;
};

}  // namespace

std::unique_ptr<Family> makeWaiterFamily() { return std::make_unique<WaiterFamily>(); }

}  // namespace vlscenario
