// The capability readers as the device uses them: over the bridge's BAR 0
// accessor.
#ifndef VL9738K_PLATFORM_PCI_TVLCAPABILITIES_H
#define VL9738K_PLATFORM_PCI_TVLCAPABILITIES_H

#include "tDeviceSpecific.h"
#include "tGeographicAddress.h"
#include "tVLCapability.h"
#include "tVLCapabilityPCIAccessor.h"
#include "tVLCapabilityWexelAccessor.h"

namespace nVLAPAL000 {

using tWexel = tVLCapabilityWexelAccessor;

extern template class tVLCapabilityPCIAccessor<tWexel>;
extern template class tSerialNumber<tWexel>;
extern template class tGeographicAddress<tWexel>;
extern template class tDeviceSpecific<tWexel>;

}  // namespace nVLAPAL000

#endif
