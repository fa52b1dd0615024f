#include "ReservationPart.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "driver/board/ioctl/ReservationRequests.h"
#include "driver/board/ioctl/SettingsRequests.h"
#include "sim/kernel/UserMemory.h"

namespace vlscenario {

namespace rq = nVL9738K_24_0::requests;

struct ReservationPart::Outcome {
  enum Kind { kAttach, kReserve, kRelease } kind;
  uint64_t session = 0;
  // The session's client; for an attach, the client joined (0: a new one).
  uint32_t client = 0;
  bool ran = false;
  uint32_t learned = 0;  // the client id the session answers after an attach
  int32_t attach = 1;
  int32_t value[3] = {-1, -1, -1};
  int32_t deploy = 1;
  std::vector<uint32_t> policies;
  int32_t reserve = 1;
  rq::ReserveErrorInfo refusal{};
  int32_t release = 1;
};

namespace {

using Outcome = ReservationPart::Outcome;

constexpr size_t kIdsAt = 0x200;
constexpr size_t kResultsAt = 0x300;
constexpr size_t kBlobAt = 0x400;
// Values each client asks for, so that clients often disagree.
constexpr int32_t kReferenceClocks[] = {0, 2};
constexpr int32_t kCrossSwitchModes[] = {4, 5};

std::string policyText(uint32_t policy) {
  return policy == ReservationPart::kReferenceClock ? "the reference clock" : "the cross switch";
}

// A deploy of the reference-clock source (resource 1) and the cross-switch
// mode (resource 3), each record as the wire carries it.
std::vector<uint8_t> deployBlob(int32_t referenceClock, int32_t crossSwitchMode) {
  std::vector<uint8_t> blob(4, 0);
  auto add = [&blob](uint32_t resource, std::initializer_list<uint8_t> bytes) {
    blob.insert(blob.end(), {uint8_t(resource), 0, 0, 0});
    blob.insert(blob.end(), 8, 0);
    blob.insert(blob.end(), bytes);
  };
  add(1, {uint8_t(referenceClock), 0, 0x8E, 0x0A, 2, 0, 20, 0, 40, 40, 0, 0, 0, 0, 5, 0, 1, 0});
  add(3, {0, uint8_t(crossSwitchMode)});
  return blob;
}

void attachTask(Scenario& scenario, Session& session, Outcome& outcome) {
  outcome.ran = true;
  sim::UserBlock user(64);
  const std::string name = "s" + std::to_string(session.id);
  std::memcpy(user.data(), name.data(), name.size());
  const uint32_t length = static_cast<uint32_t>(name.size());
  const Answer attach = outcome.client == 0 ? scenario.call<rq::SetDescriptor>(session, {user.address(), length, 0})
                                            : scenario.call<rq::SetDescriptorAndClientID>(
                                                  session, {user.address(), length, outcome.client, 0});
  scenario.record(attach);
  outcome.attach = attach.answer();
  rq::GetReservationClientID::Out id{};
  const Answer asked = scenario.call<rq::GetReservationClientID>(session, {0, 0}, &id);
  scenario.record(asked);
  if (asked.answer() == 0) outcome.learned = id.clientId;
}

int32_t releaseList(Scenario& scenario, Session& session, const std::vector<uint32_t>& policies) {
  sim::UserBlock ids(4 * policies.size() + 4);
  for (size_t i = 0; i < policies.size(); ++i) ids.put<uint32_t>(4 * i, policies[i]);
  const Answer release =
      scenario.call<rq::Release>(session, {static_cast<uint32_t>(policies.size()), ids.address(), 0});
  scenario.record(release);
  return release.answer();
}

// Deploys the outcome's values, then reserves its policies.
void reserveTask(Scenario& scenario, Session& session, Outcome& outcome) {
  outcome.ran = true;
  sim::UserBlock user(0x800);
  const std::vector<uint8_t> blob =
      deployBlob(outcome.value[ReservationPart::kReferenceClock], outcome.value[ReservationPart::kCrossSwitch]);
  std::memcpy(user.data() + kBlobAt, blob.data(), blob.size());
  const Answer deploy =
      scenario.call<rq::SettingsDeploy>(session, {user.address() + kBlobAt, static_cast<uint32_t>(blob.size()), 0});
  scenario.record(deploy);
  outcome.deploy = deploy.answer();
  for (size_t i = 0; i < outcome.policies.size(); ++i) user.put<uint32_t>(kIdsAt + 4 * i, outcome.policies[i]);
  rq::Reserve::Out out{};
  const Answer reserve = scenario.call<rq::Reserve>(
      session,
      {static_cast<uint32_t>(outcome.policies.size()), user.address() + kIdsAt, user.address() + kResultsAt, {}, 0},
      &out);
  scenario.record(reserve);
  outcome.reserve = reserve.answer();
  outcome.refusal = out.errorInfo;
}

}  // namespace

void ReservationPart::addKinds(std::vector<OperationKind>& kinds) {
  const OperationKind own[] = {
      {"attach a reservation client", 8, false, [this](Scenario& s) { return !withoutClient(s).empty(); },
       [this](Scenario& s, Random& random) { prepareAttach(s, random); }},
      {"reserve shared settings", 12, false, [this](Scenario& s) { return !withClient(s, false).empty(); },
       [this](Scenario& s, Random& random) { prepareReserve(s, random); }},
      {"release shared settings", 2, false, [this](Scenario& s) { return !withClient(s, true).empty(); },
       [this](Scenario& s, Random& random) { prepareRelease(s, random); }},
  };
  kinds.insert(kinds.end(), std::begin(own), std::end(own));
}

std::vector<Session*> ReservationPart::withoutClient(Scenario& scenario) {
  std::vector<Session*> found;
  if (!boardPresent(scenario)) return found;
  for (Session* session : scenario.sessions()) {
    // A kept session's client belongs to the family that keeps it.
    if (session->main && !session->kept && !session->stale && clientOf_.count(session->id) == 0)
      found.push_back(session);
  }
  return found;
}

// Sessions whose client no operation of this step uses (and, with
// `holding`, that holds a policy).
std::vector<Session*> ReservationPart::withClient(Scenario& scenario, bool holding) {
  std::vector<Session*> found;
  if (!boardPresent(scenario)) return found;
  for (Session* session : scenario.sessions()) {
    const auto at = clientOf_.find(session->id);
    if (at == clientOf_.end() || busy_.count(at->second) != 0 || session->stale) continue;
    const Client& client = clients_[at->second];
    if (!holding || client.held[kReferenceClock] != 0 || client.held[kCrossSwitch] != 0) found.push_back(session);
  }
  return found;
}

void ReservationPart::prepareAttach(Scenario& scenario, Random& random) {
  const std::vector<Session*> candidates = withoutClient(scenario);
  Session* session = candidates[random.below(static_cast<uint32_t>(candidates.size()))];
  auto outcome = std::make_shared<Outcome>();
  outcome->kind = Outcome::kAttach;
  outcome->session = session->id;
  // Now and then the client of another session, which this session then
  // shares.
  std::vector<uint32_t> others;
  for (const auto& [id, client] : clients_) {
    if (busy_.count(id) == 0) others.push_back(id);
  }
  if (!others.empty() && random.below(3) == 0) {
    outcome->client = others[random.below(static_cast<uint32_t>(others.size()))];
    busy_.insert(outcome->client);
  }
  session->busy = true;
  outcomes_.push_back(outcome);
  scenario.describe("attach session " + std::to_string(session->id) + " to " +
                    (outcome->client == 0 ? std::string("a new client") : "client " + std::to_string(outcome->client)));
  scenario.addTask("attach", [&scenario, session, outcome] { attachTask(scenario, *session, *outcome); });
}

void ReservationPart::prepareReserve(Scenario& scenario, Random& random) {
  std::vector<Session*> candidates = withClient(scenario, false);
  // Mostly a client that holds nothing while another holds: the two may
  // disagree.
  std::vector<Session*> newcomers;
  bool anyHolder = false;
  for (const auto& [id, client] : clients_) anyHolder = anyHolder || client.held[1] != 0 || client.held[2] != 0;
  for (Session* candidate : candidates) {
    const Client& client = clients_[clientOf_[candidate->id]];
    if (client.held[kReferenceClock] == 0 && client.held[kCrossSwitch] == 0) newcomers.push_back(candidate);
  }
  if (anyHolder && !newcomers.empty() && random.below(4) != 0) candidates = newcomers;
  Session* session = candidates[random.below(static_cast<uint32_t>(candidates.size()))];
  auto outcome = std::make_shared<Outcome>();
  outcome->kind = Outcome::kReserve;
  outcome->session = session->id;
  outcome->client = clientOf_[session->id];
  // Mostly not what another client holds the policy for.
  for (uint32_t policy : {kReferenceClock, kCrossSwitch}) {
    const int32_t* values = policy == kReferenceClock ? kReferenceClocks : kCrossSwitchModes;
    int32_t held = -1;
    for (const auto& [id, client] : clients_) {
      if (id != outcome->client && client.held[policy] != 0 && client.value[policy] >= 0) held = client.value[policy];
    }
    const uint32_t draw = random.below(4);
    outcome->value[policy] = held < 0 ? values[draw % 2] : draw == 0 ? held : values[0] + values[1] - held;
  }
  static const std::vector<uint32_t> kLists[] = {
      {kReferenceClock}, {kCrossSwitch}, {kReferenceClock, kCrossSwitch}, {kCrossSwitch, kReferenceClock}};
  outcome->policies = kLists[random.below(4)];
  busy_.insert(outcome->client);
  session->busy = true;
  outcomes_.push_back(outcome);
  scenario.describe("reserve " + std::to_string(outcome->policies.size()) + " policies with clock " +
                    std::to_string(outcome->value[kReferenceClock]) + ", mode " +
                    std::to_string(outcome->value[kCrossSwitch]) + " (client " + std::to_string(outcome->client) + ")");
  scenario.addTask("reserve", [&scenario, session, outcome] { reserveTask(scenario, *session, *outcome); });
}

void ReservationPart::prepareRelease(Scenario& scenario, Random& random) {
  const std::vector<Session*> candidates = withClient(scenario, true);
  Session* session = candidates[random.below(static_cast<uint32_t>(candidates.size()))];
  auto outcome = std::make_shared<Outcome>();
  outcome->kind = Outcome::kRelease;
  outcome->session = session->id;
  outcome->client = clientOf_[session->id];
  for (uint32_t policy : {kReferenceClock, kCrossSwitch}) {
    if (clients_[outcome->client].held[policy] != 0) outcome->policies.push_back(policy);
  }
  if (outcome->policies.size() > 1 && random.below(2) == 0) outcome->policies.erase(outcome->policies.begin());
  busy_.insert(outcome->client);
  session->busy = true;
  outcomes_.push_back(outcome);
  scenario.describe("release " + std::to_string(outcome->policies.size()) + " policies (client " +
                    std::to_string(outcome->client) + ")");
  scenario.addTask("release", [&scenario, session, outcome] {
    outcome->ran = true;
    outcome->release = releaseList(scenario, *session, outcome->policies);
  });
}

// A session of the client closed in the step (the client and what it held
// went with it at some point of the step).
bool ReservationPart::closing(Scenario& scenario, const Client& client) {
  for (uint64_t session : client.sessions) {
    if (scenario.findSession(session) == nullptr) return true;
  }
  return false;
}

// A client is granted a policy only while every other holder asks for the
// value it deployed.
void ReservationPart::checkGrant(Scenario& scenario, const Outcome& outcome) {
  const Client& own = clients_[outcome.client];
  for (uint32_t policy : outcome.policies) {
    for (const auto& [id, other] : clients_) {
      if (id == outcome.client || busy_.count(id) != 0 || other.held[policy] == 0 || closing(scenario, other)) continue;
      if (other.value[policy] < 0 || own.value[policy] < 0 || other.value[policy] == own.value[policy]) continue;
      scenario.fail("client " + std::to_string(outcome.client) + " was granted " + policyText(policy) + " for " +
                    std::to_string(own.value[policy]) + " while client " + std::to_string(id) + " held it for " +
                    std::to_string(other.value[policy]));
    }
  }
}

// A refusal names a holder of the policy that asks for another value.
void ReservationPart::checkRefusal(Scenario& scenario, const Outcome& outcome) {
  const uint32_t policy = outcome.refusal.failedId;
  const uint32_t conflicting = outcome.refusal.conflictingClient;
  const auto holder = clients_.find(conflicting);
  if (holder == clients_.end() && gone_.count(conflicting) != 0) {
    scenario.fail("client " + std::to_string(outcome.client) + " was refused " + policyText(policy) + " for client " +
                  std::to_string(conflicting) + ", whose sessions closed or went stale before the step");
  }
  if ((policy != kReferenceClock && policy != kCrossSwitch) || holder == clients_.end() ||
      busy_.count(holder->first) != 0) {
    return;
  }
  const Client& own = clients_[outcome.client];
  const Client& other = holder->second;
  const bool same = own.value[policy] >= 0 && own.value[policy] == other.value[policy];
  if (other.held[policy] == 0 || same) {
    scenario.fail("client " + std::to_string(outcome.client) + " was refused " + policyText(policy) + " for client " +
                  std::to_string(holder->first) + ", which " +
                  (same ? "asks for the same value" : std::string("does not hold it")));
  }
}

void ReservationPart::apply(Scenario& scenario, const Outcome& outcome, bool mayDrop) {
  if (!outcome.ran) return;
  if (outcome.kind == Outcome::kAttach) {
    if (outcome.learned == 0) return;
    if (outcome.attach == 0 && outcome.client != 0 && outcome.learned != outcome.client && !mayDrop) {
      scenario.fail("session " + std::to_string(outcome.session) + " attached to client " +
                    std::to_string(outcome.client) + " answers client " + std::to_string(outcome.learned));
    }
    if (scenario.findSession(outcome.session) == nullptr) return;
    clientOf_[outcome.session] = outcome.learned;
    gone_.erase(outcome.learned);
    clients_[outcome.learned].sessions.insert(outcome.session);
    return;
  }
  const auto found = clients_.find(outcome.client);
  if (found == clients_.end()) return;
  Client& own = found->second;
  if (outcome.kind == Outcome::kRelease) {
    for (uint32_t policy : outcome.policies) {
      if (outcome.release == 0 && own.held[policy] != 0) --own.held[policy];
    }
    return;
  }
  // A deploy that only warns has stored its values.
  for (uint32_t policy : {kReferenceClock, kCrossSwitch})
    own.value[policy] = outcome.deploy >= 0 ? outcome.value[policy] : -1;
  if (outcome.reserve == 0) {
    if (!mayDrop) checkGrant(scenario, outcome);
    for (uint32_t policy : outcome.policies) ++own.held[policy];
    reservedSinceIdle_ = true;
  } else if (outcome.refusal.conflictingClient != 0 && !mayDrop) {
    checkRefusal(scenario, outcome);
  }
}

// A client goes with any of its sessions (closed, or older than a reset),
// and with it what it held and the values it deployed.
void ReservationPart::forgetClosedSessions(Scenario& scenario, std::set<uint32_t>& heldByGone,
                                           std::set<uint32_t>& thinned) {
  for (auto at = clientOf_.begin(); at != clientOf_.end();) {
    const Session* session = scenario.findSession(at->first);
    // A session older than a reset, shutdown or download lost its client with it.
    if (session != nullptr && !session->stale) {
      ++at;
      continue;
    }
    Client& client = clients_[at->second];
    if (client.held[kReferenceClock] != 0 || client.held[kCrossSwitch] != 0) heldByGone.insert(at->second);
    client.sessions.erase(at->first);
    thinned.insert(at->second);
    client = Client{client.sessions, {-1, -1, -1}, {0, 0, 0}};
    if (client.sessions.empty()) {
      clients_.erase(at->second);
      gone_.insert(at->second);
    }
    at = clientOf_.erase(at);
  }
}

// After a step whose answers cannot all be trusted, every client gives up
// what it may hold, so that the part knows it again.
void ReservationPart::releaseEverything(Scenario& scenario) {
  scenario.runTask("release all", [&] {
    for (auto& [id, client] : clients_) {
      Session* session = client.sessions.empty() ? nullptr : scenario.findSession(*client.sessions.begin());
      const uint32_t times = 1 + std::max(client.held[kReferenceClock], client.held[kCrossSwitch]);
      for (uint32_t i = 0; session != nullptr && i < times; ++i) {
        releaseList(scenario, *session, {kReferenceClock, kCrossSwitch});
      }
      client = Client{client.sessions, {-1, -1, -1}, {0, 0, 0}};
    }
  });
}

void ReservationPart::afterStep(Scenario& scenario) {
  const StepEvents& events = scenario.events();
  const bool mayDrop = events.kernelFault || events.hardwareFault || events.generationAdvanced ||
                       events.resetRequested || events.removed || events.added;
  // Clients granted a reservation in this step, before the step's closes
  // are known.
  std::set<uint32_t> granted;
  for (const auto& outcome : outcomes_) {
    apply(scenario, *outcome, mayDrop);
    if (outcome->kind == Outcome::kReserve && outcome->reserve == 0) granted.insert(outcome->client);
  }
  outcomes_.clear();
  busy_.clear();
  std::set<uint32_t> heldByGone, thinned;
  forgetClosedSessions(scenario, heldByGone, thinned);
  // A client that reserved through one session while another of its
  // sessions closed in the same step holds the reservation if the close
  // came first, and nothing if it came last: it gives the policies back, so
  // that it holds nothing either way, as the part now says.
  std::erase_if(granted, [&](uint32_t id) { return thinned.count(id) == 0 || clients_.count(id) == 0; });
  if (!mayDrop && boardPresent(scenario) && !granted.empty()) {
    scenario.runTask("release after a close", [&] {
      for (uint32_t id : granted) {
        Session* session = scenario.findSession(*clients_[id].sessions.begin());
        if (session != nullptr) releaseList(scenario, *session, {kReferenceClock, kCrossSwitch});
      }
    });
  }
  // What a client held goes with its last session.
  if (!mayDrop && boardPresent(scenario)) {
    std::erase_if(heldByGone, [&](uint32_t id) { return clients_.count(id) != 0; });
    if (!heldByGone.empty()) probeFresh(scenario, &heldByGone);
  }
  if (mayDrop && boardPresent(scenario)) releaseEverything(scenario);
  if (mayDrop && !boardPresent(scenario)) {
    for (auto& [id, client] : clients_) client = Client{client.sessions, {-1, -1, -1}, {0, 0, 0}};
  }
}

// A fresh client may have either value of both policies unless a holder
// other than `gone` clients asks for the other; those hold nothing.
void ReservationPart::probeFresh(Scenario& scenario, const std::set<uint32_t>* gone) {
  scenario.runTask("fresh client", [&] {
    Session session;
    session.file = sim::DeviceFile::open(scenario.module(), kMainInterface);
    if (!session.file) return;
    Outcome attach;
    attachTask(scenario, session, attach);
    for (uint32_t i = 0; i < 2 && attach.learned != 0; ++i) {
      Outcome outcome;
      outcome.value[kReferenceClock] = kReferenceClocks[i];
      outcome.value[kCrossSwitch] = kCrossSwitchModes[i];
      outcome.policies = {kReferenceClock, kCrossSwitch};
      reserveTask(scenario, session, outcome);
      if (outcome.reserve == 0) releaseList(scenario, session, outcome.policies);
      const uint32_t holder = outcome.refusal.conflictingClient;
      if (outcome.reserve == 0 || holder == 0 || (gone != nullptr && gone->count(holder) == 0)) continue;
      scenario.fail((gone != nullptr ? "with its sessions closed, client " : "with every session closed, client ") +
                    std::to_string(holder) + " still holds " + policyText(outcome.refusal.failedId));
    }
    session.file->close();
  });
}

void ReservationPart::whenIdle(Scenario& scenario) {
  if (!reservedSinceIdle_) return;
  reservedSinceIdle_ = false;
  probeFresh(scenario, nullptr);
}

}  // namespace vlscenario
