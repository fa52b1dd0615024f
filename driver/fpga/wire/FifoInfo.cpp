#include "FifoInfo.h"

namespace vllym {

using nVLAPALS100::tStatus;

void FifoInfo::serialize(Serializer& out, tStatus& status) const {
  descriptor_.serialize(out, status);
  out.writeU32(descriptor_.fifoNumber, status);
  out.writeU32(descriptor_.controlOffset, status);
  out.writeU32(descriptor_.fifoWord, status);
  out.writeU8(descriptor_.dmaFlag, status);
  out.writeU32(descriptor_.secondOffset, status);
  out.writeU32(descriptor_.fifoWord2, status);
}

void FifoInfo::deserialize(Deserializer& in, tStatus& status) {
  descriptor_.deserialize(in, status);
  descriptor_.fifoNumber = in.readU32(status);
  descriptor_.controlOffset = in.readU32(status);
  descriptor_.fifoWord = in.readU32(status);
  descriptor_.dmaFlag = in.readU8(status);
  descriptor_.secondOffset = in.readU32(status);
  descriptor_.fifoWord2 = in.readU32(status);
}

bool FifoInfo::isValid() const {
  if (descriptor_.direction == kBothWays) {
    return descriptor_.controlOffset != kNoOffset && descriptor_.secondOffset != kNoOffset;
  }
  return descriptor_.controlOffset != kNoOffset;
}

}  // namespace vllym
