// How the routing library sees a user buffer of the platform layer: the
// library is written against a buffer type of its own choosing, and this
// adapter gives it the platform's. Every access is a copy through the
// kernel layer; a failed copy carries the platform's translated status.
#ifndef VL9738K_ROUTING_APAL_USER_BUFFER_WRAPPER_H
#define VL9738K_ROUTING_APAL_USER_BUFFER_WRAPPER_H

#include <stdint.h>

#include "../platform/device/tUserBuffer.h"

namespace vlark {

class APALUserBufferWrapper {
 public:
  explicit APALUserBufferWrapper(nVLAPAL000::tUserBuffer* buffer) : buffer_(buffer) {}
  virtual ~APALUserBufferWrapper() = default;

  virtual void readFromBuffer(uint64_t offset, void* destination, uint64_t size, nVLAPALS100::tStatus& status) const {
    buffer_->readFromBuffer(offset, destination, size, status);
  }
  virtual void writeToBuffer(uint64_t offset, const void* source, uint64_t size, nVLAPALS100::tStatus& status) const {
    buffer_->writeToBuffer(offset, source, size, status);
  }
  virtual uint64_t getSize() const { return buffer_->getSize(); }
  nVLAPAL000::tUserBuffer* getBuffer() const { return buffer_; }

 private:
  nVLAPAL000::tUserBuffer* buffer_;
};

}  // namespace vlark

#endif
