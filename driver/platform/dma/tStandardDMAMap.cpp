#include "tStandardDMAMap.h"

#include "../zuk/ZukDMA.h"
#include "../zuk/ZukMemory.h"

namespace nVLAPAL000 {

using nVLAPALS100::tStatus;

tStandardDMAMap::tStandardDMAMap(const tDMAConfiguration& configuration)
    : configuration_(configuration), offset_(0), size_(0), direction_(0), sgl_(0), sglSegments_(0), position_(0) {}

tStandardDMAMap::~tStandardDMAMap() { nVLZUK220_tSGL_destroy(sgl_); }

void tStandardDMAMap::reserve(uint64_t size, tStatus& status) {
  if (status.isFatal()) return;
  const uint64_t segments = segmentsFor(size, nVLZUK100_getPageSize());
  if (segments <= sglSegments_) return;
  const uint64_t sgl = nVLZUK220_tSGL_createForPCI(configuration_.getPCIHandle(), segments);
  if (sgl == 0) {
    status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE);
    return;
  }
  nVLZUK220_tSGL_destroy(sgl_);
  sgl_ = sgl;
  sglSegments_ = segments;
}

void tStandardDMAMap::release() {
  nVLZUK220_tSGL_destroy(sgl_);
  sgl_ = 0;
  sglSegments_ = 0;
}

void tStandardDMAMap::map(const tPageList& pageList, uint64_t offset, uint64_t size, uint64_t direction,
                          tStatus& status) {
  if (status.isFatal()) return;
  offset_ = offset;
  size_ = size;
  direction_ = direction;
  position_ = 0;
  reserve(size, status);
  if (status.isNotFatal()) {
    const int32_t result =
        nVLZUK220_tSGL_map(sgl_, pageList.handle, pageList.offset + offset, size, direction != 0 ? 1 : 0);
    if (result != 0) nVLAPALS100::setStatusFromZUKStatus(result, status, __FILE__, __LINE__);
  }
  if (status.isFatal()) unmap();
}

void tStandardDMAMap::unmap() {
  nVLZUK220_tSGL_unmap(sgl_);
  position_ = 0;
  offset_ = 0;
  size_ = 0;
}

void tStandardDMAMap::prepareForDMA() {
  if (sgl_ != 0) nVLZUK220_tSGL_prepareForDMA(sgl_);
}

void tStandardDMAMap::completeDMA(uint64_t byteCount) {
  if (byteCount != 0 && sgl_ != 0) nVLZUK220_tSGL_completeDMA(sgl_);
}

uint64_t tStandardDMAMap::numSGLSegments() { return sgl_ != 0 ? nVLZUK220_tSGL_numSegments(sgl_) : 0; }

void tStandardDMAMap::resetSGLIterator() {
  if (sgl_ != 0) nVLZUK220_tSGL_iterate(sgl_);
  position_ = 0;
}

bool tStandardDMAMap::moreSGLSegments() { return position_ < numSGLSegments(); }

tSGLSegment tStandardDMAMap::nextSGLSegment() {
  if (sgl_ == 0) return tSGLSegment{0, 0};
  const tSGLSegment segment{nVLZUK220_tSGL_getSegmentAddress(sgl_), nVLZUK220_tSGL_getSegmentSize(sgl_)};
  nVLZUK220_tSGL_nextSegment(sgl_);
  ++position_;
  return segment;
}

}  // namespace nVLAPAL000
