#include "iSettlingControl.h"

namespace cbak {

using nVLAPALS100::tStatus;

namespace {

void reportNotSupported(tStatus& status) {
  if (status.isNotFatal()) status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE);
}

}  // namespace

void iSettlingControl::writeSettlingTime(uint32_t, tStatus& status) { reportNotSupported(status); }

bool iSettlingControl::isSettled(tStatus& status) {
  reportNotSupported(status);
  return false;
}

bool iSettlingControl::handlesWaits() { return false; }

void iSettlingControl::takeOverWait(uint32_t, int64_t, const SettlingGate&, tStatus& status) {
  reportNotSupported(status);
}

}  // namespace cbak
