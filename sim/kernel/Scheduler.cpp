#include "Scheduler.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "Clock.h"
#include "FaultSite.h"

namespace sim {
namespace {

struct Task {
  enum class State { kReady, kBlocked, kDone };
  uint64_t id = 0;
  uint32_t ordinal = 0;
  std::string name;
  std::function<void()> work;
  std::thread thread;
  std::condition_variable turn;
  State state = State::kReady;
  std::function<bool()> ready;
  uint64_t deadlineNs = 0;
  bool timedOut = false;
  Scheduler::Call blockedOn = Scheduler::Call::kSpawn;
  uint64_t lastClockPoint = 0;
};

using Call = Scheduler::Call;

uint64_t splitMix(uint64_t& state) {
  uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

std::atomic<bool> gActive{false};
std::mutex gMutex;
std::condition_variable gControllerTurn;
// The task holding the processor; null while the controller holds it.
Task* gCurrent = nullptr;
// Live tasks in spawn order, so that every choice is made over one order.
std::vector<Task*> gTasks;
// Ordinals in spawn order (0 outside tasks); names only of tasks spawned
// while the trace is kept, for reports of where two runs part: a long run
// keeps none.
uint32_t gNextOrdinal = 1;
std::map<uint32_t, std::string> gNames;
uint64_t gNextId = 1;
uint64_t gRandom = 0;
unsigned gStayPercent = 50;
uint64_t gSwitches = 0;
uint64_t gTraceHash = 0xCBF29CE484222325ull;
uint64_t gTraceCalls = 0;
bool gRecording = false;
std::vector<Scheduler::TraceEntry> gTrace;

// The no-progress check: kernel-layer calls since the virtual clock last
// moved. Tasks that go on calling without time passing spin on each other.
uint64_t gClockAtLastMove = 0;
uint64_t gCallsSinceClockMoved = 0;
uint64_t gLongestStill = 0;
uint64_t gNoProgressLimit = std::numeric_limits<uint64_t>::max();
std::function<void(const std::string&)> gNoProgress;

std::string describeTasks() {
  std::string text;
  for (const Task* task : gTasks) {
    const char* state = task->state == Task::State::kReady  ? "runs"
                        : task->state == Task::State::kDone ? "ended"
                                                            : "waits";
    text += "\n    " + task->name + ": " + state;
    if (task->state == Task::State::kBlocked) text += std::string(" in ") + Scheduler::callName(task->blockedOn);
  }
  return text;
}

thread_local Task* tTask = nullptr;
// Set while the thread runs scheduler code: allocations made there (a
// linked driver routes operator new through the kernel layer) are not
// folded into the trace, which would take the scheduler's lock twice.
thread_local bool tInside = false;

struct Inside {
  Inside() : saved(tInside) { tInside = true; }
  ~Inside() { tInside = saved; }
  bool saved;
};

void fold(Call call, uint32_t task, uint64_t detail) {
  const uint64_t now = Clock::instance().nowNs();
  if (now != gClockAtLastMove) {
    gClockAtLastMove = now;
    gCallsSinceClockMoved = 0;
  } else if (++gCallsSinceClockMoved > gNoProgressLimit && gNoProgress) {
    gNoProgress(describeTasks());
  }
  gLongestStill = std::max(gLongestStill, gCallsSinceClockMoved);
  uint64_t word = (static_cast<uint64_t>(call) << 56) ^ (static_cast<uint64_t>(task) << 40) ^ detail;
  for (int i = 0; i < 8; ++i, word >>= 8) gTraceHash = (gTraceHash ^ (word & 0xFF)) * 0x100000001B3ull;
  ++gTraceCalls;
  if (gRecording) gTrace.push_back({call, task, detail});
}

// Picks who runs next with gMutex held; `me` is the asking task (null for the
// controller). A waiting task qualifies when its condition holds or its
// deadline has passed; when nobody qualifies the clock jumps to the earliest
// deadline. Null when no task can ever run again.
Task* pickNext(Task* me) {
  Clock& clock = Clock::instance();
  std::vector<std::pair<Task*, bool>> candidates;  // task, woken by its condition
  for (;;) {
    candidates.clear();
    uint64_t earliest = std::numeric_limits<uint64_t>::max();
    const uint64_t now = clock.nowNs();
    for (Task* task : gTasks) {
      if (task->state == Task::State::kReady) {
        candidates.push_back({task, true});
      } else if (task->state == Task::State::kBlocked) {
        if (task->ready && task->ready()) {
          candidates.push_back({task, true});
        } else if (task->deadlineNs != 0) {
          if (now >= task->deadlineNs) {
            candidates.push_back({task, false});
          } else {
            earliest = std::min(earliest, task->deadlineNs);
          }
        }
      }
    }
    if (!candidates.empty()) break;
    if (earliest == std::numeric_limits<uint64_t>::max()) return nullptr;
    clock.advanceNs(earliest - now);
  }
  size_t chosen = candidates.size();
  if (me != nullptr && splitMix(gRandom) % 100 < gStayPercent) {
    for (size_t i = 0; i < candidates.size(); ++i) {
      if (candidates[i].first == me) chosen = i;
    }
  }
  if (chosen == candidates.size()) chosen = splitMix(gRandom) % candidates.size();
  Task* next = candidates[chosen].first;
  if (next->state == Task::State::kBlocked) {
    next->timedOut = !candidates[chosen].second;
    next->state = Task::State::kReady;
    next->ready = nullptr;
    next->deadlineNs = 0;
  }
  return next;
}

// Gives the processor to `next` (the controller when null) and, unless the
// caller has ended, waits until it comes back.
void handOver(std::unique_lock<std::mutex>& lock, Task* me, Task* next) {
  if (next == me) return;
  ++gSwitches;
  gCurrent = next;
  if (next != nullptr) {
    next->turn.notify_one();
  } else {
    gControllerTurn.notify_one();
  }
  if (me == nullptr || me->state == Task::State::kDone) return;
  me->turn.wait(lock, [me] { return gCurrent == me; });
}

// The thread stays "inside" once its work is done: what the host runtime
// frees as the thread ends is none of the trace's business.
void runTask(Task* task) {
  tInside = true;
  {
    std::unique_lock<std::mutex> lock(gMutex);
    task->turn.wait(lock, [task] { return gCurrent == task; });
  }
  tTask = task;
  tInside = false;
  task->work();
  tInside = true;
  std::unique_lock<std::mutex> lock(gMutex);
  fold(Call::kExit, task->ordinal, 0);
  task->state = Task::State::kDone;
  handOver(lock, task, pickNext(task));
}

Task* findTask(uint64_t id) {
  for (Task* task : gTasks) {
    if (task->id == id) return task;
  }
  return nullptr;
}

// Drops an ended task from the list (with gMutex held); the caller joins
// and deletes it once the lock is released, which the ending thread may
// still need.
void unlist(Task* task) { gTasks.erase(std::find(gTasks.begin(), gTasks.end(), task)); }

void joinAndDelete(Task* task) {
  if (task->thread.joinable()) task->thread.join();
  delete task;
}

}  // namespace

const char* Scheduler::callName(Call call) {
  static constexpr const char* kNames[] = {"?",           "spawn",      "exit",         "join",       "spin lock",
                                           "spin unlock", "mutex lock", "mutex unlock", "event wait", "event release",
                                           "timed wait",  "sleep",      "clock read",   "interrupt",  "deferred call",
                                           "allocation",  "release",    "work"};
  const auto index = static_cast<size_t>(call);
  return index < sizeof(kNames) / sizeof(kNames[0]) ? kNames[index] : "?";
}

void Scheduler::enable(uint64_t seed) {
  Inside inside;
  std::lock_guard<std::mutex> guard(gMutex);
  if (!gTasks.empty()) std::abort();
  gRandom = seed;
  gStayPercent = 50;
  gSwitches = 0;
  gTraceHash = 0xCBF29CE484222325ull;
  gTraceCalls = 0;
  gTrace.clear();
  gNextOrdinal = 1;
  gNames.clear();
  gActive = true;
}

void Scheduler::disable() {
  Inside inside;
  std::lock_guard<std::mutex> guard(gMutex);
  if (!gTasks.empty()) std::abort();
  gActive = false;
  gRecording = false;
  gTrace.clear();
}

void Scheduler::reset() {
  Inside inside;
  std::vector<Task*> ended;
  {
    std::lock_guard<std::mutex> guard(gMutex);
    for (Task* task : gTasks) {
      if (task->state == Task::State::kDone) {
        ended.push_back(task);
      } else {
        task->thread.detach();
      }
    }
    gTasks.clear();
    gCurrent = nullptr;
    gActive = false;
    gRecording = false;
    gTrace.clear();
  }
  for (Task* task : ended) joinAndDelete(task);
}

bool Scheduler::active() { return gActive.load(std::memory_order_relaxed); }

void Scheduler::reseed(uint64_t seed, unsigned stayPercent) {
  std::lock_guard<std::mutex> guard(gMutex);
  gRandom = seed;
  gStayPercent = std::min(stayPercent, 100u);
}

uint64_t Scheduler::spawn(const std::string& name, std::function<void()> work) {
  Inside inside;
  Task* task = nullptr;
  {
    SimScope scope;
    std::lock_guard<std::mutex> guard(gMutex);
    task = new Task;
    task->id = gNextId++;
    task->ordinal = gNextOrdinal++;
    task->name = name;
    task->work = std::move(work);
    if (gRecording) gNames[task->ordinal] = name;
    gTasks.push_back(task);
    fold(Call::kSpawn, tTask != nullptr ? tTask->ordinal : 0, task->ordinal);
    task->thread = std::thread(runTask, task);
  }
  if (tTask != nullptr) point(Call::kSpawn);
  return task->id;
}

void Scheduler::join(uint64_t id) {
  Inside inside;
  Task* task = nullptr;
  {
    std::lock_guard<std::mutex> guard(gMutex);
    task = findTask(id);
  }
  if (task == nullptr) return;
  blockUntil(Call::kJoin, [task] { return task->state == Task::State::kDone; });
  SimScope scope;
  {
    std::lock_guard<std::mutex> guard(gMutex);
    unlist(task);
  }
  joinAndDelete(task);
}

bool Scheduler::isTask() { return tTask != nullptr; }

Scheduler::RunResult Scheduler::runUntilAllDone() {
  Inside inside;
  RunResult result;
  std::unique_lock<std::mutex> lock(gMutex);
  const uint64_t switchesBefore = gSwitches;
  for (;;) {
    const bool live =
        std::any_of(gTasks.begin(), gTasks.end(), [](const Task* task) { return task->state != Task::State::kDone; });
    if (!live) break;
    Task* next = pickNext(nullptr);
    if (next == nullptr) {
      result.deadlocked = true;
      for (const Task* task : gTasks) {
        if (task->state == Task::State::kBlocked)
          result.waiting.push_back(task->name + ": " + callName(task->blockedOn));
      }
      return result;
    }
    handOver(lock, nullptr, next);
    gControllerTurn.wait(lock, [] { return gCurrent == nullptr; });
  }
  SimScope scope;
  std::vector<Task*> ended;
  ended.swap(gTasks);
  result.switches = gSwitches - switchesBefore;
  lock.unlock();
  for (Task* task : ended) joinAndDelete(task);
  return result;
}

void Scheduler::point(Call call) {
  Task* me = tTask;
  if (!active() || me == nullptr) return;
  Inside inside;
  std::unique_lock<std::mutex> lock(gMutex);
  fold(call, me->ordinal, 0);
  handOver(lock, me, pickNext(me));
}

void Scheduler::note(Call call, uint64_t detail) {
  if (!active() || tInside) return;
  std::lock_guard<std::mutex> guard(gMutex);
  fold(call, tTask != nullptr ? tTask->ordinal : 0, detail);
}

bool Scheduler::blockUntil(Call call, std::function<bool()> ready, uint64_t deadlineNs) {
  Inside inside;
  Task* me = tTask;
  if (me == nullptr) {
    // Only a task can wait here: anything else would wait for ever.
    std::fprintf(stderr, "sim: a thread outside the scheduler waits (%s)\n", callName(call));
    std::abort();
  }
  std::unique_lock<std::mutex> lock(gMutex);
  fold(call, me->ordinal, 0);
  me->state = Task::State::kBlocked;
  me->ready = std::move(ready);
  me->deadlineNs = deadlineNs;
  me->blockedOn = call;
  me->timedOut = false;
  handOver(lock, me, pickNext(me));
  return !me->timedOut;
}

void Scheduler::clockRead(uint64_t nowNs) {
  Task* me = tTask;
  if (!active() || me == nullptr || me->lastClockPoint == nowNs) return;
  me->lastClockPoint = nowNs;
  point(Call::kClockRead);
}

void Scheduler::onNoProgress(uint64_t callLimit, std::function<void(const std::string& tasks)> report) {
  std::lock_guard<std::mutex> guard(gMutex);
  gNoProgressLimit = callLimit;
  gNoProgress = std::move(report);
}

uint64_t Scheduler::longestStillRun() {
  std::lock_guard<std::mutex> guard(gMutex);
  return gLongestStill;
}

uint64_t Scheduler::traceHash() {
  std::lock_guard<std::mutex> guard(gMutex);
  return gTraceHash;
}

uint64_t Scheduler::traceCalls() {
  std::lock_guard<std::mutex> guard(gMutex);
  return gTraceCalls;
}

void Scheduler::recordTrace(bool on) {
  std::lock_guard<std::mutex> guard(gMutex);
  gRecording = on;
  if (!on) gTrace.clear();
}

const std::vector<Scheduler::TraceEntry>& Scheduler::trace() { return gTrace; }

std::string Scheduler::taskName(uint32_t ordinal) {
  std::lock_guard<std::mutex> guard(gMutex);
  if (ordinal == 0) return "(outside)";
  auto found = gNames.find(ordinal);
  return found != gNames.end() ? found->second : "?";
}

}  // namespace sim
