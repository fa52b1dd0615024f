// The kernel layer's deterministic mode. While it is on, every thread that
// runs driver code is a scheduled task: one runs at a time, and it hands the
// processor over only inside kernel-layer calls (locks, events, waits,
// sleeps, clock reads, thread start and join, interrupts and deferred
// calls), to a task a seeded generator picks. Time is the virtual clock
// alone: when every task waits, the clock jumps to the earliest deadline, and
// when none has one the tasks are deadlocked. Each call is folded into a
// trace hash, so two runs of one seed can be compared call by call.
//
// Off (the default), the kernel layer runs host threads freely as before.
#ifndef VL9738K_SIM_SCHEDULER_H
#define VL9738K_SIM_SCHEDULER_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sim {

class Scheduler {
 public:
  enum class Call : uint8_t {
    kSpawn = 1,
    kExit,
    kJoin,
    kSpinLock,
    kSpinUnlock,
    kMutexLock,
    kMutexUnlock,
    kEventWait,
    kEventRelease,
    kTimedWait,
    kSleep,
    kClockRead,
    kInterrupt,
    kDpc,
    kAllocation,
    kRelease,
    kWork,  // a task of the caller's own, between its steps
  };
  static const char* callName(Call call);

  // Turns the mode on with the generator at `seed`, or off. Only while no
  // task is alive.
  static void enable(uint64_t seed);
  static void disable();
  static bool active();
  // Leaves the mode whatever is left: tasks that can never run again (after
  // a deadlock) are given up, their host threads left waiting for ever.
  static void reset();
  // Restarts the generator (the trace goes on); `stayPercent` is how likely
  // a task keeps the processor at a call where it could go on.
  static void reseed(uint64_t seed, unsigned stayPercent = 50);

  // A task that first runs when the scheduler picks it. Returns its id.
  static uint64_t spawn(const std::string& name, std::function<void()> work);
  // On a task: waits for task `id` to end and forgets it.
  static void join(uint64_t id);
  static bool isTask();

  struct RunResult {
    bool deadlocked = false;
    // One line per task still waiting, "name: call", when deadlocked.
    std::vector<std::string> waiting;
    uint64_t switches = 0;
  };
  // From outside every task: runs the tasks until each has ended (or none
  // can go on), then forgets the ended ones.
  static RunResult runUntilAllDone();

  // A kernel-layer call of the calling task: the scheduler may switch here.
  static void point(Call call);
  // Folded into the trace only (no switch): calls whose order matters for a
  // replay but that never wait.
  static void note(Call call, uint64_t detail = 0);
  // Blocks the calling task until `ready()` holds or the virtual clock
  // reaches `deadlineNs` (0: no deadline). `ready` runs on whichever task
  // schedules next, so it may only read state. True when ready() held.
  static bool blockUntil(Call call, std::function<bool()> ready, uint64_t deadlineNs = 0);
  // The clock read by the calling task: a switch point only when the clock
  // moved since the task's last one, so a busy-wait costs one switch per
  // clock step.
  static void clockRead(uint64_t nowNs);

  // No progress: more than `callLimit` kernel-layer calls while the virtual
  // clock stands still means the tasks spin on each other (a livelock, or a
  // poll that never reads the clock). `report` gets one line per task and
  // must not return into the tasks (it ends the process).
  static void onNoProgress(uint64_t callLimit, std::function<void(const std::string& tasks)> report);
  // The most calls seen between two moves of the clock.
  static uint64_t longestStillRun();

  struct TraceEntry {
    Call call;
    uint32_t task;  // ordinal of the task in spawn order, 0 outside tasks
    uint64_t detail;
  };
  static uint64_t traceHash();
  static uint64_t traceCalls();
  // Keeps every entry from now on (for finding where two runs part).
  static void recordTrace(bool on);
  static const std::vector<TraceEntry>& trace();
  // The name of a task spawned while the trace was kept ("?" for others).
  static std::string taskName(uint32_t ordinal);
};

}  // namespace sim

#endif
