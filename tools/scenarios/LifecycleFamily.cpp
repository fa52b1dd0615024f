// Sessions of both interfaces, any published request with a zeroed block
// or sent as the fuzzers send their seed of its code, resets, over-temperature
// (also while a session records a list-mode commit), board removal and
// re-adding, FPGA downloads by another process while a session holds a
// shared setting; after a reset that failed, the self test must answer its
// error, once a recording cut by a shutdown has closed nobody is refused a
// write to the map it recorded, and nobody is refused a setting in the name
// of a holder a download made stale.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "Family.h"
#include "FpgaFamily.h"
#include "driver/board/ioctl/ArmRequests.h"
#include "driver/board/ioctl/ListModeRequests.h"
#include "driver/board/ioctl/ReservationRequests.h"
#include "driver/board/ioctl/SettingsRequests.h"
#include "driver/board/ioctl/fpga/FpgaSessionRequests.h"
#include "fuzz/SeedBlocks.h"
#include "sim/kernel/UserMemory.h"
#include "tests/fpga/SessionWire.h"
#include "tests/module/PublishedRequests.h"

namespace vlscenario {
namespace {

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

// What a recorder does once the board shut down under its recording.
enum class Recorder { kRequestsAndCloses, kCloses, kSitsIdle };

// A session records a commit on LO `lo`'s engine, with a write by name of
// the path's attenuator, when the board shuts down over temperature. It
// sends one more request (refused: it is stale) and closes, only closes, or
// stays open and idle until the check is done. The shutdown ends the
// recording: nobody records on that engine any more, so a new session's
// write of the attenuator is not refused as if a list were being recorded,
// and it reaches the board. Checked when nothing else runs in the step
// (another operation could record on the engine or write the attenuator).
void recordThroughAShutdown(Scenario& scenario, uint32_t lo, Recorder then, uint32_t value) {
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
  if (then == Recorder::kRequestsAndCloses) scenario.record(scenario.call<rq::StopCommitSnooping>(recorder, {0}));
  if (then != Recorder::kSitsIdle) recorder.file->close();
  if (!shutDown || scenario.stepKinds().size() != 1) return;
  Session writer;
  writer.file = sim::DeviceFile::open(scenario.module(), kMainInterface);
  if (!writer.file) return;
  const Answer written = scenario.call<rq::ArmWrite>(writer, write);
  scenario.record(written);
  writer.file->close();
  static constexpr const char* kThen[] = {"sent a request and closed", "closed", "sat idle"};
  const std::string after = "after a session that recorded on LO" + std::to_string(lo) +
                            "'s engine when the board shut down " + kThen[static_cast<int>(then)];
  if (written.answer() == kListModeBusy) {
    scenario.fail(after + ", a new session's write of the attenuator was refused as recorded");
  } else if (written.answer() == 0 && scenario.board().fixedLogic().loBoardControl(lo, 0) != value) {
    scenario.fail(after + ", a new session's write of the attenuator did not reach the board");
  }
}

// Sets a descriptor named `name`, deploys cross-switch mode `mode` and
// reserves the mode's policy (the second the device registers).
struct CrossSwitchHold {
  uint32_t client = 0;  // the session's client, 0 when it has none
  int32_t reserve = 1;
  uint32_t conflicting = 0;  // the holder a refusal names
};

CrossSwitchHold holdCrossSwitch(Scenario& scenario, Session& session, const std::string& name, uint8_t mode) {
  namespace rq = nVL9738K_24_0::requests;
  constexpr uint32_t kCrossSwitchPolicy = 2;
  CrossSwitchHold hold;
  sim::UserBlock user(0x200);
  std::memcpy(user.data(), name.data(), name.size());
  scenario.record(scenario.call<rq::SetDescriptor>(session, {user.address(), uint32_t(name.size()), 0}));
  rq::GetReservationClientID::Out id{};
  const Answer asked = scenario.call<rq::GetReservationClientID>(session, {0, 0}, &id);
  scenario.record(asked);
  if (asked.answer() != 0) return hold;
  hold.client = id.clientId;
  // The deploy's header, then the record as the wire carries it: resource
  // 3, no settling, the mode.
  const uint8_t deploy[] = {0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, mode};
  std::memcpy(user.data() + 0x100, deploy, sizeof(deploy));
  scenario.record(scenario.call<rq::SettingsDeploy>(session, {user.address() + 0x100, sizeof(deploy), 0}));
  user.put<uint32_t>(0x80, kCrossSwitchPolicy);
  rq::Reserve::Out out{};
  const Answer reserved =
      scenario.call<rq::Reserve>(session, {1, user.address() + 0x80, user.address() + 0xC0, {}, 0}, &out);
  scenario.record(reserved);
  hold.reserve = reserved.answer();
  hold.conflicting = out.errorInfo.conflictingClient;
  return hold;
}

// Configures the FPGA family's design on `session` (of the FPGA interface)
// and downloads the board's own bitstream through it, as another process
// would. Whether the driver started the loader: main-interface sessions
// opened before are stale from then on, whatever the download answered.
bool downloadFpgaDesign(Scenario& scenario, Session& session) {
  namespace lym = nVL9738K_24_0::lymrequests;
  const std::vector<uint8_t> personality = fpgaDesignPersonality();
  const std::vector<uint8_t> fifos = fpgaDesignFifoList();
  const auto personalityCopy = vltest::userCopyOf(personality);
  const auto fifoCopy = vltest::userCopyOf(fifos);
  const auto bitfile = vltest::userCopyOf(fpgaDesignBitstream());
  const uint32_t size = static_cast<uint32_t>(fpgaDesignBitstream().size());
  const size_t starts = scenario.board().bridge().fpgaLoader().starts();
  // Without a personality the design's registers are unknown and the
  // download fails before it starts; not forced, the configuration keeps
  // the running design and its FIFOs.
  scenario.record(scenario.call<lym::ConfigurePersonalityQrt>(
      session, {.personalityAddress = personalityCopy->address(),
                .personalitySize = static_cast<uint32_t>(personality.size()),
                .fifoListAddress = fifoCopy->address(),
                .fifoListSize = static_cast<uint32_t>(fifos.size()),
                .bitfileAddress = bitfile->address(),
                .bitfileSize = size}));
  scenario.record(scenario.call<lym::DownloadToFpga>(session, {.address = bitfile->address(), .size = size}));
  const bool started = scenario.board().bridge().fpgaLoader().starts() != starts;
  if (started) scenario.noteGenerationAdvanced(true);
  return started;
}

// A session holds the cross switch when another process downloads the
// board's design through an FPGA session. The download makes the holder
// stale and powers the board up with its defaults, so the hold protects
// nothing: a new client's reserve of another mode is never refused in the
// holder's name, whether or not the holder sends anything again (another
// operation of the step may hold the switch too, in its own name).
void holdThroughADownload(Scenario& scenario, uint8_t mode, bool holderSpeaks) {
  Session holder;
  holder.file = sim::DeviceFile::open(scenario.module(), kMainInterface);
  if (!holder.file) return;
  const CrossSwitchHold held = holdCrossSwitch(scenario, holder, "held across a download", mode);
  Session loader;
  loader.file = sim::DeviceFile::open(scenario.module(), kFpgaInterface);
  const bool downloaded = loader.file && downloadFpgaDesign(scenario, loader);
  holder.stale = downloaded;
  if (holderSpeaks) {
    scenario.record(scenario.call<nVL9738K_24_0::requests::GetReservationClientID>(holder, {0, 0}));
  }
  Session newcomer;
  newcomer.file = sim::DeviceFile::open(scenario.module(), kMainInterface);
  if (newcomer.file) {
    const CrossSwitchHold asked = holdCrossSwitch(scenario, newcomer, "after the download", mode == 4 ? 5 : 4);
    if (downloaded && held.reserve == 0 && held.client != 0 && asked.reserve != 0 && asked.conflicting == held.client) {
      scenario.fail("after an FPGA download, a new client's reserve of the cross switch was refused in the name of " +
                    std::string(holderSpeaks ? "" : "idle ") + "client " + std::to_string(held.client) +
                    ", whose session the download made stale");
    }
    newcomer.file->close();
  }
  if (loader.file) loader.file->close();
  holder.file->close();
}

// The stream of the overheating's recording variant, and its odds (one in
// this many overheatings). This stream leaves every overheating in the
// shortened replays run by ctest as it was.
constexpr uint64_t kRecordingStream = 161;
constexpr uint32_t kRecordingOdds = 3;
constexpr uint64_t kIdleRecorderStream = 241;
// The same for the download variant of an FPGA-interface session's open.
constexpr uint64_t kDownloadStream = 193;
constexpr uint32_t kDownloadOdds = 3;

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

