#include "SharedRegisters.h"

namespace qrtifwprim {

SharedRegisters::SharedRegisters(vlifw::InstructionTarget* target, const vlifw::ContextInterface* context,
                                 tStatus& status)
    : target_(target, context, true), map_(&target_, 0, 0, 0xFFFFFFFF) {
  if (status.isFatal()) return;
  context->checkVersion(kVersion, kOldestCompatibleVersion, true, nullptr, nullptr, status);
}

void SharedRegisters::pulseSharedStrobe(tStatus& status) {
  map_.Command6.writeBit0(true, status, true);
  map_.Command6.writeBit0(false, status, true);
}

}  // namespace qrtifwprim
