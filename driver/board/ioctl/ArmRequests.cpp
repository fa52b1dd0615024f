#include "ArmRequests.h"

#include "IoctlCollection.h"
#include "RequestTables.h"
#include "driver/board/status/BoardSites.h"

namespace nVL9738K_24_0::requests {

namespace {

void answer(int64_t code, tStatus& status) {
  if (code != 0) status.setCode(code, VL_SITE_AT(sites::kMainInterface, __LINE__));
}

}  // namespace

void ArmWrite::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void ArmRead::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void ArmFlushRegister::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void ArmRefreshRegister::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void ArmGetNumberOfRegistrations::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void ArmGetRegistrationNames::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void ArmFlushRegMap::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void ArmSet::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void ArmGet::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void ArmWriteEx::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void ArmReadEx::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void ArmSetEx::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void ArmGetEx::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void ArmFlushRegisterEx::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void ArmRefreshRegisterEx::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void ArmGetRegisterFormat::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void ArmGetSizeOfRegistrationList::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void ArmGetRegistrationList::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

namespace {

constexpr RequestEntry kEntries[] = {
    makeRequest<ArmWrite, 32, 4>(),
    makeRequest<ArmRead, 24, 8>(),
    makeRequest<ArmFlushRegister, 32, 4>(),
    makeRequest<ArmRefreshRegister, 24, 4>(),
    makeRequest<ArmGetNumberOfRegistrations, 4, 16>(),
    makeRequest<ArmGetRegistrationNames, 16, 4>(),
    makeRequest<ArmFlushRegMap, 24, 4>(),
    makeRequest<ArmSet, 32, 4>(),
    makeRequest<ArmGet, 24, 8>(),
    makeRequest<ArmWriteEx, 48, 4>(),
    makeRequest<ArmReadEx, 40, 16>(),
    makeRequest<ArmSetEx, 48, 4>(),
    makeRequest<ArmGetEx, 40, 16>(),
    makeRequest<ArmFlushRegisterEx, 40, 4>(),
    makeRequest<ArmRefreshRegisterEx, 40, 4>(),
    makeRequest<ArmGetRegisterFormat, 48, 8>(),
    makeRequest<ArmGetSizeOfRegistrationList, 4, 16>(),
    makeRequest<ArmGetRegistrationList, 16, 4>(),
};

}  // namespace

const RequestTable kArmRequests{kEntries, sizeof(kEntries) / sizeof(kEntries[0])};

}  // namespace nVL9738K_24_0::requests
