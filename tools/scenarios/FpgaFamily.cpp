// FPGA-interface sessions over a design the board model carries: its
// personality configured (now and then with a download of the board's own
// bitstream), bitfile downloads, FIFO streams both ways through the
// bridge's DMA, IRQ waits (timing out, ended by an IRQ another task raises,
// or polled after the model raised one), register and block access, design
// resets and aborts, IRQ node reservations and personality releases.
//
// Invariants: in a step that nothing disturbed (no reset, shutdown, removal,
// download, design reset, injected fault) a stream moves its bytes
// byte-exact, register and block writes read back, waits end as their IRQs
// say; after an FPGA download FPGA-interface sessions stay valid; older
// sessions' configure and download answer the stale code; a FIFO refused
// as claimed elsewhere has a holder that is still open; with no session
// open the device holds no FIFO claim, no locked user page and no IRQ line
// unmasked for a waiter (IRQ nodes are the device's pool, kept for later
// waits until the FPGA state goes).
#include "FpgaFamily.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <set>

#include "Family.h"
#include "driver/board/ioctl/fpga/FpgaSessionRequests.h"
#include "sim/board/FpgaPersonality.h"
#include "sim/board/SyntheticBitstream.h"
#include "sim/kernel/Clock.h"
#include "sim/kernel/Memory.h"
#include "sim/kernel/PageLists.h"
#include "tests/fpga/SessionWire.h"

namespace vlscenario {
namespace {

using namespace nVL9738K_24_0::lymrequests;

// Where the design keeps its registers in the FPGA window.
constexpr uint32_t kControl = 0x100, kResetRegister = 0x104, kSignatureRegister = 0x108, kIrqBase = 0x200;
constexpr uint32_t kIrqStatus = kIrqBase + 12;
static_assert(kIrqStatus == kFpgaDesignIrqStatus);
// FIFO 0 streams to the device, FIFO 1 from it; each number is its DMA channel.
constexpr uint32_t kToDevice = 0, kFromDevice = kFpgaDesignFromDevice;
constexpr uint32_t kToDeviceControl = 0x400, kFromDeviceControl = 0x440;
// Plain window memory, one slot per operation of a step.
constexpr uint32_t kScratch = 0x1000, kScratchSlot = 0x400;
constexpr std::array<uint32_t, 4> kSignature = {0x5C3A0011, 0x5C3A0022, 0x5C3A0033, 0x5C3A0044};
constexpr uint32_t kForceDownload = 1u << 29;
constexpr int32_t kRefusal = -61141;
constexpr uint32_t kSilentLine = kFpgaDesignSilentLine;  // no operation raises it
constexpr uint32_t kResetDevice = 0x0020420C;
constexpr int32_t kWaitsAborted = -50405;
constexpr size_t kPage = 4096;
constexpr size_t kMaxSessions = 8;
constexpr int32_t kOwnedElsewhere = -63082;
constexpr uint64_t kUnknownHolder = ~uint64_t{0};

template <class... Op>
std::vector<vltest::PublishedRequest> shapesOf() {
  return {vltest::PublishedRequest{Op::kCode, sizeof(typename Op::In), sizeof(typename Op::Out),
                                   offsetof(typename Op::In, status), offsetof(typename Op::Out, status)}...};
}

const std::vector<uint8_t>& bitstream() {
  static const std::vector<uint8_t> image = vlimage::makeSyntheticBitstream();
  return image;
}

// User memory that starts a page: what the driver locks and maps then
// depends on sizes alone, never on where the host put the block.
class PageAlignedBuffer {
 public:
  explicit PageAlignedBuffer(size_t size)
      : block_(size + kPage), offset_((kPage - block_.address() % kPage) % kPage), size_(size) {}
  uint8_t* data() { return block_.data() + offset_; }
  uint64_t address() const { return block_.address() + offset_; }
  size_t size() const { return size_; }

 private:
  sim::UserBlock block_;
  size_t offset_;
  size_t size_;
};

uint8_t patternByte(uint32_t seed, uint64_t at) { return static_cast<uint8_t>((seed + at * 0x9Du + (at >> 8)) & 0xFF); }

// A stream's ring size, chunks and bytes; one left running is the
// session's close to stop, with its claim and its locked pages.
struct StreamPlan {
  size_t size;
  std::vector<uint32_t> chunks;
  uint32_t seed;
  bool leaveRunning;
};

StreamPlan planStream(Random& random) {
  StreamPlan plan{512u * (1 + random.below(16)), std::vector<uint32_t>(1 + random.below(6)),
                  static_cast<uint32_t>(random.next()), random.below(4) == 0};
  for (uint32_t& chunk : plan.chunks) chunk = 1 + random.below(static_cast<uint32_t>(plan.size));
  return plan;
}

struct SessionState {
  uint32_t personalities = 0;
  bool leftRunning[2] = {false, false};
  // FIFO buffers stay while the driver may still hold their pages.
  std::vector<std::unique_ptr<PageAlignedBuffer>> buffers;
};

class FpgaFamily : public Family {
 public:
  void addKinds(std::vector<OperationKind>& kinds) override;
  void afterStep(Scenario& scenario) override;
  void whenIdle(Scenario& scenario) override;
  void beforeAdd(Scenario& scenario) override;

