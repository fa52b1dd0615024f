// The peer-to-peer endpoint manager of a board without peer-to-peer
// sinks: nothing to create, stop or re-enable, and no sink to link.
#ifndef VL9738K_FPGA_P2PENDPOINTMANAGERNOP2P_H
#define VL9738K_FPGA_P2PENDPOINTMANAGERNOP2P_H

#include <stdint.h>

#include "FlashDownloadManagerNoFlash.h"
#include "driver/fpga/wire/FifoInfo.h"
#include "driver/platform/containers/Vector.h"
#include "driver/platform/device/DeviceTypes.h"
#include "driver/platform/device/tUserMemoryMap.h"

namespace vllym {

class P2PEndpointManagerNoP2P {
 public:
  using tStatus = nVLAPALS100::tStatus;

  virtual ~P2PEndpointManagerNoP2P() {}
  virtual void createP2PEndpoints(const vlhtl::Vector<FifoInfo>&, tStatus&) {}
  virtual uint32_t getEndpointId(uint32_t, tStatus&) { return 0; }
  virtual void destroyAllP2PFifos() {}
  virtual void stopAllP2PFifos(tStatus&) {}
  virtual void reenableAllP2PFifos(tStatus&) {}
  virtual void disableAllP2PFifos(tStatus&) {}
  virtual void linkSinkWithUserMode(nVLAPAL000::tEventDescriptor&, nVLAPAL000::tUserMemoryMap&, uint32_t,
                                    tStatus& status) {
    status.setCode(kStatusNotProvidedOnBoard, VL_SITE);
  }
  virtual void unlinkSinkWithUserMode(nVLAPAL000::tEventDescriptor&, nVLAPAL000::tUserMemoryMap&, uint32_t) {}
};

}  // namespace vllym

#endif
