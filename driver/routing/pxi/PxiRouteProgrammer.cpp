#include "PxiRouteProgrammer.h"

namespace vlpxiroutingmatrix {

namespace {

constexpr const char kSource[] = "vlpxiroutingmatrix_regmap/includes/vlpxiroutingmatrix/PxiRouteProgrammer";

}  // namespace

void PxiRouteProgrammer::programRoute(uint32_t, uint32_t routeIndex, uint32_t routeValue,
                                      nVLAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if (host_ == nullptr) {
    status.setCode(codes::kNoHost, VL_SITE_AT(kSource, __LINE__));
    return;
  }
  host_->programRoute(routeIndex, routeValue, status);
}

}  // namespace vlpxiroutingmatrix
