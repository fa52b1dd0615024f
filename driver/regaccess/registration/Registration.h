// What the dispatcher keeps for one registered map: whether the map states
// a version, its current and oldest compatible versions, and the recursive
// mutex that every map call made for user mode holds, so that other code
// holding the same mutex excludes those calls.
#ifndef VL9738K_REGACCESS_REGISTRATION_REGISTRATION_H
#define VL9738K_REGACCESS_REGISTRATION_REGISTRATION_H

#include <stdint.h>

#include "Version.h"
#include "driver/platform/status/tStatus.h"
#include "driver/platform/sync/tMutex.h"

namespace vlregitools {

class Registration {
 public:
  using tStatus = nVLAPALS100::tStatus;

  // A map with an empty version text states no version at all. A version
  // text that does not parse, or a mutex that cannot be created, leaves its
  // code in the status.
  Registration(const char* version, const char* oldestCompatibleVersion, tStatus& status);
  virtual ~Registration() {}
  Registration(const Registration&) = delete;
  Registration& operator=(const Registration&) = delete;

  virtual bool getSupportsVersioning() const { return supportsVersioning_ != 0; }
  virtual Version getVersion() const { return version_; }
  virtual Version getOldestCompatibleVersion() const { return oldestCompatibleVersion_; }
  // Whether a client built against `client` may use the map: refusals are
  // errors; a client newer than the map is only warned, since a newer
  // description still names the registers this map has.
  virtual void checkVersion(const Version& client, tStatus& status) const;

  nVLAPAL000::tMutex& getMutex() { return mutex_; }

 private:
  uint8_t supportsVersioning_;
  Version version_;
  Version oldestCompatibleVersion_;
  nVLAPAL000::tMutex mutex_;
};

// The registration of one map, which it names but does not own.
template <typename TMap>
class RegistrationWrapper : public Registration {
 public:
  RegistrationWrapper(TMap& map, tStatus& status)
      : Registration(map.getVersion(), map.getOldestCompatibleVersion(), status), map_(&map) {}

  TMap* getMap() const { return map_; }

 private:
  TMap* map_;
};

}  // namespace vlregitools

#endif