 private:
  // ---- On the controller.
  Session* take(Scenario& scenario, Random& random);
  uint32_t slot() { return slots_++; }
  void addOperation(Scenario& scenario, Session* session, const std::string& name,
                    std::function<void(Session&, SessionState&)> body);

  // ---- In tasks.
  template <class Op>
  Answer send(Scenario& scenario, Session& session, const typename Op::In& in, typename Op::Out* out = nullptr) {
    typename Op::Out local{};
    const uint64_t holdersBefore = holderChanges_;
    if constexpr (requires { in.fifo; }) claiming_.insert(session.id);
    Answer answer = scenario.call<Op>(session, in, out != nullptr ? out : &local);
    if constexpr (requires { in.fifo; }) claiming_.erase(claiming_.find(session.id));
    // The stop of a removal moves the FPGA-session generation on: from then
    // on every FPGA-interface session answers as a stale one.
    if (answer.deviceGone) answer.staleSession = true;
    scenario.record(answer);
    answers_.emplace_back(session.id, answer);
    if constexpr (requires { in.fifo; })
      noteFifo(scenario, session, in.fifo, Op::kCode, answer, holderChanges_ != holdersBefore);
    return answer;
  }
  // `holderMoved`: a holder gave a FIFO back or took one while the request
  // ran, so a refusal may have been right when it was made.
  void noteFifo(Scenario& scenario, Session& session, uint32_t fifo, uint32_t code, const Answer& answer,
                bool holderMoved);
  // An abort of the waits holds until the design is aborted or reset, and
  // a FIFO's until it is aborted: waits may answer it long after.
  bool aborted(const Answer& answer) const { return waitsAborted_ && answer.answer() == kWaitsAborted; }
  void expect(bool holds, const std::string& what) {
    if (!holds && broken_.empty()) broken_ = what;
  }
  void expectStream(bool holds, const std::string& what) {
    if (!holds && brokenStream_.empty()) brokenStream_ = what;
  }
  bool configure(Scenario& scenario, Session& session, SessionState& state, bool force);
  // Once the driver has started a download, main-interface sessions are
  // stale, whether or not it went through: the device moves their
  // generation on before it takes the FPGA down. A start of the loader
  // shows that the download got that far.
  static size_t loaderStarts(Scenario& scenario) { return scenario.board().bridge().fpgaLoader().starts(); }
  static void noteDownload(Scenario& scenario, size_t startsBefore) {
    if (loaderStarts(scenario) != startsBefore) scenario.noteGenerationAdvanced(true);
  }
  void ensureConfigured(Scenario& scenario, Session& session, SessionState& state) {
    if (state.personalities == 0) configure(scenario, session, state, false);
  }
  void streamToDevice(Scenario& scenario, Session& session, SessionState& state, const StreamPlan& plan);
  void streamFromDevice(Scenario& scenario, Session& session, SessionState& state, const StreamPlan& plan);
  void finishStream(Scenario& scenario, Session& session, uint32_t fifo);
  void waitSilent(Scenario& scenario, Session& session, uint32_t timeoutMs);
  void waitRaisedByTask(Scenario& scenario, Session& session, SessionState& state, uint32_t line,
                        std::shared_ptr<bool> done);
  void raiseWhenWaited(Scenario& scenario, uint32_t line, std::shared_ptr<bool> done);
  void waitRaisedByModel(Scenario& scenario, Session& session, SessionState& state, uint32_t line);
  void accessRegisters(Scenario& scenario, Session& session, SessionState& state, uint32_t base, uint32_t value,
                       uint32_t count, uint32_t element);
  void query(Scenario& scenario, Session& session, uint32_t value);
  void download(Scenario& scenario, Session& session, SessionState& state);

