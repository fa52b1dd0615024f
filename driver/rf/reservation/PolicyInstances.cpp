// The sharing policies the board builds from the library's templates.
#include "../settings/CrossSwitchSettings.h"
#include "../settings/PowerSettings.h"
#include "../settings/RefClockSettings.h"
#include "SharedReservationSingleSettingsDeployPolicy.h"
#include "SharedReservationSuggestedSettingsDeployPolicy.h"

namespace rfyulreserve_impl {

template class SharedReservationSuggestedSettingsDeployPolicy<vl9738settings::PowerSettings>;
template class SharedReservationSuggestedSettingsDeployPolicy<vl9738settings::CrossSwitchSettings>;
template class SharedReservationSingleSettingsDeployPolicy<vl9738settings::RefClockSettings>;

}  // namespace rfyulreserve_impl
