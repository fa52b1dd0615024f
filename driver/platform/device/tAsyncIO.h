// A pending asynchronous operation of a session. It stays linked into its
// device's list and its session's list while pending, holding one admitted
// request of the device, so that stopping the device or closing the
// session can withdraw it.
#ifndef VL9738K_PLATFORM_TASYNCIO_H
#define VL9738K_PLATFORM_TASYNCIO_H

#include <stdint.h>

#include "../status/tStatus.h"

namespace nVLAPAL000 {

class tAsyncIO;
class tDeviceCore;
class tSession;

// One link of an intrusive, circular, doubly linked list. A list's head is
// a link whose owner is null.
struct tAsyncIOLink {
  tAsyncIOLink* next;
  tAsyncIOLink* previous;
  tAsyncIO* owner;

  explicit tAsyncIOLink(tAsyncIO* linkOwner = nullptr) : next(this), previous(this), owner(linkOwner) {}
  tAsyncIOLink(const tAsyncIOLink&) = delete;
  tAsyncIOLink& operator=(const tAsyncIOLink&) = delete;

  bool isLinked() const { return next != this; }
  void insertBefore(tAsyncIOLink& position);
  void unlink();
};

class tAsyncIO {
 public:
  tAsyncIO(tDeviceCore* device, tSession* session);
  virtual ~tAsyncIO();
  tAsyncIO(const tAsyncIO&) = delete;
  tAsyncIO& operator=(const tAsyncIO&) = delete;

  virtual void startCallback() {}
  // `result` is null when the operation was cancelled.
  virtual void completeCallback(void* result) { (void)result; }
  // Asks the operation to stop; true when it may be completed as cancelled now.
  virtual bool cancel() { return true; }

  tDeviceCore* getDevice() const { return device_; }
  tSession* getSession() const { return session_; }
  bool isPending() const { return pending_ != 0; }
  bool isCancelled() const { return cancelled_ != 0; }
  // An operation that must run to its end is never cancelled.
  void setCancelExempt(bool exempt) { cancelExempt_ = exempt ? 1 : 0; }
  nVLAPALS100::tStatus& getStatus() { return status_; }

 private:
  friend class tDeviceCore;

  tAsyncIOLink deviceLink_;
  tAsyncIOLink sessionLink_;
  nVLAPALS100::tStatus status_;
  tDeviceCore* device_;
  tSession* session_;
  uint32_t pending_;
  uint8_t cancelled_;
  uint8_t cancelExempt_;
};

}  // namespace nVLAPAL000

#endif
