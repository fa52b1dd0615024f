// The device-wide side of the FPGA-session interface: the operations that
// admit themselves on the device before they reach the session of the
// request (validity, the download of a bitfile from user memory, the flash
// operations), and the attribute-1 word the interface serves itself.
//
// Each operation runs the session's handler whether or not the device
// admitted the request, so that a stale session answers its own code even
// while the device is stopped; only an admitted request is let out again.
#ifndef VL9738K_FPGASESSION_ATOMICLYMINTERFACE_H
#define VL9738K_FPGASESSION_ATOMICLYMINTERFACE_H

#include <stdint.h>

#include "driver/fpga/UserPageLock.h"
#include "driver/platform/device/DeviceTypes.h"
#include "driver/platform/device/tDeviceCore.h"
#include "driver/platform/device/tUserBuffer.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/sync/tWaitQueue.h"
#include "driver/platform/zuk/ZukDMA.h"

namespace vllym {

template <typename tLymSession>
class AtomicLymInterface {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tDescriptor = nVLAPAL000::tEventDescriptor;

  explicit AtomicLymInterface(nVLAPAL000::tDeviceCore* device)
      : device_(device), attribute1_(0xFFFFFFFF), reserved_(0xFFFFFFFFFFFFFFFF) {}
  virtual ~AtomicLymInterface() {}
  AtomicLymInterface(const AtomicLymInterface&) = delete;
  AtomicLymInterface& operator=(const AtomicLymInterface&) = delete;

  virtual bool vllym_isSessionValid(tDescriptor& descriptor, tStatus& status) {
    bool valid = false;
    run(descriptor, status, [&](auto& session) { valid = session.isSessionValid(status); });
    return valid;
  }

  // Address and size must both be given: a bitfile of no bytes would stop
  // every FIFO and abort the personality before the download failed.
  virtual void vllym_downloadToFpga(tDescriptor& descriptor, void* bitfile, uint32_t size, tStatus& status) {
    run(descriptor, status, [&](auto& session) {
      if (bitfile == nullptr || size == 0) status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
      nVLAPAL000::tPageList pages{0, 0, 0};
      lockUserPages(reinterpret_cast<uint64_t>(bitfile), size, kPageListBitfile, pages, status);
      session.downloadToFpga(pages, status);
      if (pages.handle != 0) nVLZUK220_tPageList_destroy(pages.handle);
    });
  }

  virtual void vllym_downloadToFlash(tDescriptor& descriptor, void* image, uint32_t size, tStatus& status) {
    run(descriptor, status, [&](auto& session) {
      if ((image == nullptr) != (size == 0)) status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
      // The image is as large as the caller says: it is copied in only once
      // the session and the board would take it.
      if (status.isNotFatal() && !session.acceptsFlashDownload(status)) return;
      uint8_t* copy = nullptr;
      if (size != 0 && status.isNotFatal()) {
        copy = static_cast<uint8_t*>(nVLAPAL000::operatorNewWithStatus(size, status, nVLAPAL000::kAllocationKindPlain));
        if (copy != nullptr) {
          __builtin_memset(copy, 0, size);
          nVLAPAL000::tUserBuffer(descriptor, image, size, status).readFromBuffer(0, copy, size, status);
        }
      }
      session.downloadToFlash(copy, copy == nullptr ? 0 : size, status);
      nVLAPAL000::operatorDelete(copy);
    });
  }

  virtual void vllym_setFlashAutoloadMode(tDescriptor& descriptor, uint32_t mode, tStatus& status) {
    run(descriptor, status, [&](auto& session) { session.setFlashAutoloadMode(mode, status); });
  }

  virtual uint32_t vllym_getFlashAutoloadMode(tDescriptor& descriptor, tStatus& status) {
    uint32_t mode = 0xFFFFFFFF;
    run(descriptor, status, [&](auto& session) { mode = session.getFlashAutoloadMode(status); });
    return mode;
  }

  virtual void vllym_clearFlash(tDescriptor& descriptor, tStatus& status) {
    run(descriptor, status, [&](auto& session) { session.clearFlash(status); });
  }

  uint32_t getAttribute1() const { return __atomic_load_n(&attribute1_, __ATOMIC_SEQ_CST); }
  void setAttribute1(uint32_t value) { __atomic_store_n(&attribute1_, value, __ATOMIC_SEQ_CST); }

 private:
  // The request's session is one of this interface's: the platform hands
  // the interface only the descriptors of its own opens.
  template <typename tWork>
  void run(tDescriptor& descriptor, tStatus& status, tWork work) {
    if (descriptor.session == nullptr) {
      status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
      return;
    }
    const bool admitted = device_->beginIO(descriptor.session, status, nVLAPAL000::kWaitForever);
    work(static_cast<tLymSession*>(descriptor.session)->getKernelSession());
    if (admitted) device_->endIO(descriptor.session);
  }

  nVLAPAL000::tDeviceCore* device_;
  uint32_t attribute1_;
  uint64_t reserved_;
};

}  // namespace vllym

#endif
