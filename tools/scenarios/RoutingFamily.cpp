// Trigger routes and shared-setting reservations from several sessions of
// the main interface. Route ends come from small pools, so sessions often
// ask for the same lines. The family keeps what each session was told it
// holds and checks it against the board's routing matrix and against what
// the driver answers to later requests: a programmed route is in the matrix
// as its path says, no two held routes feed one line from different
// inputs, a closed session's routes and reservations are gone, and an idle
// device holds nothing a fresh session cannot have.
#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <tuple>

#include "Family.h"
#include "ReservationPart.h"
#include "driver/board/ioctl/ListModeRequests.h"
#include "driver/board/ioctl/RoutingRequests.h"
#include "driver/routing/TopographyTables.h"
#include "sim/board/PxiRoutingMatrixModel.h"
#include "sim/kernel/UserMemory.h"

namespace vlscenario {
namespace {

namespace rq = nVL9738K_24_0::requests;

constexpr int32_t kRouteConflict = -89137;
// Where the matrix's subsystem is announced; the timing engines take 12
// and 13.
constexpr uint8_t kMatrixSubsystem = 7;
constexpr const char kTopographySymbol[] = "_ZN23topSerapinReferenceFpga11kTopographyE";
// Route ends: the reset source, wide sources, a middle feeder, a narrow
// target (which feeds a wide one), wide feeders and the silent feeder;
// targets of each class, two of them cleared when their last route goes.
constexpr uint32_t kSources[] = {1, 2, 3, 59, 73, 244, 253};
constexpr uint32_t kDestinations[] = {73, 105, 106, 137, 169, 170};
constexpr size_t kRoutesPerSession = 4;
constexpr uint32_t kPathCapacity = 8;
constexpr uint32_t kConflictCapacity = 4;
constexpr uint64_t kProbeOwner = 0;
// The list engine of the first LO path, named as a session's context.
constexpr uint16_t kListTimingEngine = 2400;
constexpr uint16_t kListEngineLeaf = 2404;
// The records user mode passes and reads: a seed, a calculated route and
// a route in the way (owner, then id).
constexpr size_t kSeedSize = 12;
constexpr size_t kResultSize = 20;
constexpr size_t kConflictSize = 16;

// What a route of a session holds: nothing yet, its edges, or its edges
// and their place in the matrix. A route whose session went stale under it
// (an FPGA download releases the routes only when it goes through) or that
// a faulty step may have left behind is unknown until its session closes:
// nobody picks it, and what it may hold is not checked.
enum class Hold { Calculated, Reserved, Programmed, Unknown };

struct Route {
  uint32_t id = 0;
  uint32_t source = 0;
  uint32_t destination = 0;
  Hold hold = Hold::Calculated;
  std::vector<uint32_t> path;
  bool busy = false;
};

// What one operation saw, read once its step has ended.
struct Outcome {
  enum Kind { kRoute, kReserve, kProgram, kQuery, kGiveUp } kind;
  uint64_t session = 0;
  uint32_t source = 0;
  uint32_t destination = 0;
  uint32_t routeId = 0;  // known once a calculation answered
  uint32_t reached = 0;  // the destination the calculation answered
  bool ran = false;
  bool calculated = false;
  // Asked to program or give the route up while its session records a
  // list; the recording began.
  bool record = false;
  bool recorded = false;
  int32_t reserve = 1;  // not sent
  int32_t program = 1;
  int32_t query = 1;
  // A give-up's unprogram, unreserve and destroy.
  int32_t unprogram = 1;
  int32_t unreserve = 1;
  int32_t destroy = 1;
  std::vector<uint32_t> path;
  std::vector<std::pair<uint64_t, uint32_t>> conflicts;
};

std::string terminalText(uint32_t id) { return "terminal " + std::to_string(id); }

std::string pathText(const std::vector<uint32_t>& path) {
  std::string text;
  for (uint32_t id : path) text += (text.empty() ? "" : ">") + std::to_string(id);
  return text;
}

class RoutingFamily : public Family {
 public:
  void addKinds(std::vector<OperationKind>& kinds) override {
    const OperationKind own[] = {
        {"route a trigger", 10, false, [this](Scenario& s) { return !roomForRoute(s).empty(); },
         [this](Scenario& s, Random& random) { prepareRoute(s, random); }},
        {"reserve a calculated route", 10, false, [this](Scenario& s) { return hasRoute(s, Outcome::kReserve); },
         [this](Scenario& s, Random& random) { prepareOnRoute(s, random, Outcome::kReserve); }},
        {"program a reserved route", 3, false, [this](Scenario& s) { return hasRoute(s, Outcome::kProgram); },
         [this](Scenario& s, Random& random) { prepareOnRoute(s, random, Outcome::kProgram); }},
        {"query a route", 2, false, [this](Scenario& s) { return hasRoute(s, Outcome::kQuery); },
         [this](Scenario& s, Random& random) { prepareOnRoute(s, random, Outcome::kQuery); }},
        {"give a route up", 3, false, [this](Scenario& s) { return hasRoute(s, Outcome::kGiveUp); },
         [this](Scenario& s, Random& random) { prepareOnRoute(s, random, Outcome::kGiveUp); }},
    };
    kinds.insert(kinds.end(), std::begin(own), std::end(own));
    reservations_.addKinds(kinds);
  }

