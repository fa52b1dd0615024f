// Short asynchronous messages from the driver to a user-mode listener,
// sent over a kernel socket. Every message is 48 bytes: a notification
// carries up to 32 payload bytes, and closing tells the listener that no
// more will come.
#ifndef VL9738K_PLATFORM_TIONOTIFIER_H
#define VL9738K_PLATFORM_TIONOTIFIER_H

#include <stdint.h>

#include "../status/tStatus.h"
#include "DeviceTypes.h"

namespace nVLAPAL000 {

class tIONotifier {
 public:
  static constexpr uint32_t kMessageSize = 48;
  static constexpr uint32_t kMaxPayload = 32;
  static constexpr uint32_t kTypeNotification = 1;
  static constexpr uint32_t kTypeClosed = 2;

  tIONotifier();
  tIONotifier(const tIONotifier&) = delete;
  tIONotifier& operator=(const tIONotifier&) = delete;

  virtual void initialize(const tIONotifierParams& params, nVLAPALS100::tStatus& status);
  // Tells the listener the notifier is gone. The id stays for reference.
  virtual void close();
  virtual ~tIONotifier();
  virtual void notify(const void* payload, uint32_t length, nVLAPALS100::tStatus& status);

  bool isInitialized() const { return socketBuffer_ != 0; }
  uint64_t getId() const { return id_; }
  uint32_t getPort() const { return port_; }

 private:
  uint64_t id_;
  uint64_t socketBuffer_;
  uint32_t port_;
};

}  // namespace nVLAPAL000

#endif
