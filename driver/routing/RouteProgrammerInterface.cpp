#include "RouteProgrammerInterface.h"

#include "RoutingStatusCodes.h"

namespace vlark {

namespace {

void notSupported(nVLAPALS100::tStatus& status, uint64_t line) {
  if (status.isFatal()) return;
  status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE_AT(sites::kTopography, line));
}

}  // namespace

void RouteProgrammerInterface::beginTransaction(uint32_t, uint32_t, uint32_t, nVLAPALS100::tStatus& status) {
  notSupported(status, __LINE__);
}

void RouteProgrammerInterface::programRoute(uint32_t, uint32_t, uint32_t, nVLAPALS100::tStatus& status) {
  notSupported(status, __LINE__);
}

void RouteProgrammerInterface::endTransaction(nVLAPALS100::tStatus& status) { notSupported(status, __LINE__); }

}  // namespace vlark
