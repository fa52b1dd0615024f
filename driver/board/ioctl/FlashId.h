// The flash-device identifier the platform requests carry: the flash
// store's own record, so that it reaches the flash partition manager as
// user mode sent it. The manager interprets it; the other requests pass it
// along.
#ifndef VL9738K_BOARD_IOCTL_FLASHID_H
#define VL9738K_BOARD_IOCTL_FLASHID_H

#include "driver/flash/FlashId.h"

namespace nVL9738K_24_0::rfplatki {

using FlashId = ::rfplatki::FlashId;

}  // namespace nVL9738K_24_0::rfplatki

#endif
