#include "Scenario.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

#include "Family.h"
#include "FpgaFamily.h"
#include "KnownCodes.h"
#include "sim/host/BringUpLog.h"
#include "sim/host/KernelHoldings.h"
#include "sim/kernel/Clock.h"
#include "sim/kernel/Console.h"
#include "sim/kernel/Kernel.h"
#include "sim/kernel/Scheduler.h"
#include "tests/module/PublishedRequests.h"

namespace vlscenario {
namespace {

constexpr uint32_t kResetDevice = 0x0020420C;
constexpr uint64_t kSpinStepNs = 50'000;
// What an injected kernel-layer failure answers.
constexpr int32_t kInjected = -51352;

enum Stream : uint64_t { kChoices = 1, kSchedule = 2 };

// Allocation faults of steps without a reset or an add fall among the
// first calls: a request makes few.
constexpr uint32_t kRequestAllocations = 60;
uint64_t gResetAllocations = kRequestAllocations;

std::map<uint32_t, bool>& guardedRequests() {
  static std::map<uint32_t, bool> guarded;
  return guarded;
}

int32_t outStatusOf(const sim::DeviceFile::Reply& reply, uint16_t outStatusAt) {
  int32_t value = 0;
  if (reply.output.size() >= outStatusAt + 4u) std::memcpy(&value, reply.output.data() + outStatusAt, 4);
  return value;
}

}  // namespace

uint64_t Random::next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

uint64_t Random::mix(uint64_t seed, uint64_t step, uint64_t stream) {
  Random random(seed * 0xD1B54A32D192ED03ull ^ (step + 1) * 0x8CB92BA72F3D8DD7ull ^ stream);
  return random.next();
}

bool Scenario::learnGuardedRequests(std::string& error) {
  if (!guardedRequests().empty()) return true;
  sim::resetKernel();
  auto module = sim::Module::load();
  if (!module || !module->registered()) {
    error = "the module does not load";
    return false;
  }
  sim::Board board;
  const nVLZUK_tPCIDeviceDescription description = board.description();
  void* device = nullptr;
  if (module->record().addDevice(&description, nullptr, &device) != 0) {
    error = "the board does not come up";
    return false;
  }
  auto older = sim::DeviceFile::open(*module, kMainInterface);
  auto resetter = sim::DeviceFile::open(*module, kMainInterface);
  auto olderFpga = sim::DeviceFile::open(*module, kFpgaInterface);
  if (!older || !resetter || !olderFpga) {
    error = "the interfaces do not open";
    return false;
  }
  // An armed site counts its calls; armed beyond reach, it counts them all.
  sim::Memory::allocationFaults().failNth(~uint64_t{0}, kInjected);
  const auto reset = resetter->ioctl({kResetDevice, std::vector<uint8_t>(4, 0), 4, 0});
  gResetAllocations = sim::Memory::allocationFaults().calls();
  sim::Memory::allocationFaults().clear();
  if (reset.status != 0 || outStatusOf(reset, 0) != 0) {
    error = "a reset answers " + std::to_string(reset.status != 0 ? reset.status : outStatusOf(reset, 0));
    return false;
  }
  // A request is guarded when an older session of its interface is refused.
  auto learn = [](sim::DeviceFile& older, const vltest::PublishedRequest& request) {
    const auto reply = older.ioctl({request.code, std::vector<uint8_t>(request.in, 0), request.out, 0});
    const int32_t answer = reply.status != 0 ? reply.status : outStatusOf(reply, request.outStatusAt);
    guardedRequests()[request.code] = answer == kStale || answer == kGateClosed;
  };
  for (const vltest::PublishedRequest& request : vltest::kPublishedRequests) {
    if (request.code != kResetDevice) learn(*older, request);
  }
  for (const vltest::PublishedRequest& request : fpgaSessionRequests()) learn(*olderFpga, request);
  olderFpga.reset();
  older.reset();
  resetter.reset();
  module->record().removeDevice(device);
  module->record().deleteDevice(device);
  module->unload();
  return true;
}

uint64_t Scenario::resetAllocations() { return gResetAllocations; }

bool Scenario::isGuarded(uint32_t code) {
  const auto found = guardedRequests().find(code);
  return found != guardedRequests().end() && found->second;
}

Scenario::Scenario(const Options& options) : options_(options), families_(makeFamilies()) {
  for (auto& family : families_) family->addKinds(kinds_);
}

Scenario::~Scenario() = default;

std::vector<Session*> Scenario::sessions(bool includeClosing) {
  std::vector<Session*> open;
  for (auto& session : sessions_) {
    if (session->file && (includeClosing || !session->closing)) open.push_back(session.get());
  }
  return open;
}

Session* Scenario::newSession() {
  sessions_.push_back(std::make_unique<Session>());
  sessions_.back()->openedStep = step_;
  sessions_.back()->id = nextSessionId_++;
  return sessions_.back().get();
}

Session* Scenario::findSession(uint64_t id) {
  for (auto& session : sessions_) {
    if (session->id == id && session->file && session->file->isOpen()) return session.get();
  }
  return nullptr;
}

void Scenario::runTask(const std::string& name, std::function<void()> body) {
  sim::Scheduler::spawn(name, std::move(body));
  const sim::Scheduler::RunResult result = sim::Scheduler::runUntilAllDone();
  switches_ += result.switches;
  if (result.deadlocked) fail("no task can go on in " + name);
}

void Scenario::addTask(const std::string& name, std::function<void()> body) {
  tasks_.emplace_back(name, std::move(body));
}

void Scenario::foldDraw(const std::string& text) {
  const std::string line = std::to_string(step_) + ": " + text + "\n";
  for (const char c : line) drawDigest_ = (drawDigest_ ^ static_cast<uint8_t>(c)) * 0x100000001B3ull;
}

void Scenario::describe(const std::string& text) {
  foldDraw(text);
  describeAnswer(text);
}

void Scenario::describeAnswer(const std::string& text) {
  if (options_.describe) std::printf("  step %u: %s\n", step_, text.c_str());
}

Answer Scenario::send(Session& session, uint32_t code, uint16_t inSize, uint16_t outSize, uint16_t outStatusAt,
                      const std::vector<uint8_t>* in) {
  Answer answer;
  answer.code = code;
  answer.staleSession = session.stale;
  answer.deviceGone = removed_;
  const auto reply = session.file->ioctl({code, in != nullptr ? *in : std::vector<uint8_t>(inSize, 0), outSize, 0});
  answer.status = reply.status;
  answer.outStatus = outStatusOf(reply, outStatusAt);
  noteSent(code, 0, ~uint64_t{0});
  return answer;
}

void Scenario::noteSent(uint32_t code, uint64_t nameAddress, uint64_t nameLength) {
  if (!PolicyCheck::writesByName(code)) return;
  std::string name;
  if (nameLength <= 64 && sim::UserMemory::isMapped(nameAddress, nameLength))
    name.assign(reinterpret_cast<const char*>(nameAddress), nameLength);
  else
    name = "?";
  shadows_.policies().writtenByName(name);
}

void Scenario::record(const Answer& answer) {
  answers_.push_back(answer);
  if (answer.answer() == kOverTemperatureShutdown) {
    // A board that had already shut down answers the shutdown from its
    // records: only the first shutdown moves the generation on.
    if (!shutDown_) noteGenerationAdvanced();
    noteBringUpRecord(kOverTemperatureShutdown);
  }
}

void Scenario::recordReset(const Answer& answer) {
  record(answer);
  if (answer.answer() == 0) {
    noteGenerationAdvanced();
    noteResetSucceeded();
  } else if (answer.answer() != kGateClosed) {
    noteBringUpRecord(answer.answer());
  }
}

void Scenario::closeSession(Session& session) {
  if (session.file) session.file->close();
}

// Requests that begin once this returns find the board gone.
void Scenario::removeDevice() {
  if (device_ == nullptr || removed_) return;
  module_->record().removeDevice(device_);
  removed_ = true;
  events_.removed = true;
}

void Scenario::deleteDeviceIfIdle() {
  if (device_ == nullptr || !removed_) return;
  for (auto& session : sessions_) {
    if (session->file && session->file->isOpen()) return;
  }
  module_->record().deleteDevice(device_);
  device_ = nullptr;
  removed_ = false;
  deviceDeleted_ = true;
}

int32_t Scenario::addDevice() {
  for (auto& family : families_) family->beforeAdd(*this);
  const nVLZUK_tPCIDeviceDescription description = board_->description();
  void* device = nullptr;
  const int32_t code = module_->record().addDevice(&description, nullptr, &device);
  if (code == 0) {
    device_ = device;
    events_.added = true;
  }
  return code;
}

void Scenario::noteLoggedBringUpRecords(bool wholeStep) {
  std::vector<sim::BringUpRecords> logged =
      sim::loggedBringUpRecords(wholeStep ? logAtStepStart_ : sim::Console::lineCount());
  for (const sim::BringUpRecords& records : logged) {
    for (int64_t record : records) {
      if (record != 0) bringUpRecords_.insert(static_cast<int32_t>(record));
    }
  }
}

void Scenario::noteResetAfterStep() {
  for (auto& session : sessions_) session->stale = true;
  shutDown_ = false;
  bringUpRecords_.clear();
  events_.generationAdvanced = true;
  events_.mainOnly = false;
  events_.resetSucceeded = true;
  events_.resetRequested = true;
}

void Scenario::fail(const std::string& text) {
  if (!failure_.empty()) return;
  failure_ = text;
  failedStep_ = step_;
}

void Scenario::armFault(Random& random) {
  if (random.below(6) != 0) return;
  sim::FaultSite* sites[] = {&sim::Memory::allocationFaults(), &sim::UserMemory::inboundCopyFaults(),
                             &sim::UserMemory::outboundCopyFaults()};
  const uint32_t which = random.below(3);
  // A reset's or an add's bring-up makes many more allocations than a
  // request: its fault may stop it anywhere, so that every stage of a
  // bring-up that stopped part-way is met.
  bool bringsUp = false;
  for (const std::string& kind : stepKinds_) {
    bringsUp = bringsUp || kind == "reset the device" || kind == "add the board again";
  }
  const uint64_t allocations =
      bringsUp ? std::max<uint64_t>(gResetAllocations, kRequestAllocations) : kRequestAllocations;
  const uint64_t nth = 1 + random.below(which == 0 ? static_cast<uint32_t>(allocations) : 4);
  sites[which]->failNth(nth, kInjected);
  describe(std::string("fault: call ") + std::to_string(nth) + " of " + sites[which]->name() + " fails");
}

void Scenario::runStep(uint32_t step) {
  step_ = step;
  Random random(Random::mix(options_.seed, step, kChoices));
  sim::Scheduler::reseed(Random::mix(options_.seed, step, kSchedule), 10 + random.below(85));
  sim::Scheduler::note(sim::Scheduler::Call::kWork, step);
  if (options_.recordTrace) stepStarts_.resize(step + 1, sim::Scheduler::trace().size());

  events_ = StepEvents{};
  logAtStepStart_ = sim::Console::lineCount();
  const size_t kindCount = kinds_.size();
  const std::vector<OperationKind>& kinds = kinds_;
  const uint32_t wanted = 1 + random.below(3);
  stepKinds_.clear();
  for (uint32_t picked = 0; picked < wanted; ++picked) {
    uint32_t total = 0;
    for (size_t i = 0; i < kindCount; ++i) {
      if ((picked == 0 || !kinds[i].exclusive) && kinds[i].eligible(*this)) total += kinds[i].weight;
    }
    if (total == 0) break;
    uint32_t draw = random.below(total);
    for (size_t i = 0; i < kindCount; ++i) {
      if (!((picked == 0 || !kinds[i].exclusive) && kinds[i].eligible(*this))) continue;
      if (draw >= kinds[i].weight) {
        draw -= kinds[i].weight;
        continue;
      }
      stepKinds_.push_back(kinds[i].name);
      foldDraw("kind " + kinds[i].name);
      kinds[i].prepare(*this, random);
      if (kinds[i].exclusive) picked = wanted;
      break;
    }
  }
  armFault(random);

  removalPlanned_ = false;
  answers_.clear();
  generationAdvanced_ = false;
  mainGenerationAdvanced_ = false;
  resetSucceeded_ = false;
  deviceDeleted_ = false;
  for (auto& [name, body] : tasks_) sim::Scheduler::spawn(name, std::move(body));
  tasks_.clear();
  const sim::Scheduler::RunResult result = sim::Scheduler::runUntilAllDone();
  switches_ += result.switches;
  const bool injected = sim::Memory::allocationFaults().injected() || sim::UserMemory::inboundCopyFaults().injected() ||
                        sim::UserMemory::outboundCopyFaults().injected();
  events_.kernelFault = injected;
  sim::Memory::allocationFaults().clear();
  sim::UserMemory::inboundCopyFaults().clear();
  sim::UserMemory::outboundCopyFaults().clear();
  if (result.deadlocked) {
    std::string waiting;
    for (const std::string& line : result.waiting) waiting += "\n    " + line;
    fail("no task can go on (deadlock):" + waiting);
    return;
  }

  // What a bring-up logged is what a guard may answer first, until the
  // next one: the step's requests may have met any of the step's.
  noteLoggedBringUpRecords(true);
  for (const Answer& answer : answers_) {
    if (options_.describe)
      describeAnswer("  " + hex(answer.code) + " answered " + hex(static_cast<uint32_t>(answer.answer())));
  }
  for (const Answer& answer : answers_) {
    const std::string what = hex(answer.code);
    if (!isKnownCode(answer.status) || !isKnownCode(answer.outStatus)) {
      fail("request " + what + " answered a code outside the tables: " + std::to_string(answer.status) + " / " +
           std::to_string(answer.outStatus));
    } else if (injected) {
      // A failed allocation or user copy may stop a request anywhere, its
      // guard included, and a failed copy out loses the answer itself.
      continue;
    } else if (answer.deviceGone && isGuarded(answer.code) && answer.answer() != kGateClosed &&
               !(answer.staleSession && answer.answer() == kStale)) {
      fail("guarded request " + what + " on a removed board answered " + hex(static_cast<uint32_t>(answer.answer())));
    } else if (answer.staleSession && isGuarded(answer.code) && answer.answer() != kStale &&
               answer.answer() != kGateClosed && bringUpRecords_.count(answer.answer()) == 0) {
      fail("guarded request " + what + " of a session older than a reset answered " +
           hex(static_cast<uint32_t>(answer.answer())));
    }
  }
  // The kernel layer deletes a removed device once its last session has
  // closed and nothing else is under way.
  if (device_ != nullptr && removed_) {
    sim::Scheduler::spawn("delete", [this] { deleteDeviceIfIdle(); });
    if (sim::Scheduler::runUntilAllDone().deadlocked) return fail("no task can go on while the board is deleted");
  }
  // Removal (or an add that failed) takes back every registration.
  if (device_ == nullptr || removed_) {
    std::string held;
    for (const std::string& line : sim::kernelHoldingsOf(board_->pciHandle())) held += "\n    " + line;
    if (!held.empty()) fail("the kernel layer still holds, of a board that is not added:" + held);
  }
  // A reset that answered success may still leave a deferred record
  // failed: the next step's requests, run before any reset of its own,
  // meet what it logged.
  if (resetSucceeded_ && generationAdvanced_) {
    bringUpRecords_.clear();
    noteLoggedBringUpRecords(false);
  }
  for (auto& session : sessions_) {
    if (session->openedStep < step && (generationAdvanced_ || (mainGenerationAdvanced_ && session->main)))
      session->stale = true;
  }
  events_.generationAdvanced = generationAdvanced_ || mainGenerationAdvanced_;
  events_.mainOnly = mainGenerationAdvanced_ && !generationAdvanced_;
  events_.resetSucceeded = resetSucceeded_;
  // A reset that went through or a board added again comes up; a shutdown
  // answered in the step (after either, or alone) takes it down.
  if (resetSucceeded_ || events_.added) shutDown_ = false;
  for (const Answer& answer : answers_) shutDown_ = shutDown_ || answer.answer() == kOverTemperatureShutdown;
  for (const Answer& answer : answers_) events_.resetRequested = events_.resetRequested || answer.code == kResetDevice;
  events_.deleted = deviceDeleted_;
  // Closed sessions are gone for good.
  std::erase_if(sessions_, [](const std::unique_ptr<Session>& session) {
    return session->closing || !session->file || !session->file->isOpen();
  });
  for (auto& session : sessions_) session->busy = false;
  if (deviceDeleted_ && sim::Memory::outstandingBlocks() != blocksBeforeAdd_) {
    fail("the deleted board left " + std::to_string(sim::Memory::outstandingBlocks() - blocksBeforeAdd_) +
         " blocks allocated");
  }
  if (!failure_.empty()) return;
  shadowsLeftOut_.clear();
  for (auto& family : families_) family->afterStep(*this);
  // The shadows are compared on a board that is up and was left alone by
  // injected faults in this step; a failed bring-up's records mean it is
  // not up. A board fault cleared by a reset that answered success, or by
  // the power-up of an add, leaves nothing to excuse: the bring-up sends
  // every register its shadows call clean.
  if (failure_.empty() && device_ != nullptr && !removed_ && !shutDown_ && bringUpRecords_.empty() &&
      !events_.kernelFault && !events_.hardwareFault)
    shadows_.afterStep(*this);
  else
    shadows_.skipStep();
  if (failure_.empty() && device_ != nullptr && !removed_ && sessions(true).empty()) {
    for (auto& family : families_) family->whenIdle(*this);
  }
}

bool Scenario::finish() {
  step_ = options_.steps;
  addTask("shutdown", [this] {
    for (auto& session : sessions_) {
      if (session->file) session->file->close();
    }
    if (device_ != nullptr) {
      if (!removed_) module_->record().removeDevice(device_);
      module_->record().deleteDevice(device_);
      device_ = nullptr;
    }
    if (sim::Memory::outstandingBlocks() != blocksBeforeAdd_) {
      fail("the board left " + std::to_string(sim::Memory::outstandingBlocks() - blocksBeforeAdd_) +
           " blocks allocated");
    }
    module_->unload();
  });
  for (auto& [name, body] : tasks_) sim::Scheduler::spawn(name, std::move(body));
  tasks_.clear();
  const sim::Scheduler::RunResult result = sim::Scheduler::runUntilAllDone();
  if (result.deadlocked) fail("no task can go on while the module unloads");
  sessions_.clear();
  if (failure_.empty() && sim::Memory::outstandingBlocks() != blocksBeforeLoad_) {
    fail("the unloaded module left " + std::to_string(sim::Memory::outstandingBlocks() - blocksBeforeLoad_) +
         " blocks allocated");
  }
  return failure_.empty();
}

bool Scenario::run() {
  if (options_.recordTrace) sim::Scheduler::recordTrace(true);
  blocksBeforeLoad_ = sim::Memory::outstandingBlocks();
  // The driver busy-waits half a second before its first look at a flash
  // erase: at the clock's usual step of a microsecond that is a million and
  // a half kernel-layer calls. Here a spinning task moves the clock 50 us
  // at a time, as if it had been preempted.
  sim::Clock::instance().setSpinStepNs(kSpinStepNs);
  board_ = std::make_unique<sim::Board>();
  sim::Scheduler::spawn("load", [this] {
    module_ = sim::Module::load();
    if (!module_ || !module_->registered()) return fail("the module does not load");
    blocksBeforeAdd_ = sim::Memory::outstandingBlocks();
    if (addDevice() != 0) fail("the board does not come up");
  });
  if (sim::Scheduler::runUntilAllDone().deadlocked) fail("no task can go on while the module loads");
  if (!failure_.empty()) return false;
  for (uint32_t step = 0; step < options_.steps && failure_.empty(); ++step) {
    if (!options_.only.empty() && options_.only.count(step) == 0) continue;
    runStep(step);
    ++stepsRun_;
  }
  if (!failure_.empty()) return false;
  return finish();
}

}  // namespace vlscenario