  std::unique_ptr<sim::FpgaPersonality> design_;
  std::map<uint64_t, SessionState> states_;
  // Sessions that a reset, shutdown or removal of their opening step may
  // have made stale without the scenario knowing.
  std::set<uint64_t> uncertain_;
  std::vector<std::pair<uint64_t, Answer>> answers_;
  std::string broken_;
  std::string brokenStream_;
  // A FIFO whose creation failed is missing until a later configuration
  // makes it, and the requests on its number do nothing until then.
  bool fifosUncertain_ = false;
  bool configuredCleanly_ = false;
  // The session that claimed each FIFO by the last request on it (0: none,
  // kUnknownHolder: a request failed after the look-up may have claimed it).
  uint64_t holders_[2] = {0, 0};
  // Sessions with a FIFO request under way: each may have claimed its FIFO.
  std::multiset<uint64_t> claiming_;
  uint64_t holderChanges_ = 0;
  bool configuring_ = false;
  bool disturbed_ = false;
  bool waitsAborted_ = false;
  uint32_t slots_ = 0;
};

std::vector<uint8_t> personalityBlock(uint32_t attributes) {
  vltest::WireBytes block;
  for (uint32_t word : {kControl, kResetRegister, kIrqBase, kSignatureRegister, 0xFFFFFFFFu, 0x9738u, attributes,
                        static_cast<uint32_t>(kRefusal)}) {
    block.u32(word);
  }
  for (uint32_t word : kSignature) block.u32(word);
  return block.bytes;
}

// The model's design: its registers, IRQ block and two FIFOs. It stays over
// removals and re-adds, as the FPGA's configuration does in the model.
void FpgaFamily::beforeAdd(Scenario& scenario) {
  if (design_) return;
  sim::Board& board = scenario.board();
  design_ = std::make_unique<sim::FpgaPersonality>(board.fpga(), kControl, kResetRegister, kSignatureRegister);
  design_->setSignature(kSignature);
  board.fpga().placeIrqBlock(kIrqBase);
  board.fpga().addFifo(kToDeviceControl, kToDevice, sim::FpgaWindow::FifoDirection::HostToDevice);
  board.fpga().addFifo(kFromDeviceControl, kFromDevice, sim::FpgaWindow::FifoDirection::DeviceToHost);
  board.bridge().channel(kToDevice).setFifoCapacity(uint64_t{1} << 24);
}

// Mostly a session that is still valid: a stale one answers every request
// with the same code.
Session* FpgaFamily::take(Scenario& scenario, Random& random) {
  std::vector<Session*> candidates, valid;
  for (Session* session : scenario.sessions()) {
    if (!session->main && !session->busy) candidates.push_back(session);
    if (!session->main && !session->busy && !session->stale) valid.push_back(session);
  }
  if (!valid.empty() && random.below(8) != 0) candidates = valid;
  if (candidates.empty()) return nullptr;
  Session* session = candidates[random.below(static_cast<uint32_t>(candidates.size()))];
  session->busy = true;
  states_[session->id];
  return session;
}

bool hasFreeFpgaSession(Scenario& scenario) {
  for (Session* session : scenario.sessions()) {
    if (!session->main && !session->busy) return true;
  }
  return false;
}

void FpgaFamily::addOperation(Scenario& scenario, Session* session, const std::string& name,
                              std::function<void(Session&, SessionState&)> body) {
  scenario.describe(name);
  SessionState* state = &states_[session->id];
  scenario.addTask(name, [session, state, body] { body(*session, *state); });
}

bool FpgaFamily::configure(Scenario& scenario, Session& session, SessionState& state, bool force) {
  configuring_ = true;
  const std::vector<uint8_t> personality = personalityBlock(force ? kForceDownload : 0);
  const std::vector<uint8_t> fifos = fpgaDesignFifoList();
  auto personalityCopy = vltest::userCopyOf(personality);
  auto fifoCopy = vltest::userCopyOf(fifos);
  // Only a download reads the bitfile; without one a page stands for it.
  PageAlignedBuffer bitfile(force ? bitstream().size() : kPage);
  if (force) std::memcpy(bitfile.data(), bitstream().data(), bitstream().size());
  ConfigurePersonalityQrt::Out out{};
  const size_t starts = loaderStarts(scenario);
  const Answer answer = send<ConfigurePersonalityQrt>(scenario, session,
                                                      {.personalityAddress = personalityCopy->address(),
                                                       .personalitySize = static_cast<uint32_t>(personality.size()),
                                                       .fifoListAddress = fifoCopy->address(),
                                                       .fifoListSize = static_cast<uint32_t>(fifos.size()),
                                                       .bitfileAddress = bitfile.address(),
                                                       .bitfileSize = static_cast<uint32_t>(bitfile.size())},
                                                      &out);
  noteDownload(scenario, starts);
  if (answer.answer() != 0) return false;
  configuredCleanly_ = true;
  ++state.personalities;
  // The running design reports the personality's signature: only a forced
  // configuration downloads.
  expect(out.downloaded == (force ? 1 : 0), "a configuration " + std::string(force ? "forced" : "not forced") +
                                                " to download answered downloaded " + std::to_string(out.downloaded));
  // The download dropped the FIFOs with their claims, and others may have
  // claimed the new ones since.
  if (out.downloaded != 0) {
    holders_[kToDevice] = holders_[kFromDevice] = kUnknownHolder;
    ++holderChanges_;
  }
  return true;
}

// A number belongs to the first session that looks it up until that one
// gives it back or closes: whoever else is refused finds its holder open.
void FpgaFamily::noteFifo(Scenario& scenario, Session& session, uint32_t fifo, uint32_t code, const Answer& answer,
                          bool holderMoved) {
  if (fifo >= std::size(holders_)) return;
  uint64_t& holder = holders_[fifo];
  const int32_t result = answer.answer();
  if (result == kOwnedElsewhere) {
    if (holder == kUnknownHolder || holderMoved) return;
    // A session that closes in this step may not have let go yet.
    bool heldOpen = claiming_.size() > claiming_.count(session.id);
    for (Session* other : scenario.sessions(true)) heldOpen |= other->id == holder && holder != session.id;
    expectStream(heldOpen, "FIFO " + std::to_string(fifo) + " is claimed elsewhere though " +
                               (holder == 0 ? "it was given back" : "the session that held it closed"));
    return;
  }
  if (result == kStale || result == kGateClosed) return;  // not looked up
  const uint64_t next = result != 0 ? kUnknownHolder : code == UnreserveFifo::kCode ? 0 : session.id;
  if (next != holder) ++holderChanges_;
  holder = next;
}

void FpgaFamily::finishStream(Scenario& scenario, Session& session, uint32_t fifo) {
  send<StopFifo>(scenario, session, {.ownerId = session.id, .fifo = fifo});
  send<UnlockFifoBuffer>(scenario, session, {.ownerId = session.id, .fifo = fifo});
  send<UnreserveFifo>(scenario, session, {.ownerId = session.id, .fifo = fifo});
}

// Counted mode: the user writes a chunk into the ring where the last one
// ended, once acquire says there is room, and releases it to the device.
void FpgaFamily::streamToDevice(Scenario& scenario, Session& session, SessionState& state, const StreamPlan& plan) {
  const size_t size = plan.size;
  const uint32_t seed = plan.seed;
  ensureConfigured(scenario, session, state);
  state.buffers.push_back(std::make_unique<PageAlignedBuffer>(size));
  PageAlignedBuffer& ring = *state.buffers.back();
  // A FIFO this session left running takes no new buffer.
  if (state.leftRunning[kToDevice]) send<StopFifo>(scenario, session, {.ownerId = session.id, .fifo = kToDevice});
  state.leftRunning[kToDevice] = plan.leaveRunning;
  const Answer deployed = send<DeployFifoSettings>(
      scenario, session,
      {.ownerId = session.id, .fifo = kToDevice, .bufferAddress = ring.address(), .bufferSize = size, .mode = 2});
  if (deployed.answer() != 0) return;
  sim::DmaChannel& channel = scenario.board().bridge().channel(kToDevice);
  channel.drain();  // what an earlier, interrupted stream left
  const Answer started = send<StartFifo>(scenario, session, {.ownerId = session.id, .fifo = kToDevice});
  expectStream(started.answer() == 0, "a deployed FIFO to the device did not start: " + hex(started.answer()));
  uint64_t written = 0;
  for (uint32_t chunk : plan.chunks) {
    if (started.answer() != 0) break;
    AcquireFifoBytes::Out room{};
    const Answer acquired = send<AcquireFifoBytes>(
        scenario, session, {.ownerId = session.id, .fifo = kToDevice, .bytes = written + chunk, .timeoutMs = 1000},
        &room);
    if (acquired.answer() != 0 || room.timedOut != 0 || room.bytes < written + chunk) {
      expectStream(aborted(acquired), "acquiring room for " + std::to_string(written + chunk) +
                                          " bytes to the device answered " + hex(acquired.answer()) + " with " +
                                          std::to_string(room.bytes) + " bytes");
      break;
    }
    for (uint32_t i = 0; i < chunk; ++i) ring.data()[(written + i) % size] = patternByte(seed, written + i);
    const Answer released =
        send<ReleaseFifoBytes>(scenario, session, {.ownerId = session.id, .fifo = kToDevice, .bytes = chunk});
    expectStream(released.answer() == 0, "releasing bytes to the device answered " + hex(released.answer()));
    if (released.answer() != 0) break;
    written += chunk;
  }
  const std::vector<uint8_t> arrived = channel.drain();
  bool exact = arrived.size() == written;
  for (uint64_t i = 0; exact && i < written; ++i) exact = arrived[i] == patternByte(seed, i);
  expectStream(exact, "the device received " + std::to_string(arrived.size()) + " bytes of the " +
                          std::to_string(written) + " streamed through a " + std::to_string(size) +
                          "-byte ring, not byte-exact");
  if (!plan.leaveRunning) finishStream(scenario, session, kToDevice);
}

// The device writes: the model offers a chunk, acquire waits for the bytes,
// the user reads them from the ring and releases them back to the device.
void FpgaFamily::streamFromDevice(Scenario& scenario, Session& session, SessionState& state, const StreamPlan& plan) {
  const size_t size = plan.size;
  const uint32_t seed = plan.seed;
  ensureConfigured(scenario, session, state);
  state.buffers.push_back(std::make_unique<PageAlignedBuffer>(size));
  PageAlignedBuffer& ring = *state.buffers.back();
  // A FIFO this session left running takes no new buffer.
  if (state.leftRunning[kFromDevice]) send<StopFifo>(scenario, session, {.ownerId = session.id, .fifo = kFromDevice});
  state.leftRunning[kFromDevice] = plan.leaveRunning;
  const Answer deployed = send<DeployFifoSettings>(
      scenario, session,
      {.ownerId = session.id, .fifo = kFromDevice, .bufferAddress = ring.address(), .bufferSize = size, .mode = 2});
  if (deployed.answer() != 0) return;
  sim::DmaChannel& channel = scenario.board().bridge().channel(kFromDevice);
  channel.drain();
  const Answer started = send<StartFifo>(scenario, session, {.ownerId = session.id, .fifo = kFromDevice});
  expectStream(started.answer() == 0, "a deployed FIFO from the device did not start: " + hex(started.answer()));
  uint64_t fed = 0;
  for (uint32_t chunk : plan.chunks) {
    if (started.answer() != 0) break;
    std::vector<uint8_t> bytes(chunk);
    for (uint32_t i = 0; i < chunk; ++i) bytes[i] = patternByte(seed, fed + i);
    channel.feed(bytes);
    AcquireFifoBytes::Out got{};
    const Answer acquired = send<AcquireFifoBytes>(
        scenario, session, {.ownerId = session.id, .fifo = kFromDevice, .bytes = fed + chunk, .timeoutMs = 1000}, &got);
    if (acquired.answer() != 0 || got.timedOut != 0 || got.bytes < fed + chunk) {
      expectStream(aborted(acquired), "acquiring " + std::to_string(fed + chunk) + " bytes from the device answered " +
                                          hex(acquired.answer()) + " with " + std::to_string(got.bytes) + " bytes");
      break;
    }
    bool exact = true;
    for (uint32_t i = 0; exact && i < chunk; ++i) exact = ring.data()[(fed + i) % size] == bytes[i];
    expectStream(exact, "bytes " + std::to_string(fed) + " to " + std::to_string(fed + chunk) +
                            " from the device are not byte-exact in a " + std::to_string(size) + "-byte ring");
    const Answer released =
        send<ReleaseFifoBytes>(scenario, session, {.ownerId = session.id, .fifo = kFromDevice, .bytes = chunk});
    expectStream(released.answer() == 0, "releasing bytes back to the device answered " + hex(released.answer()));
    if (released.answer() != 0) break;
    fed += chunk;
  }
  if (!plan.leaveRunning) finishStream(scenario, session, kFromDevice);
}

// A line nobody raises: the wait ends by its time-out alone.
void FpgaFamily::waitSilent(Scenario& scenario, Session& session, uint32_t timeoutMs) {
  WaitOnIrqs::Out out{};
  const Answer answer = send<WaitOnIrqs>(scenario, session, {.irqMask = kSilentLine, .timeoutMs = timeoutMs}, &out);
  if (answer.answer() == 0) {
    expect(out.timedOut == 1 && out.irqs == 0, "a wait on a line nobody raises answered IRQs " + hex(out.irqs) +
                                                   ", timed out " + std::to_string(out.timedOut));
  }
}

// The raiser waits until the waiter's line is unmasked, then the model's
// design raises it; if the waiter never gets that far, nothing is raised.
// Operations of the same step (a flash erase polls for half a second) may
// hold the waiter back for seconds of virtual time: the raiser looks often
// at first, then seldom, for up to a minute.
void FpgaFamily::raiseWhenWaited(Scenario& scenario, uint32_t line, std::shared_ptr<bool> done) {
  sim::FpgaWindow& fpga = scenario.board().fpga();
  for (int tries = 0; tries < 6400 && !*done; ++tries) {
    if ((fpga.irqMask() & line) != 0) {
      fpga.raiseIrqs(line);
      return;
    }
    sim::Clock::instance().sleepNs(tries < 400 ? 250'000 : 10'000'000);
  }
}

void FpgaFamily::waitRaisedByTask(Scenario& scenario, Session& session, SessionState& state, uint32_t line,
                                  std::shared_ptr<bool> done) {
  ensureConfigured(scenario, session, state);
  WaitOnIrqs::Out out{};
  const Answer answer = send<WaitOnIrqs>(scenario, session, {.irqMask = line, .timeoutMs = 3000}, &out);
  *done = true;
  if (answer.answer() == 0) {
    expect((out.irqs & line) != 0 && out.timedOut == 0, "a wait on line " + hex(line) +
                                                            " that another task raises answered IRQs " + hex(out.irqs) +
                                                            ", timed out " + std::to_string(out.timedOut));
  }
  send<Write32>(scenario, session, {.offset = kIrqStatus, .value = line});
}

// The line is pending before the waits: a poll sees it, a wait ends at
// once with it, and once acknowledged a poll no longer does.
void FpgaFamily::waitRaisedByModel(Scenario& scenario, Session& session, SessionState& state, uint32_t line) {
  ensureConfigured(scenario, session, state);
  scenario.board().fpga().raiseIrqs(line);
  WaitOnIrqs::Out polled{};
  const Answer poll = send<WaitOnIrqs>(scenario, session, {.irqMask = line | kSilentLine, .timeoutMs = 0}, &polled);
  if (poll.answer() == 0)
    expect(polled.irqs == line && polled.timedOut == 0, "a poll of pending line " + hex(line) + " answered " +
                                                            hex(polled.irqs) + ", timed out " +
                                                            std::to_string(polled.timedOut));
  WaitOnIrqs::Out waited{};
  const Answer wait = send<WaitOnIrqs>(scenario, session, {.irqMask = line, .timeoutMs = 3000}, &waited);
  if (wait.answer() == 0)
    expect(waited.irqs == line && waited.timedOut == 0,
           "a wait on pending line " + hex(line) + " answered " + hex(waited.irqs));
  const Answer acknowledged = send<Write32>(scenario, session, {.offset = kIrqStatus, .value = line});
  WaitOnIrqs::Out after{};
  const Answer again = send<WaitOnIrqs>(scenario, session, {.irqMask = line, .timeoutMs = 0}, &after);
  if (acknowledged.answer() == 0 && again.answer() == 0)
    expect(after.irqs == 0 && after.timedOut == 1,
           "a poll of acknowledged line " + hex(line) + " answered " + hex(after.irqs));
}

void FpgaFamily::accessRegisters(Scenario& scenario, Session& session, SessionState& state, uint32_t base,
                                 uint32_t value, uint32_t count, uint32_t element) {
  ensureConfigured(scenario, session, state);
  const Answer wrote = send<Write32>(scenario, session, {.offset = base, .value = value});
  Read32::Out read{};
  const Answer readBack = send<Read32>(scenario, session, {.offset = base}, &read);
  if (wrote.answer() == 0 && readBack.answer() == 0)
    expect(read.value == value, "window word " + hex(base) + " read " + hex(read.value) + " after " + hex(value));

  // Blocks over 64 bytes take a kernel buffer of their own.
  sim::UserBlock out(count), in(count);
  for (uint32_t i = 0; i < count; ++i) out.data()[i] = patternByte(value, i);
  const uint32_t at = base + 0x40;
  const Answer blockWrite = send<WriteBlock>(
      scenario, session,
      {.offset = at, .address = out.address(), .byteCount = count, .elementSize = element, .increment = element});
  const Answer blockRead = send<ReadBlock>(
      scenario, session,
      {.offset = at, .address = in.address(), .byteCount = count, .elementSize = element, .increment = element});
  if (blockWrite.answer() == 0 && blockRead.answer() == 0)
    expect(std::memcmp(out.data(), in.data(), count) == 0, "a " + std::to_string(count) + "-byte block of " +
                                                               std::to_string(element) + "-byte elements at " +
                                                               hex(at) + " did not read back");

  // Another operation of the step may write the register too.
  const size_t writes = design_ ? design_->controlWrites().size() : 0;
  const Answer control = send<Write32>(scenario, session, {.offset = kControl, .value = value | 0x10});
  if (control.answer() == 0 && design_) {
    const std::vector<uint32_t>& seen = design_->controlWrites();
    expect(std::find(seen.begin() + static_cast<ptrdiff_t>(std::min(writes, seen.size())), seen.end(), value | 0x10) !=
               seen.end(),
           "the design's control register did not take " + hex(value | 0x10));
  }
}

void FpgaFamily::query(Scenario& scenario, Session& session, uint32_t value) {
  IsSessionValid::Out valid{};
  const Answer validity = send<IsSessionValid>(scenario, session, {}, &valid);
  expect(valid.valid == (validity.answer() == 0 ? 1u : 0u),
         "validity " + std::to_string(valid.valid) + " with answer " + hex(validity.answer()));
  // Attribute 1 is the interface's own word, served without the session's
  // guard: its answers are not a stale session's.
  Answer set = scenario.call<SetAttribute32>(session, {.attribute = 1, .value = value});
  set.staleSession = set.deviceGone = false;
  scenario.record(set);
  GetAttribute32::Out got{};
  Answer get = scenario.call<GetAttribute32>(session, {.attribute = 1}, &got);
  get.staleSession = get.deviceGone = false;
  scenario.record(get);
  GetAttribute32::Out programmed{};
  if (send<GetAttribute32>(scenario, session, {.attribute = 48}, &programmed).answer() == 0)
    expect(programmed.value == 1, "the programmed attribute answered " + hex(programmed.value));
  send<GetAttribute32>(scenario, session, {.attribute = 84});
  send<GetMemoryMappedIoWindowSize>(scenario, session, {});
  send<GetP2PEndpointId>(scenario, session, {.endpoint = 0});
}

// The board's own bitstream: the loader takes it, and every main-interface
// session opened before is stale from now on.
void FpgaFamily::download(Scenario& scenario, Session& session, SessionState& state) {
  // Without a personality the design's registers are unknown: the download
  // fails before it starts.
  ensureConfigured(scenario, session, state);
  PageAlignedBuffer bitfile(bitstream().size());
  std::memcpy(bitfile.data(), bitstream().data(), bitstream().size());
  const size_t starts = loaderStarts(scenario);
  const Answer answer = send<DownloadToFpga>(
      scenario, session, {.address = bitfile.address(), .size = static_cast<uint32_t>(bitfile.size())});
  noteDownload(scenario, starts);
  if (answer.answer() != 0) return;
  expect(scenario.board().bridge().fpgaLoader().programmed(), "a download answered success with the FPGA empty");
}

void FpgaFamily::addKinds(std::vector<OperationKind>& kinds) {
  auto free = [](Scenario& scenario) { return hasFreeFpgaSession(scenario); };
  const OperationKind own[] = {
      {"open an FPGA-interface session for its requests", 3, false,
       [](Scenario& scenario) { return boardPresent(scenario) && scenario.sessions(true).size() < kMaxSessions; },
       [](Scenario& scenario, Random&) {
         Session* session = scenario.newSession();
         session->main = false;
         session->busy = true;
         scenario.describe("open an FPGA-interface session");
         scenario.addTask("open FPGA", [&scenario, session] {
           session->file = sim::DeviceFile::open(scenario.module(), kFpgaInterface);
         });
       }},

      {"close a stale FPGA-interface session", 2, false,
       [](Scenario& scenario) {
         for (Session* session : scenario.sessions()) {
           if (!session->main && !session->busy && session->stale) return true;
         }
         return false;
       },
       [](Scenario& scenario, Random& random) {
         std::vector<Session*> stale;
         for (Session* session : scenario.sessions()) {
           if (!session->main && !session->busy && session->stale) stale.push_back(session);
         }
         Session* session = stale[random.below(static_cast<uint32_t>(stale.size()))];
         session->closing = true;
         scenario.describe("close a stale FPGA-interface session");
         scenario.addTask("close FPGA", [&scenario, session] { scenario.closeSession(*session); });
       }},

      {"configure a personality", 4, false, free,
       [this](Scenario& scenario, Random& random) {
         const bool force = random.below(8) == 0;
         if (force) disturbed_ = true;
         addOperation(scenario, take(scenario, random), force ? "configure, forcing a download" : "configure",
                      [this, &scenario, force](Session& session, SessionState& state) {
                        configure(scenario, session, state, force);
                      });
       }},

      {"stream to the device", 4, false, free,
       [this](Scenario& scenario, Random& random) {
         const StreamPlan plan = planStream(random);
         addOperation(scenario, take(scenario, random), "stream to the device",
                      [this, &scenario, plan](Session& session, SessionState& state) {
                        streamToDevice(scenario, session, state, plan);
                      });
       }},

      {"stream from the device", 4, false, free,
       [this](Scenario& scenario, Random& random) {
         const StreamPlan plan = planStream(random);
         addOperation(scenario, take(scenario, random), "stream from the device",
                      [this, &scenario, plan](Session& session, SessionState& state) {
                        streamFromDevice(scenario, session, state, plan);
                      });
       }},

      {"wait on IRQs", 4, false, free,
       [this](Scenario& scenario, Random& random) {
         Session* session = take(scenario, random);
         const uint32_t line = 1u << (slot() * 4 + random.below(4));
         switch (random.below(3)) {
           case 0: {
             const uint32_t timeoutMs = 1 + random.below(20);
             addOperation(scenario, session, "wait on a silent IRQ line",
                          [this, &scenario, timeoutMs](Session& s, SessionState& state) {
                            ensureConfigured(scenario, s, state);
                            waitSilent(scenario, s, timeoutMs);
                          });
             break;
           }
           case 1: {
             auto done = std::make_shared<bool>(false);
             addOperation(scenario, session, "wait on an IRQ another task raises",
                          [this, &scenario, line, done](Session& s, SessionState& state) {
                            waitRaisedByTask(scenario, s, state, line, done);
                          });
             scenario.addTask("raise", [this, &scenario, line, done] { raiseWhenWaited(scenario, line, done); });
             break;
           }
           default:
             addOperation(scenario, session, "poll and wait on an IRQ the model raised",
                          [this, &scenario, line](Session& s, SessionState& state) {
                            waitRaisedByModel(scenario, s, state, line);
                          });
         }
       }},

      {"access registers", 4, false, free,
       [this](Scenario& scenario, Random& random) {
         const uint32_t base = kScratch + slot() * kScratchSlot;
         const uint32_t value = static_cast<uint32_t>(random.next());
         const uint32_t element = 1u << random.below(3);
         const uint32_t count = element * (1 + random.below(48));
         addOperation(scenario, take(scenario, random), "access registers",
                      [this, &scenario, base, value, count, element](Session& session, SessionState& state) {
                        accessRegisters(scenario, session, state, base, value, count, element);
                      });
       }},

      {"query the session", 2, false, free,
       [this](Scenario& scenario, Random& random) {
         const uint32_t value = static_cast<uint32_t>(random.next());
         addOperation(scenario, take(scenario, random), "query the session",
                      [this, &scenario, value](Session& session, SessionState&) { query(scenario, session, value); });
       }},

      {"reserve or unreserve an IRQ node", 1, false, free,
       [this](Scenario& scenario, Random& random) {
         const bool reserve = random.below(3) != 0;
         addOperation(scenario, take(scenario, random), reserve ? "reserve an IRQ node" : "unreserve an IRQ node",
                      [this, &scenario, reserve](Session& session, SessionState&) {
                        if (reserve) send<IrqNodeReserve>(scenario, session, {});
                        if (!reserve) send<IrqNodeUnreserve>(scenario, session, {});
                      });
       }},

      // They end every FIFO and IRQ wait of the device.
      {"reset or abort the design", 1, false, free,
       [this](Scenario& scenario, Random& random) {
         disturbed_ = true;
         waitsAborted_ = true;
         const uint32_t which = random.below(3);
         addOperation(
             scenario, take(scenario, random),
             which == 0   ? "reset the design"
             : which == 1 ? "abort the design"
                          : "abort the waits",
             [this, &scenario, which](Session& session, SessionState& state) {
               const uint32_t before = design_ ? design_->resetWrites() : 0;
               if (which == 0 && send<Reset>(scenario, session, {}).answer() == 0 && state.personalities != 0) {
                 expect(design_->resetWrites() > before, "a design reset answered success unseen");
               }
               if (which == 1) send<Abort>(scenario, session, {});
               if (which == 2) send<AbortWaits>(scenario, session, {});
             });
       }},

      {"release a personality", 2, false, free,
       [this](Scenario& scenario, Random& random) {
         const bool resetWhenLast = random.below(2) == 0;
         if (resetWhenLast) disturbed_ = true;
         addOperation(scenario, take(scenario, random), "release a personality",
                      [this, &scenario, resetWhenLast](Session& session, SessionState& state) {
                        Answer answer;
                        answer.code = ReleasePersonality::kCode;
                        answer.deviceGone = scenario.deviceRemoved();
                        answer.staleSession = session.stale || answer.deviceGone;
                        sim::DeviceFile::Request request;
                        request.code = ReleasePersonality::kCode;
                        request.input.assign(sizeof(ReleasePersonality::In), 0);
                        request.input[8] = resetWhenLast ? 1 : 0;
                        answer.status = session.file->ioctl(request).status;
                        scenario.record(answer);
                        if (state.personalities != 0) --state.personalities;
                      });
       }},

      {"download a bitfile", 1, false, free,
       [this](Scenario& scenario, Random& random) {
         disturbed_ = true;
         addOperation(scenario, take(scenario, random), "download a bitfile",
                      [this, &scenario](Session& session, SessionState& state) { download(scenario, session, state); });
       }},
  };
  kinds.insert(kinds.end(), std::begin(own), std::end(own));
}

void FpgaFamily::afterStep(Scenario& scenario) {
  const StepEvents& events = scenario.events();
  bool resetAttempted = false;
  for (const Answer& answer : scenario.stepAnswers()) resetAttempted |= answer.code == kResetDevice;
  const bool fpgaStale =
      resetAttempted || (events.generationAdvanced && !events.mainOnly) || events.removed || events.added;
  const bool clean =
      !fpgaStale && !disturbed_ && !events.generationAdvanced && !events.kernelFault && !events.hardwareFault;
  if (events.resetSucceeded || events.added) fifosUncertain_ = false;
  for (uint64_t& holder : holders_) {
    if (fpgaStale) holder = kUnknownHolder;
  }
  if (configuring_ && events.kernelFault) fifosUncertain_ = true;
  if (clean && !broken_.empty()) scenario.fail(broken_);
  if (clean && !fifosUncertain_ && !brokenStream_.empty()) scenario.fail(brokenStream_);
  for (const auto& [id, answer] : answers_) {
    if (events.kernelFault) break;
    const bool sessionGuarded = answer.code == ConfigurePersonalityQrt::kCode || answer.code == DownloadToFpga::kCode;
    if (answer.staleSession && sessionGuarded && answer.answer() != kStale && answer.answer() != kGateClosed) {
      scenario.fail("request " + hex(answer.code) + " of a stale FPGA-interface session answered " +
                    hex(answer.answer()));
    }
  }
  // Only what moves the FPGA-session generation on (a reset, even a failed
  // one, a shutdown, a removal) stales an FPGA-interface session: a
  // download does not. Past a failed reset, or one in the step a session
  // opened, the scenario does not know whether the session is stale.
  for (Session* session : scenario.sessions(true)) {
    if (!session->main && fpgaStale) uncertain_.insert(session->id);
    if (!session->main && events.removed) session->stale = true;
  }
  for (const auto& [id, answer] : answers_) {
    if (fpgaStale || events.kernelFault || answer.staleSession || uncertain_.count(id) != 0) continue;
    if (answer.answer() == kStale) {
      scenario.fail("request " + hex(answer.code) + " of a valid FPGA-interface session answered the stale code" +
                    (events.mainOnly ? " after an FPGA download" : ""));
    }
  }
  answers_.clear();
  broken_.clear();
  brokenStream_.clear();
  // A configuration that went through makes every FIFO its design lacks,
  // from the next step on.
  if (configuredCleanly_ && !events.kernelFault) fifosUncertain_ = false;
  configuredCleanly_ = false;
  configuring_ = false;
  disturbed_ = false;
  slots_ = 0;
  for (auto it = states_.begin(); it != states_.end();) {
    it = scenario.findSession(it->first) == nullptr ? states_.erase(it) : std::next(it);
  }
  std::erase_if(uncertain_, [&scenario](uint64_t id) { return scenario.findSession(id) == nullptr; });
}

void FpgaFamily::whenIdle(Scenario& scenario) {
  if (sim::PageLists::userLists() != 0) {
    return scenario.fail("with no session open " + std::to_string(sim::PageLists::userLists()) +
                         " lists of user pages stay locked");
  }
  if (design_ && scenario.board().fpga().irqMask() != 0) {
    return scenario.fail("with no session open IRQ lines " + hex(scenario.board().fpga().irqMask()) +
                         " stay unmasked for waiters that are gone");
  }
  // A fresh session finds every FIFO free (it claims and, closing, gives
  // each back).
  scenario.runTask("FIFO claims", [this, &scenario] {
    auto file = sim::DeviceFile::open(scenario.module(), kFpgaInterface);
    if (!file) return;
    sim::RequestClient client(*file);
    for (uint32_t fifo : {kToDevice, kFromDevice}) {
      const auto reply = client.call<StopFifo>({.ownerId = 1, .fifo = fifo});
      if (reply.status == 0 && reply.outStatus() == -63082)
        scenario.fail("with no session open FIFO " + std::to_string(fifo) + " is still claimed");
    }
    file->close();
    holders_[kToDevice] = holders_[kFromDevice] = 0;
  });
}

}  // namespace

const std::vector<vltest::PublishedRequest>& fpgaSessionRequests() {
  static const std::vector<vltest::PublishedRequest> requests =
      shapesOf<GetAttribute32, SetAttribute32, IsSessionValid, ConfigurePersonalityQrt, DownloadToFpga, AbortWaits,
               Reset, Abort, ClientFunctionCall, ReadBlock, WriteBlock, Read32, Write32, GetMemoryMappedIoWindowSize,
               IrqNodeReserve, IrqNodeUnreserve, WaitOnIrqs, UnlockFifoBuffer, StartFifo, StopFifo, AcquireFifoBytes,
               ReleaseFifoBytes, UnreserveFifo, DeployFifoSettings, DownloadToFlash, SetFlashAutoloadMode,
               GetFlashAutoloadMode, ClearFlash, GetP2PEndpointId>();
  return requests;
}

std::vector<uint8_t> fpgaDesignPersonality() { return personalityBlock(0); }

std::vector<uint8_t> fpgaDesignFifoList() {
  return vltest::fifoList({{kToDevice, 1, 1, kToDeviceControl}, {kFromDevice, 0, 1, kFromDeviceControl}});
}

const std::vector<uint8_t>& fpgaDesignBitstream() { return bitstream(); }

std::unique_ptr<Family> makeFpgaFamily() { return std::make_unique<FpgaFamily>(); }

}  // namespace vlscenario
