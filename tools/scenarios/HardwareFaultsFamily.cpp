// The board misbehaving: a reference PLL that never locks, an SPI port that
// stays busy, a register port that stalls, fails its instructions or never
// finishes its reset, a CPLD link that stays down, an FPGA that refuses its
// bitstream. A fault is armed for one step, met by a reset (which brings
// the board up through every part) or by requests that reach the faulty
// part, and cleared when the step ends; the faults a board only recovers
// from by losing power are armed while it is away and last until it is
// added again. Whatever the driver answers must be one of its codes, and
// once the fault is gone a reset must bring the board back.
#include <iterator>

#include "Family.h"
#include "driver/board/ioctl/PlatformRequests.h"
#include "driver/board/ioctl/SettingsRequests.h"
#include "tests/module/PublishedRequests.h"

namespace vlscenario {
namespace {

using namespace nVL9738K_24_0::requests;

struct Fault {
  const char* name;
  // `variant` picks among the fault's forms (which CPLD, which error).
  void (*arm)(sim::Board& board, uint32_t variant);
  void (*clear)(sim::Board& board);
  // Also armed while the board is away, to meet its next power-up.
  bool atPowerUp;
};

constexpr sim::FpgaLoader::Fault kLoaderFaults[] = {
    sim::FpgaLoader::Fault::Fails, sim::FpgaLoader::Fault::FailsWithDone, sim::FpgaLoader::Fault::NeverReady,
    sim::FpgaLoader::Fault::NeverEnds};

const Fault kFaults[] = {
    {"the reference PLL never locks",
     [](sim::Board& board, uint32_t) { board.fixedLogic().refCpld().setPllNeverLocks(true); },
     [](sim::Board& board) { board.fixedLogic().refCpld().setPllNeverLocks(false); }, true},
    {"the SPI port stays busy", [](sim::Board& board, uint32_t) { board.bridge().spi().setStuckBusy(true); },
     [](sim::Board& board) { board.bridge().spi().setStuckBusy(false); }, false},
    {"the register port stalls", [](sim::Board& board, uint32_t) { board.registerPort().setStalled(true); },
     [](sim::Board& board) { board.registerPort().setStalled(false); }, false},
    {"the register port's reset never ends",
     [](sim::Board& board, uint32_t) { board.registerPort().setResetStuck(true); },
     [](sim::Board& board) { board.registerPort().setResetStuck(false); }, false},
    {"register-port instructions fail",
     [](sim::Board& board, uint32_t variant) {
       board.registerPort().failNextInstructions(1 + variant % 7, 1 + variant % 16);
     },
     [](sim::Board& board) { board.registerPort().failNextInstructions(0, 0); }, false},
    {"a CPLD link stays down",
     [](sim::Board& board, uint32_t variant) { board.fixedLogic().holdCpldLinkDown(variant % 3, true); },
     [](sim::Board& board) {
       for (unsigned cpld = 0; cpld < 3; ++cpld) board.fixedLogic().holdCpldLinkDown(cpld, false);
     },
     true},
    {"the LO card's rails stay down", [](sim::Board& board, uint32_t) { board.fixedLogic().holdLoPowerDown(true); },
     [](sim::Board& board) { board.fixedLogic().holdLoPowerDown(false); }, true},
    {"the FPGA refuses its bitstream",
     [](sim::Board& board, uint32_t variant) {
       board.bridge().fpgaLoader().setFault(kLoaderFaults[variant % std::size(kLoaderFaults)]);
     },
     [](sim::Board& board) { board.bridge().fpgaLoader().setFault(sim::FpgaLoader::Fault::None); }, true},
};
constexpr uint32_t kFaultCount = std::size(kFaults);

constexpr uint32_t kProgramSubsystemId = 0x00204211;
constexpr uint32_t kProgramRevisions = 0x00204213;

bool noResetCode(uint32_t code) {
  return code != ResetDevice::kCode && code != kProgramSubsystemId && code != kProgramRevisions;
}

// A reset from a session of its own (false when no session opens: a
// concurrent reset or removal has the gate closed).
bool resetFromFreshSession(Scenario& scenario, Answer& answer) {
  Session session;
  session.file = sim::DeviceFile::open(scenario.module(), kMainInterface);
  if (!session.file) return false;
  answer = scenario.call<ResetDevice>(session, {});
  session.file->close();
  return true;
}

// What the reset answered goes to the common checks and decides which
// sessions went stale.
void resetAndNote(Scenario& scenario) {
  Answer answer;
  if (!resetFromFreshSession(scenario, answer)) return;
  scenario.recordReset(answer);
}

// A request that reaches the part under fault, from a fresh session: one
// of kReachingKinds, the last any published request.
constexpr uint32_t kReachingKinds = 5;
void sendReaching(Scenario& scenario, uint32_t which, uint32_t variant) {
  Session session;
  session.file = sim::DeviceFile::open(scenario.module(), kMainInterface);
  if (!session.file) return;
  switch (which) {
    case 0:
      // Sensors 1 and 2 read through the powered cards, 16 on the FPGA.
      scenario.record(scenario.call<GetTemperature>(session, {variant % 2 == 0 ? 1u : 16u, 1 + variant % 3, 0}));
      break;
    case 1:
      scenario.record(scenario.call<SelfTest>(session, {}));
      break;
    case 2:
      scenario.record(scenario.call<CycleFrequency>(session, {}));
      break;
    case 3:
      // Each bring-up stage's record, as the deferred checks merge it.
      scenario.record(scenario.call<CheckInitializationStatus>(session, {variant % 4, 0}));
      break;
    default: {
      const uint32_t count = std::size(vltest::kPublishedRequests);
      vltest::PublishedRequest request = vltest::kPublishedRequests[variant % count];
      if (!noResetCode(request.code)) request = vltest::kPublishedRequests[2];
      scenario.record(scenario.send(session, request.code, request.in, request.out, request.outStatusAt));
    }
  }
  session.file->close();
}

class HardwareFaultsFamily : public Family {
 public:
  void addKinds(std::vector<OperationKind>& kinds) override {
    const OperationKind own[] = {
        {"fault the board under a reset", 1, false, [this](Scenario& s) { return canArm(s); },
         [this](Scenario& scenario, Random& random) {
           arm(scenario, random, "reset");
           // Then a request of a session opened after it: what the bring-up
           // left in its records, or the part itself, answers.
           const uint32_t which = random.below(kReachingKinds);
           const uint32_t variant = random.below(1024);
           scenario.addTask("faulty reset", [&scenario, which, variant] {
             resetAndNote(scenario);
             sendReaching(scenario, which, variant);
           });
         }},

        {"fault the board under requests", 1, false, [this](Scenario& s) { return canArm(s); },
         [this](Scenario& scenario, Random& random) {
           arm(scenario, random, "requests");
           const uint32_t requests = 1 + random.below(2);
           for (uint32_t i = 0; i < requests; ++i) {
             const uint32_t which = random.below(kReachingKinds);
             const uint32_t variant = random.below(1024);
             scenario.addTask("faulty request",
                              [&scenario, which, variant] { sendReaching(scenario, which, variant); });
           }
         }},

        // Power comes back to a board that still misbehaves.
        {"fault the next power-up", 2, false,
         [this](Scenario& scenario) { return !scenario.deviceAdded() && armed_ < 0; },
         [this](Scenario& scenario, Random& random) {
           std::vector<uint32_t> candidates;
           for (uint32_t fault = 0; fault < kFaultCount; ++fault) {
             if (kFaults[fault].atPowerUp) candidates.push_back(fault);
           }
           const uint32_t fault = candidates[random.below(static_cast<uint32_t>(candidates.size()))];
           const uint32_t variant = random.below(1024);
           armed_ = static_cast<int32_t>(fault);
           untilAdded_ = true;
           addAttempted_ = false;
           scenario.describe(std::string("fault the next power-up: ") + kFaults[fault].name);
           kFaults[fault].arm(scenario.board(), variant);
           scenario.noteHardwareFault();
         }},
    };
    kinds.insert(kinds.end(), std::begin(own), std::end(own));
  }

