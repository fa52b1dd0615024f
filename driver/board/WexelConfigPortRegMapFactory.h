// Builds and keeps the register maps of the bridge's configuration port:
// one base map over the whole block, and per serial port the map of the
// mode the board strapped it to (SPI or parallel), each over the port's own
// 16-byte window. A port's map is made on first use and then kept.
#ifndef VL9738K_BOARD_WEXELCONFIGPORTREGMAPFACTORY_H
#define VL9738K_BOARD_WEXELCONFIGPORTREGMAPFACTORY_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"
#include "driver/regaccess/IoAccessorMappedPci.h"
#include "driver/regmaps/bridge/tOstervaneWexelCoreRegMap.h"
#include "driver/regmaps/bridge/tWexelConfigPortBaseRegMap.h"
#include "driver/regmaps/bridge/tWexelConfigPortParallelRegMap.h"
#include "driver/regmaps/bridge/tWexelConfigPortSPIRegMap.h"

namespace nVL9738K_24_0 {

class WexelConfigPortRegMapFactory {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tCoreMap = nKMR4::tOstervaneWexelCoreRegMap;
  using tBaseMap = nKMR4::tWexelConfigPortBaseRegMap;
  using tSPIMap = nKMR4::tWexelConfigPortSPIRegMap;
  using tParallelMap = nKMR4::tWexelConfigPortParallelRegMap;

  // The block has room for eight ports' pin functions.
  static constexpr uint32_t kMaxPorts = 8;
  static constexpr uint32_t kPortWindows = 0x580;
  static constexpr uint32_t kPortWindowSize = 0x10;
  // Pin functions, four bits per port in the base map's register 0x514.
  static constexpr uint8_t kPinFunctionSPI = 4;
  static constexpr uint8_t kPinFunctionParallel = 0;

  WexelConfigPortRegMapFactory();
  virtual ~WexelConfigPortRegMapFactory();
  WexelConfigPortRegMapFactory(const WexelConfigPortRegMapFactory&) = delete;
  WexelConfigPortRegMapFactory& operator=(const WexelConfigPortRegMapFactory&) = delete;

  // Once only; reads the port count from the core map's register 0x18.
  void initialize(vllym::IoAccessorMappedPci& boardAccessor, tCoreMap& coreMap, tStatus& status);

  tBaseMap* getBaseRegMap(tStatus& status);
  tSPIMap* getSPIRegMap(uint32_t port, tStatus& status);
  tParallelMap* getParallelRegMap(uint32_t port, tStatus& status);

  uint32_t getPortCount() const { return portCount_; }

 private:
  // Checks that the port exists and is strapped to `pinFunction`.
  bool portServes(uint32_t port, uint8_t pinFunction, tStatus& status);
  vllym::IoAccessorMappedPci* newPortAccessor(uint32_t port, tStatus& status);
  void release();

  tCoreMap* coreMap_;
  tBaseMap* baseMap_;
  vllym::IoAccessorMappedPci* spiAccessors_[kMaxPorts];
  tSPIMap* spiMaps_[kMaxPorts];
  vllym::IoAccessorMappedPci* parallelAccessors_[kMaxPorts];
  tParallelMap* parallelMaps_[kMaxPorts];
  uint64_t busAddress_;
  uint64_t kernelAddress_;
  uint8_t flag_;
  uint32_t portCount_;
};

}  // namespace nVL9738K_24_0

#endif
