#include "InstructionTargetWithSubsystemRedirection.h"

#include "SnoopingSites.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"

namespace nVL9738K_24_0 {

void InstructionTargetWithSubsystemRedirection::flush(tStatus& status) {
  for (vlifw::InstructionTarget* target : table_) {
    if (target != nullptr) {
      status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE_AT(listmodek::snooping_sites::kDecorators, __LINE__));
      return;
    }
  }
  default_->flush(status);
}

}  // namespace nVL9738K_24_0
