#include "ResourceDescriptor.h"

namespace vllym {

using nVLAPALS100::tStatus;

void Type::serialize(Serializer& out, tStatus& status) const {
  out.writeU8(kind, status);
  out.writeU32(word1, status);
  out.writeU32(word2, status);
  out.writeU8(byte, status);
  out.writeU32(word3, status);
}

void Type::deserialize(Deserializer& in, tStatus& status) {
  kind = in.readU8(status);
  word1 = in.readU32(status);
  word2 = in.readU32(status);
  byte = in.readU8(status);
  word3 = in.readU32(status);
}

void ResourceDescriptor::serialize(Serializer& out, tStatus& status) const {
  out.writeU8(resourceKind, status);
  out.writeU8(direction, status);
  type.serialize(out, status);
}

void ResourceDescriptor::deserialize(Deserializer& in, tStatus& status) {
  resourceKind = in.readU8(status);
  direction = in.readU8(status);
  type.deserialize(in, status);
  if (status.isNotFatal() && resourceKind != kResourceFifo) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
  }
}

}  // namespace vllym
