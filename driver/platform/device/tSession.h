// The base of every session: what one open of a device interface holds.
// The kernel layer hands it back as the context of every later call, and
// it leads to its device through the interface that created it.
#ifndef VL9738K_PLATFORM_TSESSION_H
#define VL9738K_PLATFORM_TSESSION_H

#include <stdint.h>

#include "../status/tStatus.h"
#include "../sync/tWaitQueue.h"
#include "tAsyncIO.h"

namespace nVLAPAL000 {

class tDevice;
class tDeviceInterface;

class tSession {
 public:
  tSession(tDeviceInterface* interface, nVLAPALS100::tStatus& status);
  virtual ~tSession();
  tSession(const tSession&) = delete;
  tSession& operator=(const tSession&) = delete;

  tDeviceInterface* getInterface() const { return interface_; }
  tDevice* getDevice() const;
  uint32_t getInFlightCount() const;
  bool isClosing() const { return closing_ != 0; }

 private:
  friend class tDeviceCore;

  tAsyncIOLink asyncList_;
  tDeviceInterface* interface_;
  uint32_t inFlight_;
  // Set whenever the session's count of admitted requests drops to 0.
  tEvent drainEvent_;
  uint8_t closing_;
};

}  // namespace nVLAPAL000

#endif
