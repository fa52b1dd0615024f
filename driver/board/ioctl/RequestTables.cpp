#include "RequestTables.h"

namespace nVL9738K_24_0 {

const RequestTable* const kRequestTables[kRequestFamilyCount] = {
    &requests::kPlatformRequests, &requests::kFlashRequests,       &requests::kArmRequests,
    &requests::kListModeRequests, &requests::kReservationRequests, &requests::kRoutingRequests,
    &requests::kSettingsRequests, &requests::kVisaRequests,
};

}  // namespace nVL9738K_24_0