  // The board comes back with a configured FPGA: its routing matrix holds
  // no routes.
  void beforeAdd(Scenario& scenario) override {
    if (!placed_) {
      matrix_.place(scenario.board().registerPort(), kMatrixSubsystem);
      topography_ = static_cast<const vlark::TopographyDescriptor*>(scenario.module().localObject(kTopographySymbol));
      placed_ = true;
    }
    for (uint32_t address = 1; address <= sim::PxiRoutingMatrixModel::kLastRoute; ++address) {
      if (!sim::PxiRoutingMatrixModel::isBlockRegister(address)) matrix_.setValue(address, 0);
    }
    matrix_.clearLog();
  }

  void afterStep(Scenario& scenario) override;
  void whenIdle(Scenario& scenario) override;

 private:
  Route* findRoute(uint64_t session, uint32_t id);
  std::vector<Session*> roomForRoute(Scenario& scenario);
  static bool fits(const Route& route, Outcome::Kind kind);
  bool hasRoute(Scenario& scenario, Outcome::Kind kind);
  void prepareRoute(Scenario& scenario, Random& random);
  void prepareOnRoute(Scenario& scenario, Random& random, Outcome::Kind kind);
  static void routeTask(Scenario& scenario, Session& session, Outcome& outcome, uint32_t stage);
  static void onRouteTask(Scenario& scenario, Session& session, Outcome& outcome, uint32_t way);
  void apply(Scenario& scenario, const Outcome& outcome, bool uncertain, bool mayDrop);
  void checkConflicts(Scenario& scenario, const Outcome& outcome, bool mayDrop);
  void probe(Scenario& scenario, bool mayDrop);
  void checkLines(Scenario& scenario);
  void checkMatrix(Scenario& scenario);
  const vlark::Edge* edgeBetween(uint32_t from, uint32_t to) const;
  uint32_t registerOf(uint32_t target) const;
  const std::vector<uint32_t>& clearedLines();
  void noteRecorded(const Route& route);
  void probeIdleLine(Scenario& scenario, Session& session, uint32_t target);

