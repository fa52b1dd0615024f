// Shifts words out of one SPI port of the bridge's configuration port: the
// port's timing is programmed once; each transfer sets the bit count,
// writes the word into the bridge's data window (which starts the shift)
// and waits, bounded by the shift's own duration, until the port is idle.
#ifndef VL9738K_BOARD_WEXELCONFIGPORTACCESSOR_H
#define VL9738K_BOARD_WEXELCONFIGPORTACCESSOR_H

#include <stdint.h>

#include "BridgeWindowSpan.h"
#include "driver/platform/status/tStatus.h"
#include "driver/regaccess/IoAccessorMappedPci.h"
#include "driver/regmaps/bridge/tWexelConfigPortBaseRegMap.h"
#include "driver/regmaps/bridge/tWexelConfigPortSPIRegMap.h"

namespace nVL9738K_24_0 {

class WexelConfigPortAccessor {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tBaseMap = nKMR4::tWexelConfigPortBaseRegMap;
  using tSPIMap = nKMR4::tWexelConfigPortSPIRegMap;

  static constexpr uint32_t kMaxBits = 32;
  static constexpr uint64_t kBusySlackUs = 30;

  // The owner runs initialize() afterwards.
  WexelConfigPortAccessor(tBaseMap* baseMap, tSPIMap* spiMap, uint32_t port, uint32_t clockSelect, uint8_t bit15,
                          const tBridgeWindowSpan& window, uint8_t bit14, tStatus& status);
  virtual ~WexelConfigPortAccessor() {}

  // Claims the port for SPI and programs its timing.
  void initialize(tStatus& status);
  // Sends the low `bitCount` bits of `data` (at most 32) through the data
  // window at `windowOffset`.
  virtual void transfer(uint32_t windowOffset, uint32_t secondCount, uint32_t data, uint32_t bitCount, tStatus& status);

  // How long a shift of `bits` bits takes, in microseconds.
  uint64_t transferTimeUs(uint32_t bits) const { return ((bits + 10) * timePerBitNs_ + overheadNs_) / 1000; }
  uint64_t getOverheadNs() const { return overheadNs_; }
  uint64_t getTimePerBitNs() const { return timePerBitNs_; }

 private:
  void waitWhileBusy(uint64_t timeoutUs, tStatus& status);

  tBaseMap* baseMap_;
  tSPIMap* spiMap_;
  vllym::IoAccessorMappedPci dataWindow_;
  uint32_t clockSelect_;
  uint8_t bit15_;
  uint8_t bit14_;
  uint64_t overheadNs_;
  uint64_t timePerBitNs_;
  uint32_t port_;
};

}  // namespace nVL9738K_24_0

#endif
