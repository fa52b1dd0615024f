// Every request family of the main interface, one table each.
#ifndef VL9738K_BOARD_IOCTL_REQUESTTABLES_H
#define VL9738K_BOARD_IOCTL_REQUESTTABLES_H

#include "RequestFrame.h"

namespace nVL9738K_24_0 {

namespace requests {
extern const RequestTable kPlatformRequests;
extern const RequestTable kFlashRequests;
extern const RequestTable kArmRequests;
extern const RequestTable kListModeRequests;
extern const RequestTable kReservationRequests;
extern const RequestTable kRoutingRequests;
extern const RequestTable kSettingsRequests;
extern const RequestTable kVisaRequests;
}  // namespace requests

inline constexpr uint32_t kRequestFamilyCount = 8;
extern const RequestTable* const kRequestTables[kRequestFamilyCount];

}  // namespace nVL9738K_24_0

#endif
