// The raw window words of the PCI information block: for each of the six
// BAR registers, its value and its size mask in the PCI encoding (the
// value the register reads after all ones were written to it). The plug-in
// dispatcher decodes its address spaces from them.
//
// The value is read from configuration space as it stands; the mask is
// derived from the window size the kernel layer assigned rather than by
// sizing the BAR, which would briefly move a live window. A 64-bit BAR's
// upper register carries the upper halves of both.
#ifndef VL9738K_BOARD_VISA_PCIWINDOWWORDS_H
#define VL9738K_BOARD_VISA_PCIWINDOWWORDS_H

#include "driver/platform/pci/tPCIInformation.h"
#include "driver/platform/status/tStatus.h"
#include "driver/platform/zuk/ZukPci.h"

namespace nVL9738K_24_0 {

void recordPciWindowWords(const nVLZUK_tPCIDeviceDescription& description, nVLAPAL000::tPCIInformation& information,
                          nVLAPALS100::tStatus& status);

}  // namespace nVL9738K_24_0

#endif
