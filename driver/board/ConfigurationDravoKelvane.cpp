#include "ConfigurationDravoKelvane.h"

namespace nVL9738K_24_0 {

void ConfigurationDravoKelvane::enableIoPort2(tStatus& status) {
  if (status.isFatal()) return;
  writeConfig(kIoPort2, kPortSetup8, kPortSetupValue8, status);
  writeConfig(kIoPort2, kPortSetup12, kPortSetupValue12, status);
  ConfigurationKmr4::enableIoPort2(0, true, true, 3, status);
}

}  // namespace nVL9738K_24_0
