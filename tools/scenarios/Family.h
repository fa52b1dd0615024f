// The operations a scenario step draws from come in families. A family
// owns the operation kinds of one part of the driver (sessions and resets,
// settings, the FPGA interface, list mode, routes, flash, hardware faults)
// and whatever it must remember to check its invariants after each step.
// A kind decides on the controller whether it can run now and what it will
// do (which session, which request, which arguments), then adds the task
// that does it. A new family is one more line in Families.cpp.
#ifndef VL9738K_TOOLS_SCENARIOS_FAMILY_H
#define VL9738K_TOOLS_SCENARIOS_FAMILY_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Scenario.h"

namespace vlscenario {

struct OperationKind {
  std::string name;
  uint32_t weight;
  // Runs alone in its step (board removal, re-adding).
  bool exclusive;
  std::function<bool(Scenario&)> eligible;
  // Adds the operation's task (or tasks) to the step.
  std::function<void(Scenario&, Random&)> prepare;
};

class Family {
 public:
  virtual ~Family() = default;
  virtual void addKinds(std::vector<OperationKind>& kinds) = 0;
  // On the controller, once the step's tasks ended and the common checks
  // ran (scenario.events() says what the step did). Reports a broken
  // invariant with scenario.fail(); may run tasks with scenario.runTask().
  virtual void afterStep(Scenario&) {}
  // When a step ended with the board present and no session open: checks
  // that the device holds nothing of this family's on behalf of anybody.
  virtual void whenIdle(Scenario&) {}
  // On the task that adds the board, before the kernel layer adds it: the
  // board model as it is when power comes back (no kernel-layer calls).
  virtual void beforeAdd(Scenario&) {}
};

std::vector<std::unique_ptr<Family>> makeFamilies();

// Helpers the families share.
bool boardPresent(Scenario& scenario);
// A session that no operation of this step closes (of the main interface
// unless `anyInterface`); with `forClose`, one that no operation uses.
Session* pickSession(Scenario& scenario, Random& random, bool forClose, bool anyInterface = false);
Session* pickFpgaSession(Scenario& scenario, Random& random);
std::string hex(uint32_t code);

}  // namespace vlscenario

#endif
