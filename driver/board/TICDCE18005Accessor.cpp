#include "TICDCE18005Accessor.h"

#include "BitFields.h"

namespace nVL9738K_24_0 {

TICDCE18005Accessor::TICDCE18005Accessor(WexelConfigPortAccessor::tBaseMap* baseMap,
                                         WexelConfigPortAccessor::tSPIMap* spiMap, const tBridgeWindowSpan& window,
                                         tStatus& status)
    : port_(baseMap, spiMap, kPort, 0, 0, window, 1, status) {
  port_.initialize(status);
}

uint32_t TICDCE18005Accessor::wireWord(uint32_t registerNumber, uint32_t value) {
  const uint32_t word = registerNumber == kRawRegister ? value : (value & ~uint32_t{0xF}) | (registerNumber & 0xF);
  // The port shifts least significant bit first; the chip wants its word
  // most significant bit first.
  return reverseField(word, 0, 31);
}

void TICDCE18005Accessor::writeRegister(uint32_t registerNumber, uint32_t value, tStatus& status) {
  if (status.isFatal()) return;
  port_.transfer(0, 0, wireWord(registerNumber, value), 32, status);
}

}  // namespace nVL9738K_24_0
