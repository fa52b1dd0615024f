#include "AutoRouteProgrammerTransaction.h"

#include "RoutingStatusCodes.h"

namespace vlark {

using nVLAPALS100::tStatus;

AutoRouteProgrammerTransaction::AutoRouteProgrammerTransaction(const TopographyDescriptor* descriptor,
                                                               RouteProgrammerInterface* programmer)
    : descriptor_(descriptor), programmer_(programmer), begun_(false) {}

AutoRouteProgrammerTransaction::~AutoRouteProgrammerTransaction() {
  tStatus ignored;
  end(ignored);
}

void AutoRouteProgrammerTransaction::writeEdge(const Edge& edge, tStatus& status) {
  if (status.isFatal()) return;
  const uint32_t selector = descriptor_->terminals[edge.target].programmerSelector;
  for (uint32_t i = 0; i < edge.programmingItemCount; ++i) {
    tStatus local;
    writeItem(selector, descriptor_->programmingItems[edge.firstProgrammingItem + i], local);
    status.merge(local);
  }
}

void AutoRouteProgrammerTransaction::writeItem(uint32_t selector, const ProgrammingItem& item, tStatus& status) {
  if (programmer_ == nullptr) {
    // Without hardware behind it a route can be calculated, never written.
    status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE_AT(sites::kTopography, __LINE__));
    return;
  }
  if (!begun_) {
    programmer_->beginTransaction(selector, item.word0, item.word1, status);
    if (status.isFatal()) return;
    begun_ = true;
  }
  programmer_->programRoute(selector, item.word0, item.word1, status);
}

void AutoRouteProgrammerTransaction::end(tStatus& status) {
  if (!begun_) return;
  begun_ = false;
  tStatus local;
  programmer_->endTransaction(local);
  status.merge(local);
}

}  // namespace vlark
