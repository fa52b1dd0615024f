#include "tAsyncIO.h"

namespace nVLAPAL000 {

void tAsyncIOLink::insertBefore(tAsyncIOLink& position) {
  next = &position;
  previous = position.previous;
  position.previous->next = this;
  position.previous = this;
}

void tAsyncIOLink::unlink() {
  previous->next = next;
  next->previous = previous;
  next = previous = this;
}

tAsyncIO::tAsyncIO(tDeviceCore* device, tSession* session)
    : deviceLink_(this),
      sessionLink_(this),
      status_(),
      device_(device),
      session_(session),
      pending_(0),
      cancelled_(0),
      cancelExempt_(0) {}

tAsyncIO::~tAsyncIO() = default;

}  // namespace nVLAPAL000