        // Now and then another process downloads through the session it
        // opens while a session holds a shared setting; whether, and how,
        // from a stream of its own, as with the overheating's recordings.
        {"open an FPGA-interface session", 2, false,
         [](Scenario& scenario) { return scenario.sessions(true).size() < kMaxSessions; },
         [](Scenario& scenario, Random& random) {
           Random own(Random::mix(Random(random).next(), scenario.step(), kDownloadStream));
           if (boardPresent(scenario) && own.below(kDownloadOdds) == 0) {
             const uint8_t mode = static_cast<uint8_t>(4 + own.below(2));
             const bool speaks = own.below(2) == 0;
             scenario.describe(std::string("download through an FPGA session while a session holds the cross switch") +
                               (speaks ? ", which then sends a request" : ""));
             scenario.addTask("download while held",
                              [&scenario, mode, speaks] { holdThroughADownload(scenario, mode, speaks); });
             return;
           }
           openOn(scenario, kFpgaInterface, false);
         }},

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
             // From a stream of its own too, so that the shortened replays
             // keep every recorder's close.
             Random idle(Random::mix(Random(random).next(), scenario.step(), kIdleRecorderStream));
             const Recorder then = request              ? Recorder::kRequestsAndCloses
                                   : idle.below(2) == 0 ? Recorder::kSitsIdle
                                                        : Recorder::kCloses;
             static constexpr const char* kThen[] = {"a request and a close", "a close", "nothing until the check"};
             scenario.describe("overheat while LO" + std::to_string(lo) + " records, then " +
                               kThen[static_cast<int>(then)]);
             scenario.addTask("overheat while recording",
                              [&scenario, lo, then, value] { recordThroughAShutdown(scenario, lo, then, value); });
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
