// Client ids come from the composite idle tracker, which other drivers
// share: the tracker chooses the value, and this manager only remembers
// each id's descriptor. Attaching to an existing id adds a holder in the
// tracker; releasing drops one.
#ifndef VL9738K_RF_RESERVATION_EXTERNAL_TOKEN_MANAGER_H
#define VL9738K_RF_RESERVATION_EXTERNAL_TOKEN_MANAGER_H

#include <stdint.h>

#include "OneWayTokenStore.h"
#include "ReservationTypes.h"

namespace rfyulreserve_impl {

template <typename tToken>
class ExternalTokenManager;

template <>
class ExternalTokenManager<rfyulreserve::ReservationClientID>
    : public OneWayTokenStore<rfyulreserve::ReservationClientID> {
  using Token = rfyulreserve::ReservationClientID;

 public:
  // The fourth code names nothing this manager raises.
  ExternalTokenManager(int32_t bufferTooSmallCode, int32_t notFoundCode, int32_t thirdCode, int32_t fourthCode)
      : OneWayTokenStore(sites::kExternalTokenManager, bufferTooSmallCode, notFoundCode, thirdCode, fourthCode) {}

  Token createToken(const char* descriptor, nVLAPALS100::tStatus& status) override;
  void attachToken(const char* descriptor, Token token, nVLAPALS100::tStatus& status) override;
  void releaseToken(Token token, nVLAPALS100::tStatus& status) override;
};

}  // namespace rfyulreserve_impl

#endif
