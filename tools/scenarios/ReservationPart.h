// The routing family's reservations of shared settings: sessions set a
// reservation descriptor (or attach to another session's client), deploy a
// reference clock and a cross-switch mode, and reserve and release the two
// policies that share them. The part remembers what each client holds and
// with which values, and checks every answer against it: a reservation is
// granted only while every other holder asks for the same value, refused
// only for a holder that asks for another, and gone with its client.
#ifndef VL9738K_TOOLS_SCENARIOS_RESERVATIONPART_H
#define VL9738K_TOOLS_SCENARIOS_RESERVATIONPART_H

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "Family.h"

namespace vlscenario {

class ReservationPart {
 public:
  // The policies in the order the device registers them.
  static constexpr uint32_t kReferenceClock = 1;
  static constexpr uint32_t kCrossSwitch = 2;

  struct Outcome;

  void addKinds(std::vector<OperationKind>& kinds);
  void afterStep(Scenario& scenario);
  void whenIdle(Scenario& scenario);

 private:
  struct Client {
    std::set<uint64_t> sessions;
    // The values deployed last, by policy; -1 while the record's value is
    // not known (never deployed, or the record may be gone).
    int32_t value[3] = {-1, -1, -1};
    uint32_t held[3] = {0, 0, 0};
  };

  std::vector<Session*> withoutClient(Scenario& scenario);
  std::vector<Session*> withClient(Scenario& scenario, bool holding);
  void prepareAttach(Scenario& scenario, Random& random);
  void prepareReserve(Scenario& scenario, Random& random);
  void prepareRelease(Scenario& scenario, Random& random);
  void apply(Scenario& scenario, const Outcome& outcome, bool mayDrop);
  static bool closing(Scenario& scenario, const Client& client);
  void checkGrant(Scenario& scenario, const Outcome& outcome);
  void checkRefusal(Scenario& scenario, const Outcome& outcome);
  // Forgets the clients of closed and stale sessions; `thinned` gets every
  // client that lost a session.
  void forgetClosedSessions(Scenario& scenario, std::set<uint32_t>& heldByGone, std::set<uint32_t>& thinned);
  void probeFresh(Scenario& scenario, const std::set<uint32_t>* gone);
  void releaseEverything(Scenario& scenario);

  std::map<uint32_t, Client> clients_;
  std::map<uint64_t, uint32_t> clientOf_;
  // Clients whose every session closed, or went stale (what it held went
  // with the reset, shutdown or download), in an earlier step.
  std::set<uint32_t> gone_;
  std::set<uint32_t> busy_;
  std::vector<std::shared_ptr<Outcome>> outcomes_;
  bool reservedSinceIdle_ = false;
};

}  // namespace vlscenario

#endif