  sim::PxiRoutingMatrixModel matrix_;
  bool placed_ = false;
  const vlark::TopographyDescriptor* topography_ = nullptr;
  // A misbehaving board may have left any value in the matrix; trusted
  // again once an idle device shows it clean.
  bool matrixTrusted_ = true;
  std::map<uint64_t, std::vector<Route>> routes_;
  std::vector<std::shared_ptr<Outcome>> outcomes_;
  std::set<uint64_t> openBefore_;
  std::set<uint32_t> usedLines_;
  std::vector<uint32_t> cleared_;
  // The route registers recordings wrote since the board came up, and
  // those a list may have written since: a list run leaves them as the
  // list has them, which no route's record follows. The driver reads
  // them again; the matrix there is not checked.
  std::set<uint32_t> recordedRegisters_;
  std::set<uint32_t> ranRegisters_;
  ReservationPart reservations_;
};

Route* RoutingFamily::findRoute(uint64_t session, uint32_t id) {
  auto found = routes_.find(session);
  if (found == routes_.end()) return nullptr;
  for (Route& route : found->second) {
    if (route.id == id) return &route;
  }
  return nullptr;
}

std::vector<Session*> RoutingFamily::roomForRoute(Scenario& scenario) {
  std::vector<Session*> fresh, stale;
  if (!boardPresent(scenario)) return fresh;
  for (Session* session : scenario.sessions()) {
    if (session->main && !session->kept && !session->mayRecord && routes_[session->id].size() < kRoutesPerSession)
      (session->stale ? stale : fresh).push_back(session);
  }
  // Sessions older than a reset are refused at once; now and then one asks.
  return fresh.empty() ? stale : fresh;
}

bool RoutingFamily::fits(const Route& route, Outcome::Kind kind) {
  if (route.busy || route.hold == Hold::Unknown) return false;
  if (kind == Outcome::kReserve) return route.hold == Hold::Calculated;
  if (kind == Outcome::kProgram) return route.hold == Hold::Reserved;
  return true;
}

bool RoutingFamily::hasRoute(Scenario& scenario, Outcome::Kind kind) {
  for (Session* session : scenario.sessions()) {
    for (const Route& route : routes_[session->id]) {
      if (fits(route, kind)) return true;
    }
  }
  return false;
}

void RoutingFamily::prepareRoute(Scenario& scenario, Random& random) {
  const std::vector<Session*> candidates = roomForRoute(scenario);
  Session* session = candidates[random.below(static_cast<uint32_t>(candidates.size()))];
  auto outcome = std::make_shared<Outcome>();
  outcome->kind = Outcome::kRoute;
  outcome->session = session->id;
  // Mostly a pair the topography joins; now and then one it may not.
  std::vector<std::pair<uint32_t, uint32_t>> pairs;
  const bool joined = topography_ != nullptr && random.below(8) != 0;
  for (uint32_t source : kSources) {
    for (uint32_t destination : kDestinations) {
      if (source != destination && (!joined || edgeBetween(source, destination) != nullptr))
        pairs.emplace_back(source, destination);
    }
  }
  std::tie(outcome->source, outcome->destination) = pairs[random.below(static_cast<uint32_t>(pairs.size()))];
  // Half the time, a line another session has asked for.
  std::vector<uint32_t> taken;
  for (const auto& [owner, held] : routes_) {
    for (const Route& route : held) {
      if (owner != session->id && route.destination != outcome->source) taken.push_back(route.destination);
    }
  }
  if (!taken.empty() && random.below(2) == 0)
    outcome->destination = taken[random.below(static_cast<uint32_t>(taken.size()))];
  // Calculated only (to be reserved later, when another session may have
  // taken the line), reserved, or reserved and programmed.
  const uint32_t draw = random.below(5);
  const uint32_t stage = draw < 2 ? 0 : draw < 4 ? 1 : 2;
  session->busy = true;
  outcomes_.push_back(outcome);
  static const char* const kStages[] = {"", ", reserve", ", reserve and program"};
  scenario.describe("route " + std::to_string(outcome->source) + " to " + std::to_string(outcome->destination) +
                    kStages[stage] + " (session " + std::to_string(session->id) + ")");
  scenario.addTask("route", [&scenario, session, outcome, stage] { routeTask(scenario, *session, *outcome, stage); });
}

void RoutingFamily::prepareOnRoute(Scenario& scenario, Random& random, Outcome::Kind kind) {
  std::vector<std::pair<Session*, Route*>> candidates;
  for (Session* session : scenario.sessions()) {
    for (Route& route : routes_[session->id]) {
      if (fits(route, kind)) candidates.emplace_back(session, &route);
    }
  }
  // Half the give-ups take a programmed route when there is one: its
  // lines must leave the matrix however it goes.
  if (kind == Outcome::kGiveUp && random.below(2) == 0) {
    std::vector<std::pair<Session*, Route*>> programmed;
    for (const auto& candidate : candidates) {
      if (candidate.second->hold == Hold::Programmed) programmed.push_back(candidate);
    }
    if (!programmed.empty()) candidates = programmed;
  }
  auto [session, route] = candidates[random.below(static_cast<uint32_t>(candidates.size()))];
  auto outcome = std::make_shared<Outcome>();
  outcome->kind = kind;
  outcome->session = session->id;
  outcome->routeId = route->id;
  route->busy = true;
  session->busy = true;
  outcomes_.push_back(outcome);
  const uint32_t way = random.below(3);
  // Now and then while the session records; a programmed route given up
  // more often, as its lines must leave the matrix all the same.
  outcome->record = (kind == Outcome::kProgram || kind == Outcome::kGiveUp) &&
                    random.below(route->hold == Hold::Programmed && kind == Outcome::kGiveUp ? 2 : 4) == 0;
  static const char* const kVerbs[] = {"route", "reserve", "program", "query", "give up"};
  scenario.describe(std::string(kVerbs[kind]) + " route " + std::to_string(route->id) + " of session " +
                    std::to_string(session->id) + (outcome->record ? ", recording" : ""));
  scenario.addTask(kVerbs[kind],
                   [&scenario, session, outcome, way] { onRouteTask(scenario, *session, *outcome, way); });
}

namespace {

std::vector<uint32_t> queryPath(Scenario& scenario, Session& session, uint32_t id, int32_t& answer) {
  sim::UserBlock path(4 * kPathCapacity);
  rq::GetRouteTerminalPath::Out found{};
  const Answer query = scenario.call<rq::GetRouteTerminalPath>(session, {id, path.address(), kPathCapacity, 0}, &found);
  scenario.record(query);
  answer = query.answer();
  std::vector<uint32_t> terminals;
  for (uint32_t i = 0; answer == 0 && i < std::min(found.terminalCount, kPathCapacity); ++i) {
    terminals.push_back(path.get<uint32_t>(4 * i));
  }
  return terminals;
}

// Reserves the outcome's route and, when asked and reserved, programs it.
void reserveAndProgram(Scenario& scenario, Session& session, Outcome& outcome, bool program) {
  sim::UserBlock conflicts(kConflictSize * kConflictCapacity);
  rq::ReserveRoute::Out reserved{};
  const Answer reserve =
      scenario.call<rq::ReserveRoute>(session, {outcome.routeId, conflicts.address(), kConflictCapacity, 0}, &reserved);
  scenario.record(reserve);
  outcome.reserve = reserve.answer();
  for (uint32_t i = 0; outcome.reserve != 0 && i < std::min(reserved.conflictCount, kConflictCapacity); ++i) {
    outcome.conflicts.emplace_back(conflicts.get<uint64_t>(i * kConflictSize),
                                   conflicts.get<uint32_t>(i * kConflictSize + 8));
  }
  if (outcome.reserve != 0 || !program) return;
  const Answer programmed = scenario.call<rq::ProgramRoute>(session, {outcome.routeId, 0});
  scenario.record(programmed);
  outcome.program = programmed.answer();
}

}  // namespace

// Calculates one route from the outcome's source to its destination, asks
// its path and, by `stage`, reserves (1) and programs (2) it.
void RoutingFamily::routeTask(Scenario& scenario, Session& session, Outcome& outcome, uint32_t stage) {
  outcome.ran = true;
  sim::UserBlock seeds(kSeedSize), destinations(4);
  sim::UserBlock results(kResultSize * 4);
  seeds.put<uint32_t>(0, outcome.source);
  destinations.put<uint32_t>(0, outcome.destination);
  rq::CalculateRoute::In calculate{};
  calculate.optionWord = session.id;
  calculate.seedsAddress = seeds.address();
  calculate.terminalsAddress = destinations.address();
  calculate.resultsAddress = results.address();
  calculate.seedCount = calculate.terminalCount = 1;
  calculate.resultCount = 4;
  rq::CalculateRoute::Out calculated{};
  const Answer answer = scenario.call<rq::CalculateRoute>(session, calculate, &calculated);
  scenario.record(answer);
  if (answer.answer() != 0 || calculated.resultCount == 0 || calculated.resultCount > 4) return;
  outcome.calculated = true;
  outcome.routeId = results.get<uint32_t>(0);
  // A line of a group may be answered by another member of its group.
  outcome.reached = results.get<uint32_t>(4);
  // One seed and one destination: a second result would be the same
  // route inverted, which nobody asked for.
  for (uint32_t i = 1; i < calculated.resultCount; ++i) {
    scenario.record(scenario.call<rq::DestroyRoute>(session, {results.get<uint32_t>(i * kResultSize), 0}));
  }
  outcome.path = queryPath(scenario, session, outcome.routeId, outcome.query);
  if (stage > 0) reserveAndProgram(scenario, session, outcome, stage > 1);
}

// Reserves, programs, queries or gives up (unprograms first, unreserves,
// or only destroys, by `way`) one route the session has.
void RoutingFamily::onRouteTask(Scenario& scenario, Session& session, Outcome& outcome, uint32_t way) {
  outcome.ran = true;
  const uint32_t id = outcome.routeId;
  // The recording goes into a list on the first LO path's engine; another
  // recording on it refuses this one, and the request then goes as it is.
  sim::UserBlock engine(8);
  engine.put<uint16_t>(0, kListTimingEngine);
  engine.put<uint16_t>(4, kListEngineLeaf);
  if (outcome.record && scenario.call<rq::SetContext>(session, {engine.address(), 2, 0}).answer() == 0) {
    const Answer begun = scenario.call<rq::StartCommitSnooping>(session, {0});
    scenario.record(begun);
    outcome.recorded = begun.answer() == 0;
  }
  if (outcome.kind == Outcome::kReserve) {
    reserveAndProgram(scenario, session, outcome, way != 0);
  } else if (outcome.kind == Outcome::kProgram) {
    const Answer programmed = scenario.call<rq::ProgramRoute>(session, {id, 0});
    scenario.record(programmed);
    outcome.program = programmed.answer();
  } else if (outcome.kind == Outcome::kQuery) {
    outcome.path = queryPath(scenario, session, id, outcome.query);
  } else {
    auto send = [&](auto request, int32_t& answer) {
      const Answer sent = scenario.call<decltype(request)>(session, {id, 0});
      scenario.record(sent);
      answer = sent.answer();
    };
    if (way == 0) send(rq::UnprogramRoute{}, outcome.unprogram);
    if (way <= 1) send(rq::UnreserveRoute{}, outcome.unreserve);
    send(rq::DestroyRoute{}, outcome.destroy);
  }
  if (outcome.recorded) scenario.record(scenario.call<rq::StopCommitSnooping>(session, {0}));
}

const vlark::Edge* RoutingFamily::edgeBetween(uint32_t from, uint32_t to) const {
  if (from == 0 || from > topography_->terminalCount || to == 0) return nullptr;
  const vlark::Terminal& source = topography_->terminals[from - 1];
  for (uint32_t i = 0; i < source.outgoingEdgeCount; ++i) {
    const vlark::Edge& edge = topography_->edges[source.firstOutgoingEdge + i];
    if (edge.target == to - 1) return &edge;
  }
  return nullptr;
}

// The lines whose register is cleared when their last route goes.
const std::vector<uint32_t>& RoutingFamily::clearedLines() {
  if (cleared_.empty()) {
    for (uint32_t t = 0; t < topography_->terminalCount; ++t) {
      const vlark::Terminal& terminal = topography_->terminals[t];
      if (terminal.incomingEdgeCount != 0 && (terminal.flags & vlark::kTerminalKeepOnUnprogram) == 0)
        cleared_.push_back(t + 1);
    }
  }
  return cleared_;
}

// The route register every input of `target` writes.
uint32_t RoutingFamily::registerOf(uint32_t target) const {
  const vlark::Terminal& terminal = topography_->terminals[target - 1];
  const vlark::Edge& first = topography_->edges[topography_->incomingEdges[terminal.firstIncomingSlot]];
  return topography_->programmingItems[first.firstProgrammingItem].word0;
}

// A program resets the route's source first; every hop writes its
// target's register.
void RoutingFamily::noteRecorded(const Route& route) {
  if (topography_ == nullptr) return;
  for (uint32_t terminal : route.path) {
    if (terminal != 0 && terminal <= topography_->terminalCount &&
        topography_->terminals[terminal - 1].incomingEdgeCount != 0)
      recordedRegisters_.insert(registerOf(terminal));
  }
}

void RoutingFamily::apply(Scenario& scenario, const Outcome& outcome, bool uncertain, bool mayDrop) {
  const std::string who = "session " + std::to_string(outcome.session);
  Route* route = findRoute(outcome.session, outcome.routeId);
  if (route != nullptr) route->busy = false;
  if (!outcome.ran) return;
  if (outcome.reserve == kRouteConflict && !uncertain) checkConflicts(scenario, outcome, mayDrop);
  if (outcome.kind == Outcome::kRoute && outcome.calculated && scenario.findSession(outcome.session) != nullptr) {
    Route added;
    added.id = outcome.routeId;
    added.source = outcome.source;
    added.destination = outcome.reached;
    added.path = outcome.path;
    routes_[outcome.session].push_back(added);
    route = &routes_[outcome.session].back();
  }
  if (route == nullptr) return;
  // Whatever a recording took of the route's writes, a later run of the
  // list may write again.
  Session* owner = scenario.findSession(outcome.session);
  if ((outcome.recorded || (owner != nullptr && owner->mayRecord)) &&
      (outcome.kind == Outcome::kProgram || outcome.kind == Outcome::kGiveUp || outcome.program != 1)) {
    noteRecorded(*route);
  }
  if (outcome.reserve == 0) {
    route->hold = Hold::Reserved;
    usedLines_.insert(route->destination);
  }
  // A program written into a list leaves the route reserved, and its lines
  // as other routes hold them, until the list runs.
  if (outcome.program == 0 && !outcome.recorded) route->hold = Hold::Programmed;
  if (outcome.kind == Outcome::kQuery && outcome.query == 0 && outcome.path != route->path) {
    scenario.fail("route " + std::to_string(route->id) + " of " + who + " was answered with path " +
                  pathText(outcome.path) + ", then " + pathText(route->path));
  }
  // A route whose destroy was refused is held as far as its give-up got: a
  // stale session's, refused whole, stays programmed until it closes.
  if (outcome.kind == Outcome::kGiveUp && outcome.destroy == 0) {
    std::erase_if(routes_[outcome.session], [&](const Route& held) { return held.id == outcome.routeId; });
  } else if (outcome.kind == Outcome::kGiveUp && outcome.unreserve == 0) {
    route->hold = Hold::Calculated;
  } else if (outcome.kind == Outcome::kGiveUp && outcome.unprogram == 0 && route->hold == Hold::Programmed) {
    route->hold = Hold::Reserved;
  }
}

// Whoever stands in the way of a reservation holds a route, or was under
// way in the step; a session closed before the step holds nothing.
void RoutingFamily::checkConflicts(Scenario& scenario, const Outcome& outcome, bool mayDrop) {
  const std::string what = "a reservation of route " + std::to_string(outcome.routeId) + " by session " +
                           std::to_string(outcome.session) + " was refused for route ";
  for (const auto& [owner, id] : outcome.conflicts) {
    const Route* held = findRoute(owner, id);
    bool concurrent = false;
    for (const auto& other : outcomes_) concurrent = concurrent || (other->session == owner && other->routeId == id);
    if ((held == nullptr || held->hold == Hold::Calculated) && !concurrent && !mayDrop) {
      scenario.fail(what + std::to_string(id) + " of session " + std::to_string(owner) + ", which holds no such route");
    }
    if (openBefore_.count(owner) == 0 && scenario.findSession(owner) == nullptr) {
      scenario.fail(what + std::to_string(id) + " of session " + std::to_string(owner) + ", closed before the step");
    }
  }
}

// Every route a session holds must still be there, with its path, unless
// the step may have taken it.
void RoutingFamily::probe(Scenario& scenario, bool mayDrop) {
  scenario.runTask("routes", [&] {
    for (auto& [id, held] : routes_) {
      Session* session = scenario.findSession(id);
      if (session == nullptr) continue;
      std::vector<Route> kept;
      for (Route& route : held) {
        sim::UserBlock path(4 * kPathCapacity);
        rq::GetRouteTerminalPath::Out found{};
        const Answer query =
            scenario.call<rq::GetRouteTerminalPath>(*session, {route.id, path.address(), kPathCapacity, 0}, &found);
        // A stale session's answer says nothing of what its route holds.
        if (query.answer() == kStale && (mayDrop || session->stale || route.hold == Hold::Unknown)) {
          route.hold = route.hold == Hold::Calculated ? Hold::Calculated : Hold::Unknown;
          if (route.hold == Hold::Unknown) kept.push_back(route);
          continue;
        }
        if (query.answer() != 0) {
          if (!mayDrop) {
            scenario.fail("route " + std::to_string(route.id) + " of session " + std::to_string(id) +
                          " went without being given up: " + hex(static_cast<uint32_t>(query.answer())));
          }
          continue;
        }
        std::vector<uint32_t> now;
        for (uint32_t i = 0; i < std::min(found.terminalCount, kPathCapacity); ++i)
          now.push_back(path.get<uint32_t>(4 * i));
        if (route.path.empty()) route.path = now;
        if (now != route.path) {
          scenario.fail("route " + std::to_string(route.id) + " of session " + std::to_string(id) +
                        " changed path from " + pathText(route.path) + " to " + pathText(now));
        }
        kept.push_back(route);
      }
      held = kept;
    }
  });
}

// No two held routes feed one line from different inputs.
void RoutingFamily::checkLines(Scenario& scenario) {
  std::map<uint32_t, std::pair<uint32_t, const Route*>> feeds;
  std::map<const Route*, uint64_t> owners;
  for (const auto& [session, held] : routes_) {
    for (const Route& route : held) {
      if (route.hold == Hold::Calculated || route.hold == Hold::Unknown) continue;
      owners[&route] = session;
      if (!route.path.empty() && (route.path.front() != route.source || route.path.back() != route.destination)) {
        scenario.fail("route " + std::to_string(route.id) + " from " + terminalText(route.source) + " to " +
                      terminalText(route.destination) + " has path " + pathText(route.path));
      }
      for (size_t i = 1; i < route.path.size(); ++i) {
        auto [at, fresh] = feeds.try_emplace(route.path[i], route.path[i - 1], &route);
        if (fresh || at->second.first == route.path[i - 1]) continue;
        scenario.fail("sessions " + std::to_string(owners[at->second.second]) + " and " + std::to_string(session) +
                      " both hold " + terminalText(route.path[i]) + ", fed from " + terminalText(at->second.first) +
                      " and from " + terminalText(route.path[i - 1]));
      }
    }
  }
}

// A programmed route is in the matrix as its path says; a line that is
// cleared when its last route goes holds nothing once no programmed route
// feeds it (an unknown route's lines may hold anything).
void RoutingFamily::checkMatrix(Scenario& scenario) {
  if (!matrixTrusted_ || topography_ == nullptr || !boardPresent(scenario)) return;
  std::set<uint32_t> fed;
  for (const auto& [session, held] : routes_) {
    for (const Route& route : held) {
      if (route.hold == Hold::Unknown) {
        fed.insert(route.path.begin() + (route.path.empty() ? 0 : 1), route.path.end());
        fed.insert(route.destination);
      }
      if (route.hold != Hold::Programmed) continue;
      for (size_t i = 1; i < route.path.size(); ++i) {
        fed.insert(route.path[i]);
        const vlark::Edge* edge = edgeBetween(route.path[i - 1], route.path[i]);
        if (edge == nullptr) {
          scenario.fail("route " + std::to_string(route.id) + " has a hop with no edge: " + pathText(route.path));
          return;
        }
        for (uint32_t k = 0; k < edge->programmingItemCount; ++k) {
          const vlark::ProgrammingItem& item = topography_->programmingItems[edge->firstProgrammingItem + k];
          if (matrix_.value(item.word0) == item.word1 || ranRegisters_.count(item.word0) != 0) continue;
          scenario.fail("programmed route " + std::to_string(route.id) + " (" + pathText(route.path) + ") of session " +
                        std::to_string(session) + ": matrix register " + std::to_string(item.word0) + " holds " +
                        hex(static_cast<uint32_t>(matrix_.value(item.word0))) + ", not " + hex(item.word1));
        }
      }
    }
  }
  for (uint32_t line : clearedLines()) {
    if (fed.count(line) != 0 || ranRegisters_.count(registerOf(line)) != 0) continue;
    if (matrix_.value(registerOf(line)) != 0) {
      scenario.fail(terminalText(line) + " is fed by no programmed route, yet its matrix register holds " +
                    hex(static_cast<uint32_t>(matrix_.value(registerOf(line)))));
    }
  }
}

void RoutingFamily::afterStep(Scenario& scenario) {
  const StepEvents& events = scenario.events();
  const bool uncertain = events.kernelFault || events.hardwareFault;
  const bool mayDrop =
      uncertain || events.generationAdvanced || events.resetRequested || events.removed || events.added;
  if (events.hardwareFault) matrixTrusted_ = false;
  for (const auto& outcome : outcomes_) apply(scenario, *outcome, uncertain, mayDrop);
  if (uncertain) {
    // What the step's own routes hold cannot be told from answers a fault
    // may have cut short: they go, or stay unknown when the driver does not
    // destroy them (a stale session's are kept until it closes).
    scenario.runTask("drop", [&] {
      for (const auto& outcome : outcomes_) {
        Session* session = scenario.findSession(outcome->session);
        if (session == nullptr || outcome->routeId == 0 || outcome->kind == Outcome::kQuery) continue;
        const Answer destroyed = scenario.call<rq::DestroyRoute>(*session, {outcome->routeId, 0});
        Route* route = findRoute(outcome->session, outcome->routeId);
        if (destroyed.answer() != 0 && route != nullptr) {
          route->hold = Hold::Unknown;
          continue;
        }
        std::erase_if(routes_[outcome->session], [&](const Route& held) { return held.id == outcome->routeId; });
      }
    });
  }
  outcomes_.clear();
  std::erase_if(routes_, [&](const auto& entry) { return scenario.findSession(entry.first) == nullptr; });
  // A bring-up starts the list engines empty; a list started in the step
  // may have written any route register a recording wrote.
  if (events.generationAdvanced || events.added) {
    recordedRegisters_.clear();
    ranRegisters_.clear();
  }
  for (const Answer& answer : scenario.stepAnswers()) {
    if (answer.code == rq::Initiate::kCode && (answer.answer() == 0 || uncertain))
      ranRegisters_.insert(recordedRegisters_.begin(), recordedRegisters_.end());
  }
  probe(scenario, mayDrop);
  checkLines(scenario);
  checkMatrix(scenario);
  matrix_.clearLog();
  reservations_.afterStep(scenario);
  openBefore_.clear();
  for (Session* session : scenario.sessions(true)) openBefore_.insert(session->id);
}

// From a fresh session, two routes into the line from different inputs:
// both are reserved, so nobody holds the line.
void RoutingFamily::probeIdleLine(Scenario& scenario, Session& session, uint32_t target) {
  std::set<uint32_t> inputs;
  for (uint32_t source : kSources) {
    if (source == target || inputs.size() == 2) continue;
    Outcome outcome;
    outcome.source = source;
    outcome.destination = target;
    routeTask(scenario, session, outcome, 1);
    if (!outcome.calculated) continue;
    if (outcome.reserve == kRouteConflict) {
      scenario.fail("with every session closed, a route from " + terminalText(source) + " to " + terminalText(target) +
                    " is refused: route " +
                    (outcome.conflicts.empty() ? std::string("?") : std::to_string(outcome.conflicts[0].second)) +
                    " of session " +
                    (outcome.conflicts.empty() ? std::string("?") : std::to_string(outcome.conflicts[0].first)) +
                    " still holds it");
    }
    if (outcome.reserve == 0 && outcome.path.size() >= 2) inputs.insert(outcome.path[outcome.path.size() - 2]);
    scenario.call<rq::DestroyRoute>(session, {outcome.routeId, 0});
  }
}

void RoutingFamily::whenIdle(Scenario& scenario) {
  reservations_.whenIdle(scenario);
  if (topography_ == nullptr) return;
  bool clean = true;
  for (uint32_t line : clearedLines()) {
    const uint64_t value = matrix_.value(registerOf(line));
    if (value == 0) continue;
    clean = false;
    if (matrixTrusted_) {
      scenario.fail("with every session closed, the matrix register of " + terminalText(line) + " holds " +
                    hex(static_cast<uint32_t>(value)));
    }
  }
  if (clean) matrixTrusted_ = true;
  if (usedLines_.empty()) return;
  scenario.runTask("idle routes", [&] {
    Session session;
    session.id = kProbeOwner;
    session.file = sim::DeviceFile::open(scenario.module(), kMainInterface);
    if (!session.file) return;
    for (uint32_t line : usedLines_) probeIdleLine(scenario, session, line);
    session.file->close();
  });
  usedLines_.clear();
}

}  // namespace

std::unique_ptr<Family> makeRoutingFamily() { return std::make_unique<RoutingFamily>(); }

}  // namespace vlscenario
