#include "Family.h"

namespace vlscenario {

std::unique_ptr<Family> makeLifecycleFamily();
std::unique_ptr<Family> makeSettingsFamily();
std::unique_ptr<Family> makeFpgaFamily();
std::unique_ptr<Family> makeListModeFamily();
std::unique_ptr<Family> makeFlashFamily();
std::unique_ptr<Family> makeRoutingFamily();
std::unique_ptr<Family> makeHardwareFaultsFamily();
std::unique_ptr<Family> makeWaiterFamily();

std::vector<std::unique_ptr<Family>> makeFamilies() {
  std::vector<std::unique_ptr<Family>> families;
  families.push_back(makeLifecycleFamily());
  // Resets the board after its faults: before the families that check the
  // step's board state.
  families.push_back(makeHardwareFaultsFamily());
  // Resets the design after an abort of the waits: before the FPGA family.
  families.push_back(makeWaiterFamily());
  families.push_back(makeSettingsFamily());
  families.push_back(makeFpgaFamily());
  families.push_back(makeListModeFamily());
  families.push_back(makeFlashFamily());
  families.push_back(makeRoutingFamily());
  return families;
}

}  // namespace vlscenario
