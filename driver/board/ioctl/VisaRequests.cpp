#include "VisaRequests.h"

#include "IoctlCollection.h"
#include "RequestTables.h"
#include "driver/board/status/BoardSites.h"

namespace nVL9738K_24_0::requests {

namespace {

void answer(int64_t code, tStatus& status) {
  if (code != 0) status.setCode(code, VL_SITE_AT(sites::kMainInterface, __LINE__));
}

}  // namespace

void VisaInitialize::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void VisaGetSpaceInfo::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void VisaReadBlock::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void VisaWriteBlock::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void VisaFinalize::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

namespace {

constexpr RequestEntry kEntries[] = {
    makeRequest<VisaInitialize, 4, 4>(),  makeRequest<VisaGetSpaceInfo, 8, 32>(), makeRequest<VisaReadBlock, 48, 4>(),
    makeRequest<VisaWriteBlock, 48, 4>(), makeRequest<VisaFinalize, 4, 4>(),
};

}  // namespace

const RequestTable kVisaRequests{kEntries, sizeof(kEntries) / sizeof(kEntries[0])};

}  // namespace nVL9738K_24_0::requests
