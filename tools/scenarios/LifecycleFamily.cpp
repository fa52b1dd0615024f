// Sessions of both interfaces, any published request with a zeroed block
// or sent as the fuzzers send their seed of its code, resets, over-temperature
// (also while a session records a list-mode commit), board removal and
// re-adding; after a reset that failed, the self test must answer its error,
// and once a recording cut by a shutdown has closed, nobody is refused a
// write to the map it recorded.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "Family.h"
#include "driver/board/ioctl/ArmRequests.h"
#include "driver/board/ioctl/ListModeRequests.h"
#include "fuzz/SeedBlocks.h"
#include "sim/kernel/UserMemory.h"
#include "tests/module/PublishedRequests.h"

namespace vlscenario {
namespace {

constexpr const char kFpgaInterface[] = "vl9738_atomiclymddkqrt";
constexpr size_t kMaxSessions = 8;
constexpr vltest::PublishedRequest kReset{0x0020420C, 4, 4, 0, 0};
constexpr vltest::PublishedRequest kGetTemperature{0x00204202, 12, 12, 8, 8};
constexpr vltest::PublishedRequest kSelfTest{0x0020420F, 40, 4, 32, 0};
constexpr uint32_t kProgramSubsystemId = 0x00204211;
constexpr uint32_t kProgramRevisions = 0x00204213;

bool hasMainSession(Scenario& scenario) {
  for (Session* session : scenario.sessions()) {
    if (session->main && !session->kept) return true;
  }
  return false;
}

bool hasClosableSession(Scenario& scenario) {
  for (Session* session : scenario.sessions()) {
    if (!session->busy && !session->kept) return true;
  }
  return false;
}

void openOn(Scenario& scenario, const char* interface, bool main) {
  Session* session = scenario.newSession();
  session->main = main;
  session->busy = true;
  scenario.describe(std::string("open ") + interface);
  scenario.addTask(
      "open", [&scenario, session, interface] { session->file = sim::DeviceFile::open(scenario.module(), interface); });
}

// The seed corpus' input of each published request, read once.
const vlfuzz::Seed& corpusSeed(const vltest::PublishedRequest& request) {
  static const std::vector<vlfuzz::Seed> seeds = [] {
    std::vector<vlfuzz::Seed> all;
    const std::string folder = vlfuzz::seedFolder(VL_SOURCE_DIR, "main");
    for (const vltest::PublishedRequest& known : vltest::kPublishedRequests) {
      all.push_back(vlfuzz::seedOf(folder, known.code, known.in));
    }
    return all;
  }();
  return seeds[&request - vltest::kPublishedRequests];
}

// Ranges of request codes whose effects other families model across steps:
// reservations, routes, flash partitions and settings (list-mode requests keep
// theirs: the LO paths must stay true whoever starts a list).
// A seed's tail would let such a request succeed behind those models' backs,
// so these go with their blocks only (their addresses then reach nothing).
struct CodeRange {
  uint32_t first, last;
};
constexpr CodeRange kModelledElsewhere[] = {
    {0x00205500, 0x002055FF}, {0x00208000, 0x002080FF}, {0xC0204203, 0xC0204207}, {0xC0205B00, 0xC0205BFF}};

bool modelledElsewhere(uint32_t code) {
  for (const CodeRange& range : kModelledElsewhere) {
    if (code >= range.first && code <= range.last) return true;
  }
  return false;
}

// `seeded` sends the seed of a published request, its tail laid out in user
// memory as the fuzzers lay it; else zeros.
void sendAndRecord(Scenario& scenario, Session* session, const vltest::PublishedRequest& request, const char* verb,
                   const vlfuzz::Seed* seeded = nullptr) {
  session->busy = true;
  // Whatever it answers (a fault may cut the answer short after the start),
  // the session may record from now on.
  if (request.code == nVL9738K_24_0::requests::StartCommitSnooping::kCode) session->mayRecord = true;
  // A session a family keeps is that family's to change.
  const bool withTail = seeded != nullptr && !session->kept && !modelledElsewhere(request.code);
  scenario.describe(std::string(verb) + " " + hex(request.code) +
                    (seeded == nullptr ? ""
                     : withTail        ? " (seed block)"
                                       : " (seed block, no tail)"));
  scenario.addTask(verb, [&scenario, session, request, seeded, withTail] {
    vlfuzz::LaidOutSeed laid{};
    if (withTail) laid = vlfuzz::layOut(*seeded);
    if (seeded != nullptr && !withTail) laid.block = seeded->block;
    scenario.record(scenario.send(*session, request.code, request.in, request.out, request.outStatusAt,
                                  seeded != nullptr ? &laid.block : nullptr));
  });
}

// The board runs hot while a fresh session reads the board's sensor once:
// the driver shuts it down. Whether it did.
bool overheatReadingTheBoardSensor(Scenario& scenario) {
  Session session;
  session.file = sim::DeviceFile::open(scenario.module(), kMainInterface);
  if (!session.file) return false;
  scenario.board().fixedLogic().setOverTemperature(true);
  const std::vector<uint8_t> boardSensorOnce = {16, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
  const Answer answer = scenario.send(session, kGetTemperature.code, kGetTemperature.in, kGetTemperature.out,
                                      kGetTemperature.outStatusAt, &boardSensorOnce);
  scenario.board().fixedLogic().setOverTemperature(false);
  session.file->close();
  scenario.record(answer);
  // This reading reached the shutdown itself, which moves the generation
  // also on a board whose power-up record holds an earlier shutdown.
  const bool shutDown = answer.answer() == kOverTemperatureShutdown;
  if (shutDown) scenario.noteGenerationAdvanced();
  return shutDown;
}

// A session records a commit on LO `lo`'s engine, with a write by name of
// the path's attenuator, when the board shuts down over temperature. It
// sends one more request (`request`, refused: it is stale) or only closes.
// Its close ends the recording: nobody records on that engine any more, so
// a new session's write of the attenuator is not refused as if a list were
// being recorded, and it reaches the board. Checked when nothing else runs
// in the step (another operation could record on the engine or write the
// attenuator).
void recordThroughAShutdown(Scenario& scenario, uint32_t lo, bool request, uint32_t value) {
  namespace rq = nVL9738K_24_0::requests;
  constexpr int32_t kListModeBusy = -52031;
  Session recorder;
  recorder.file = sim::DeviceFile::open(scenario.module(), kMainInterface);
  if (!recorder.file) return;
  sim::UserBlock user(64);
  user.put<uint16_t>(0, lo == 0 ? 2400 : 2401);
  user.put<uint16_t>(4, 2404);
  const std::string map = "Lo" + std::to_string(lo) + "BoardCtrlRegMap";
  std::memcpy(user.data() + 16, map.data(), map.size());
  const rq::ArmWrite::In write{user.address() + 16, map.size(), 0x80E95C1E, value, 0, 0};
  // Another recording on the engine, or a board already down, refuses the
  // start: then there is nothing to follow.
  const bool recording = scenario.call<rq::SetContext>(recorder, {user.address(), 2, 0}).answer() == 0 &&
                         scenario.call<rq::StartCommitSnooping>(recorder, {0}).answer() == 0;
  if (!recording) return recorder.file->close();
  scenario.noteListRecording();
  scenario.record(scenario.call<rq::ArmWrite>(recorder, write));
  const bool shutDown = overheatReadingTheBoardSensor(scenario);
  recorder.stale = shutDown;
  if (request) scenario.record(scenario.call<rq::StopCommitSnooping>(recorder, {0}));
  recorder.file->close();
  if (!shutDown || scenario.stepKinds().size() != 1) return;
  Session writer;
  writer.file = sim::DeviceFile::open(scenario.module(), kMainInterface);
  if (!writer.file) return;
  const Answer written = scenario.call<rq::ArmWrite>(writer, write);
  scenario.record(written);
  writer.file->close();
  const std::string after = std::string("after the close of a session that recorded on LO") + std::to_string(lo) +
                            "'s engine when the board shut down" + (request ? " (and sent a request)" : "");
  if (written.answer() == kListModeBusy) {
    scenario.fail(after + ", a new session's write of the attenuator was refused as recorded");
  } else if (written.answer() == 0 && scenario.board().fixedLogic().loBoardControl(lo, 0) != value) {
    scenario.fail(after + ", a new session's write of the attenuator did not reach the board");
  }
}

// The stream of the overheating's recording variant, and its odds (one in
// this many overheatings). This stream leaves every overheating in the
// shortened replays run by ctest as it was.
constexpr uint64_t kRecordingStream = 161;
constexpr uint32_t kRecordingOdds = 3;

class LifecycleFamily : public Family {
 public:
  // A reset whose bring-up failed leaves its error in every deferred
  // record, with the board objects gone: the self test, of the highest
  // level, answers a failed reset's error until something brings the board
  // up again (a reset, a download, a shutdown advance the generation).
  void afterStep(Scenario& scenario) override {
    if (!boardPresent(scenario) || scenario.events().generationAdvanced) return;
    std::vector<int32_t> failed;
    for (const Answer& answer : scenario.stepAnswers()) {
      if (answer.code == kReset.code && answer.status == 0 && answer.outStatus < 0 && answer.outStatus != kGateClosed)
        failed.push_back(answer.outStatus);
    }
    if (failed.empty()) return;
    Answer selfTest;
    scenario.runTask("self test after a failed reset", [&scenario, &selfTest] {
      Session session;
      session.file = sim::DeviceFile::open(scenario.module(), kMainInterface);
      if (!session.file) return;
      selfTest = scenario.send(session, kSelfTest.code, kSelfTest.in, kSelfTest.out, kSelfTest.outStatusAt);
      session.file->close();
    });
    if (selfTest.code != 0 && std::find(failed.begin(), failed.end(), selfTest.answer()) == failed.end()) {
      scenario.fail("a self test after a reset that failed with " + hex(static_cast<uint32_t>(failed.back())) +
                    " answered " + hex(static_cast<uint32_t>(selfTest.answer())));
    }
  }

  void addKinds(std::vector<OperationKind>& kinds) override {
    const OperationKind own[] = {
        {"open a main-interface session", 8, false,
         [](Scenario& scenario) { return scenario.sessions(true).size() < kMaxSessions; },
         [](Scenario& scenario, Random&) { openOn(scenario, kMainInterface, true); }},

        {"open an FPGA-interface session", 2, false,
         [](Scenario& scenario) { return scenario.sessions(true).size() < kMaxSessions; },
         [](Scenario& scenario, Random&) { openOn(scenario, kFpgaInterface, false); }},

        {"close a session", 5, false, hasClosableSession,
         [](Scenario& scenario, Random& random) {
           Session* session = pickSession(scenario, random, true, true);
           session->closing = true;
           scenario.describe("close a session");
           scenario.addTask("close", [&scenario, session] { scenario.closeSession(*session); });
         }},

        {"send a published request", 40, false, hasMainSession,
         [](Scenario& scenario, Random& random) {
           const size_t count = std::size(vltest::kPublishedRequests);
           const vltest::PublishedRequest* request =
               &vltest::kPublishedRequests[random.below(static_cast<uint32_t>(count))];
           // A reset has an operation of its own, with a weight of its own; the
           // development requests that rewrite the board's identity in flash
           // would leave every later bring-up failing its version check.
           if (request->code == kReset.code || request->code == kProgramSubsystemId ||
               request->code == kProgramRevisions) {
             request = &kGetTemperature;
           }
           const bool seeded = request != &kGetTemperature && random.below(2) == 0;
           sendAndRecord(scenario, pickSession(scenario, random, false), *request, "request",
                         seeded ? &corpusSeed(*request) : nullptr);
         }},

        {"reset the device", 3, false, hasMainSession,
         [](Scenario& scenario, Random& random) {
           Session* session = pickSession(scenario, random, false);
           session->busy = true;
           scenario.describe("reset");
           scenario.addTask("reset", [&scenario, session] {
             scenario.recordReset(scenario.send(*session, kReset.code, kReset.in, kReset.out, kReset.outStatusAt));
           });
         }},

        // The board runs hot while a fresh session asks for its temperature
        // with a zeroed block, which names no sensor and is refused before any
        // reading: a reading of another operation meanwhile shuts the board
        // down, and a later reset brings it back. Now and then a session
        // records a list-mode commit instead and the board's sensor is read;
        // whether, and how, comes from a stream of its own (drawn from a copy
        // of the step's), so that every step draws its operations and fault
        // as it did before.
        {"overheat the board", 1, false, boardPresent,
         [](Scenario& scenario, Random& random) {
           Random own(Random::mix(Random(random).next(), scenario.step(), kRecordingStream));
           if (own.below(kRecordingOdds) == 0) {
             const uint32_t lo = own.below(2);
             const bool request = own.below(2) == 0;
             const uint32_t value = own.below(128);
             scenario.describe("overheat while LO" + std::to_string(lo) + " records, then " +
                               (request ? "a request and a close" : "a close"));
             scenario.addTask("overheat while recording", [&scenario, lo, request, value] {
               recordThroughAShutdown(scenario, lo, request, value);
             });
             return;
           }
           scenario.describe("overheat");
           scenario.addTask("overheat", [&scenario] {
             Session session;
             session.file = sim::DeviceFile::open(scenario.module(), kMainInterface);
             if (!session.file) return;
             scenario.board().fixedLogic().setOverTemperature(true);
             const Answer answer = scenario.send(session, kGetTemperature.code, kGetTemperature.in, kGetTemperature.out,
                                                 kGetTemperature.outStatusAt);
             scenario.board().fixedLogic().setOverTemperature(false);
             session.file->close();
             scenario.record(answer);
           });
         }},

        // Removal may meet requests, resets and closes under way, as a surprise
        // removal does.
        {"remove the board", 1, false, boardPresent,
         [](Scenario& scenario, Random&) {
           scenario.planRemoval();
           scenario.describe("remove the board");
           scenario.addTask("remove", [&scenario] { scenario.removeDevice(); });
         }},

        {"add the board again", 4, true, [](Scenario& scenario) { return !scenario.deviceAdded(); },
         [](Scenario& scenario, Random&) {
           scenario.describe("add the board again");
           scenario.addTask("add", [&scenario] { scenario.addDevice(); });
         }},
    };
    kinds.insert(kinds.end(), std::begin(own), std::end(own));
  }
};

}  // namespace

std::string hex(uint32_t code) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08X", code);
  return text;
}

bool boardPresent(Scenario& scenario) { return scenario.deviceAdded() && !scenario.deviceRemoved(); }

Session* pickSession(Scenario& scenario, Random& random, bool forClose, bool anyInterface) {
  std::vector<Session*> candidates, kept;
  for (Session* session : scenario.sessions()) {
    if ((anyInterface || session->main) && !(forClose && session->busy))
      (session->kept ? kept : candidates).push_back(session);
  }
  // A session a family keeps only when no other would do.
  if (candidates.empty()) candidates = kept;
  if (candidates.empty()) return nullptr;
  return candidates[random.below(static_cast<uint32_t>(candidates.size()))];
}

Session* pickFpgaSession(Scenario& scenario, Random& random) {
  std::vector<Session*> candidates;
  for (Session* session : scenario.sessions()) {
    if (!session->main) candidates.push_back(session);
  }
  if (candidates.empty()) return nullptr;
  return candidates[random.below(static_cast<uint32_t>(candidates.size()))];
}

std::unique_ptr<Family> makeLifecycleFamily() { return std::make_unique<LifecycleFamily>(); }

}  // namespace vlscenario
