#include "tVLCapabilities.h"

namespace nVLAPAL000 {

template class tVLCapabilityPCIAccessor<tWexel>;
template class tSerialNumber<tWexel>;
template class tGeographicAddress<tWexel>;
template class tDeviceSpecific<tWexel>;

}  // namespace nVLAPAL000
