// The interfaces of the token managers. A two-way manager makes its own
// tokens and finds them by descriptor too; a one-way manager finds only
// descriptors by token. The lookup interfaces are the read-only halves a
// manager hands to clients.
#ifndef VL9738K_RF_RESERVATION_ITOKEN_MANAGER_H
#define VL9738K_RF_RESERVATION_ITOKEN_MANAGER_H

#include <stdint.h>

#include "../../platform/containers/BasicString.h"
#include "../../platform/status/tStatus.h"

namespace rfyulreserve_impl {

template <typename tToken>
class iTokenDescriptorLookup {
 public:
  virtual ~iTokenDescriptorLookup() = default;
  // A descriptor longer than `maxLength` characters is refused; one of
  // exactly that length fits.
  virtual void findTokenDescriptor(tToken token, uint64_t maxLength, vlhtl::String& out,
                                   nVLAPALS100::tStatus& status) const = 0;
};

template <typename tToken>
class iTokenLookup {
 public:
  virtual ~iTokenLookup() = default;
  virtual void findTokenDescriptor(tToken token, uint64_t maxLength, vlhtl::String& out,
                                   nVLAPALS100::tStatus& status) const = 0;
  virtual tToken findToken(const vlhtl::String& descriptor, nVLAPALS100::tStatus& status) const = 0;
};

template <typename tToken>
class iTwoWayTokenManager {
 public:
  virtual ~iTwoWayTokenManager() = default;
  virtual tToken createToken(const char* descriptor, nVLAPALS100::tStatus& status) = 0;
  virtual void attachToken(const char* descriptor, tToken token, nVLAPALS100::tStatus& status) = 0;
  virtual void releaseToken(tToken token, nVLAPALS100::tStatus& status) = 0;
  virtual void releaseToken(const char* descriptor, nVLAPALS100::tStatus& status) = 0;
  virtual void findTokenDescriptor(tToken token, uint64_t maxLength, vlhtl::String& out,
                                   nVLAPALS100::tStatus& status) const = 0;
  virtual tToken findToken(const vlhtl::String& descriptor, nVLAPALS100::tStatus& status) const = 0;
};

template <typename tToken>
class iOneWayTokenManager {
 public:
  virtual ~iOneWayTokenManager() = default;
  virtual tToken createToken(const char* descriptor, nVLAPALS100::tStatus& status) = 0;
  virtual void attachToken(const char* descriptor, tToken token, nVLAPALS100::tStatus& status) = 0;
  virtual void releaseToken(tToken token, nVLAPALS100::tStatus& status) = 0;
  virtual void findTokenDescriptor(tToken token, uint64_t maxLength, vlhtl::String& out,
                                   nVLAPALS100::tStatus& status) const = 0;
};

}  // namespace rfyulreserve_impl

#endif
