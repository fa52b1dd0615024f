#include "CommonRegisterSet.h"

namespace vllym {

using nVLAPALS100::tStatus;

void CommonRegisterSet::serialize(Serializer& out, tStatus& status) const {
  out.writeU32(controlRegister, status);
  out.writeU32(resetRegister, status);
  out.writeU32(irqBase, status);
  out.writeU32(signatureRegister, status);
  out.writeU32(hostMemoryBufferBlock, status);
}

void CommonRegisterSet::deserialize(Deserializer& in, tStatus& status) {
  controlRegister = in.readU32(status);
  resetRegister = in.readU32(status);
  irqBase = in.readU32(status);
  signatureRegister = in.readU32(status);
  hostMemoryBufferBlock = in.readU32(status);
}

}  // namespace vllym
