// How recorders of register traffic append list instructions instead of
// touching the hardware: writes, waits on bits and fields, delays, and
// reads that can only be answered by a wait announced beforehand.
#ifndef VL9738K_LISTMODE_ILISTINSTRUCTIONINSERTER_H
#define VL9738K_LISTMODE_ILISTINSTRUCTIONINSERTER_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"

namespace listmodek {

class iListInstructionInserter {
 public:
  using tStatus = nVLAPALS100::tStatus;

  virtual ~iListInstructionInserter() {}
  virtual void emitWrite(uint8_t subsystem, uint32_t address, uint64_t value, tStatus& status) = 0;
  // The value the recorded code is to see for a register it reads.
  virtual uint64_t readDuringCompile(uint8_t subsystem, uint64_t address, tStatus& status) = 0;
  virtual void emitWaitForBit(uint8_t subsystem, uint32_t address, uint32_t timeout, uint64_t mask, uint64_t expected,
                              uint32_t flag, tStatus& status) = 0;
  virtual void emitDelay(uint32_t time, tStatus& status) = 0;
  virtual void emitWaitForField(uint8_t subsystem, uint32_t address, uint64_t mask, uint64_t expected,
                                uint32_t checkIndex, uint32_t flag, tStatus& status) = 0;
  // Until cleared, every read becomes a wait for this bit and answers `result`.
  virtual void announceBitWaitRead(uint32_t timeout, uint64_t mask, uint64_t expected, int32_t flag, uint64_t result,
                                   tStatus& status) = 0;
  virtual void clearBitWaitRead() = 0;
  virtual void announceFieldWaitRead(uint64_t mask, uint64_t expected, int32_t checkIndex, int32_t flag,
                                     uint64_t result, tStatus& status) = 0;
  virtual void clearFieldWaitRead() = 0;
};

}  // namespace listmodek

#endif
