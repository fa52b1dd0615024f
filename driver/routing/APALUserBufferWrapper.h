// How the routing library sees a user buffer of the platform layer: the
// library is written against a buffer type of its own choosing, and this
// adapter gives it the platform's.
#ifndef VL9738K_ROUTING_APAL_USER_BUFFER_WRAPPER_H
#define VL9738K_ROUTING_APAL_USER_BUFFER_WRAPPER_H

#include <stdint.h>

#include "../platform/device/tUserBuffer.h"

namespace vlark {

class APALUserBufferWrapper {
 public:
  explicit APALUserBufferWrapper(nVLAPAL000::tUserBuffer* buffer) : buffer_(buffer) {}

  uint64_t getSize() const { return buffer_->getSize(); }
  nVLAPAL000::tUserBuffer* getBuffer() const { return buffer_; }

 private:
  nVLAPAL000::tUserBuffer* buffer_;
};

}  // namespace vlark

#endif