  // The first add comes before the first step, with no fault armed.
  void beforeAdd(Scenario&) override { addAttempted_ = started_; }

  void afterStep(Scenario& scenario) override {
    started_ = true;
    if (armed_ < 0) {
      // With no fault left, power returning brings the board up.
      if (addAttempted_ && !scenario.deviceAdded() && !scenario.events().kernelFault)
        scenario.fail("the board does not come up after its fault was cleared");
      addAttempted_ = false;
      return;
    }
    if (untilAdded_ && !addAttempted_) return;
    kFaults[armed_].clear(scenario.board());
    const char* name = kFaults[armed_].name;
    armed_ = -1;
    untilAdded_ = false;
    addAttempted_ = false;
    if (!boardPresent(scenario)) return;
    // The reset, then every bring-up stage's record from a session opened
    // after it.
    Answer reset;
    Answer stages;
    bool opened = false;
    scenario.runTask("reset after the fault", [&scenario, &reset, &stages, &opened] {
      if (!resetFromFreshSession(scenario, reset)) return;
      Session session;
      session.file = sim::DeviceFile::open(scenario.module(), kMainInterface);
      if (!session.file) return;
      opened = true;
      stages = scenario.call<CheckInitializationStatus>(session, {2, 0});
      session.file->close();
    });
    if (!opened) return scenario.fail(std::string("after ") + name + " was cleared, no session opens");
    scenario.describeAnswer("  a reset after the fault answered " + hex(static_cast<uint32_t>(reset.answer())) +
                            ", the bring-up records " + hex(static_cast<uint32_t>(stages.answer())));
    if (reset.answer() != 0 || stages.answer() != 0) {
      return scenario.fail(std::string("after ") + name + " was cleared, a reset answered " +
                           hex(static_cast<uint32_t>(reset.answer())) + " and the bring-up records " +
                           hex(static_cast<uint32_t>(stages.answer())));
    }
    scenario.noteResetAfterStep();
  }

 private:
  bool canArm(Scenario& scenario) const { return boardPresent(scenario) && armed_ < 0; }

  // The fault goes in before the step's tasks start: the step's other
  // operations may meet it too.
  void arm(Scenario& scenario, Random& random, const char* under) {
    const uint32_t fault = random.below(kFaultCount);
    const uint32_t variant = random.below(1024);
    armed_ = static_cast<int32_t>(fault);
    scenario.describe(std::string("fault under ") + under + ": " + kFaults[fault].name);
    kFaults[fault].arm(scenario.board(), variant);
    scenario.noteHardwareFault();
  }

  int32_t armed_ = -1;
  // Armed while the board was away: cleared once it was added again.
  bool untilAdded_ = false;
  bool addAttempted_ = false;
  bool started_ = false;
};

}  // namespace

std::unique_ptr<Family> makeHardwareFaultsFamily() { return std::make_unique<HardwareFaultsFamily>(); }

}  // namespace vlscenario
