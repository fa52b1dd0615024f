// The kinds of operation a scenario step draws from, with their weights.
// A kind decides on the controller whether it can run now and what it will
// do (which session, which request), then adds the task that does it. A
// new kind is one more line in kOperations.
#ifndef VL9738K_TOOLS_SCENARIOS_OPERATIONS_H
#define VL9738K_TOOLS_SCENARIOS_OPERATIONS_H

#include <cstdint>

#include "Scenario.h"

namespace vlscenario {

struct OperationKind {
  const char* name;
  uint32_t weight;
  // Runs alone in its step (board removal, re-adding).
  bool exclusive;
  bool (*eligible)(Scenario& scenario);
  // Adds the operation's task to the step.
  void (*prepare)(Scenario& scenario, Random& random);
};

const OperationKind* operationKinds(size_t& count);

}  // namespace vlscenario

#endif
