#include "Family.h"

namespace vlscenario {

std::unique_ptr<Family> makeLifecycleFamily();
std::unique_ptr<Family> makeHardwareFaultsFamily();

std::vector<std::unique_ptr<Family>> makeFamilies() {
  std::vector<std::unique_ptr<Family>> families;
  families.push_back(makeLifecycleFamily());
  families.push_back(makeHardwareFaultsFamily());
  return families;
}

}  // namespace vlscenario
