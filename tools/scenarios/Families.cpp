#include "Family.h"

namespace vlscenario {

std::unique_ptr<Family> makeLifecycleFamily();

std::vector<std::unique_ptr<Family>> makeFamilies() {
  std::vector<std::unique_ptr<Family>> families;
  families.push_back(makeLifecycleFamily());
  return families;
}

}  // namespace vlscenario
