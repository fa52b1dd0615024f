// The differential check every step ends with, whatever its families: the
// driver's register shadows against the board model. A register the driver
// calls clean must hold on the board what its shadow holds, since the
// driver skips the write of a value its clean shadow already has; a list
// run, a recorded request or a failed write that leaves a shadow other than
// the board must leave it dirty. For each checked register whose shadow
// (`arm_get`, no hardware access) differs from the board, a flush without
// force tells which: a dirty register is sent and then agrees, a clean one
// is not sent and still differs. Only such differing registers are
// flushed, so a step whose shadows all agree is left as it was. The
// policies are checked first, on the same session (PolicyCheck.h).
#ifndef VL9738K_TOOLS_SCENARIOS_SHADOWCHECK_H
#define VL9738K_TOOLS_SCENARIOS_SHADOWCHECK_H

#include <cstdint>
#include <string>
#include <vector>

#include "PolicyCheck.h"

namespace vlscenario {

class Scenario;

class ShadowCheck {
 public:
  ShadowCheck();
  // On the controller, after the families' checks: runs its own task with
  // a session of its own, opened and closed within the check.
  void afterStep(Scenario& scenario);
  // A step the check does not run in (board down or faulted).
  void skipStep() { policies_.forget(); }
  PolicyCheck& policies() { return policies_; }

  struct Register {
    uint32_t map;  // index in the checked maps
    std::string name;
    uint32_t id;
    uint32_t offset;  // from the map's base (the DAC's: 4 x chip address)
  };

 private:
  void check(Scenario& scenario);
  uint32_t boardValue(Scenario& scenario, const Register& entry) const;

  std::vector<Register> registers_;
  PolicyCheck policies_;
};

}  // namespace vlscenario

#endif
