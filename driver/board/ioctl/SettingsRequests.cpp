#include "SettingsRequests.h"

#include "IoctlCollection.h"
#include "RequestTables.h"
#include "driver/board/status/BoardSites.h"

namespace nVL9738K_24_0::requests {

namespace {

void answer(int64_t code, tStatus& status) {
  if (code != 0) status.setCode(code, VL_SITE_AT(sites::kMainInterface, __LINE__));
}

}  // namespace

void SettingsDeploy::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void SettingsSendMessage::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void CycleFrequency::handle(RequestContext& context, const In&, Out&, tStatus& status) {
  context.collection().cycleFrequency(status);
}

namespace {

constexpr RequestEntry kEntries[] = {
    makeRequest<SettingsDeploy, 16, 4>(),
    makeRequest<SettingsSendMessage, 48, 4>(),
    makeRequest<CycleFrequency, 4, 4>(),
};

}  // namespace

const RequestTable kSettingsRequests{kEntries, sizeof(kEntries) / sizeof(kEntries[0])};

}  // namespace nVL9738K_24_0::requests
