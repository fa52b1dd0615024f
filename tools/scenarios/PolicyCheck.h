// The policy half of the differential check: a policy that is not stale
// must describe what the board holds. A family that commits a setting
// notes the value it committed; after the step, when the board shows
// another value, the check's own reservation client deploys that value and
// reserves the policy. Dirtiness 1 ("committed and current") then says the
// policy still calls the value on the hardware, and the step fails. A
// reserve that conflicts with a holder says nothing, and one that answers
// 0 means the policy knows it is stale (or committed another value since).
//
// A write by name (arm_write and its kin, the shadow check's own flushes
// included) may move a policy's registers without making it stale, by
// design: whatever its answer, it forgets the noted values of the policies
// whose compared registers its map holds (all of them when the map is not
// known) until their next commit. So does every step the check does not
// run in (the board down or faulted).
#ifndef VL9738K_TOOLS_SCENARIOS_POLICYCHECK_H
#define VL9738K_TOOLS_SCENARIOS_POLICYCHECK_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vlscenario {

class Scenario;
struct Session;

class PolicyCheck {
 public:
  // `record` is the wire form of the committed value: resource id first.
  void noteCommitted(const std::vector<uint8_t>& record);
  // Any request that writes a register by name.
  static bool writesByName(uint32_t code);
  void writtenByName(const std::string& map);
  void forget();
  // Within the shadow check's task, on its session.
  void check(Scenario& scenario, Session& session);

 private:
  // By entry of the policy table.
  std::vector<std::optional<std::vector<uint8_t>>> committed_;
};

}  // namespace vlscenario

#endif
