#include "tDirectDMAMap.h"

#include "../memory/Memory.h"
#include "../zuk/ZukDMA.h"
#include "../zuk/ZukMemory.h"

namespace nVLAPAL000 {

using nVLAPALS100::tStatus;

namespace {

uint64_t pageSize() { return nVLZUK100_getPageSize(); }

uint64_t wholePages(uint64_t bytes) {
  const uint64_t page = pageSize();
  return (bytes + page - 1) / page * page;
}

uint64_t smaller(uint64_t a, uint64_t b) { return a < b ? a : b; }

}  // namespace

tDirectDMAMap::tDirectDMAMap(const tDMAConfiguration& configuration)
    : configuration_(configuration),
      offset_(0),
      size_(0),
      direction_(0),
      segments_(nullptr),
      reservedSegments_(0),
      segmentCount_(0),
      position_(0),
      bounces_(nullptr),
      bounceCapacity_(0),
      bounceCount_(0),
      bounceBuffer_{0, 0, 0},
      bounceKernel_(nullptr),
      mapped_{0, 0, 0},
      bouncePossible_(nVLZUK200_isAddressableMemOver4G()) {}

tDirectDMAMap::~tDirectDMAMap() { release(); }

bool tDirectDMAMap::bouncing() const {
  return bouncePossible_ != 0 && configuration_.getType() == tDMAConfiguration::kDMAType32Bit;
}

void tDirectDMAMap::reserve(uint64_t size, tStatus& status) {
  if (status.isFatal()) return;
  const uint64_t segments = segmentsFor(size, pageSize());
  if (segments <= reservedSegments_) return;
  tSGLSegment* newSegments = new (status, kAllocationKindPlain) tSGLSegment[segments];
  if (newSegments == nullptr) return;
  if (bouncing()) {
    tBounceRecord* newBounces = new (status, kAllocationKindPlain) tBounceRecord[segments];
    if (newBounces == nullptr) {
      delete[] newSegments;
      return;
    }
    for (uint64_t i = 0; i < segments; ++i) {
      newBounces[i] = i < bounceCapacity_ ? bounces_[i] : tBounceRecord{0, 0, nullptr};
    }
    delete[] bounces_;
    bounces_ = newBounces;
    bounceCapacity_ = segments;
  }
  delete[] segments_;
  segments_ = newSegments;
  reservedSegments_ = segments;
}

void tDirectDMAMap::release() {
  delete[] segments_;
  segments_ = nullptr;
  reservedSegments_ = 0;
  delete[] bounces_;
  bounces_ = nullptr;
  bounceCapacity_ = 0;
  unmap();
  dropBounceBuffer();
}

void tDirectDMAMap::map(const tPageList& pageList, uint64_t offset, uint64_t size, uint64_t direction,
                        tStatus& status) {
  if (status.isFatal()) return;
  offset_ = offset;
  size_ = size;
  direction_ = direction;
  mapped_ = pageList;
  segmentCount_ = 0;
  bounceCount_ = 0;
  position_ = 0;
  reserve(size, status);
  if (bouncing()) collectBounceRecords(status);
  buildSegments(status);
  if (status.isFatal()) unmap();
}

void tDirectDMAMap::unmap() {
  bounceCount_ = 0;
  segmentCount_ = 0;
  position_ = 0;
  offset_ = 0;
  size_ = 0;
  mapped_ = tPageList{0, 0, 0};
}

// The physically contiguous run of `list` that starts at byte `at`, cut at `limit` bytes.
bool tDirectDMAMap::physicalRun(const tPageList& list, uint64_t at, uint64_t limit, tSGLSegment& run, tStatus& status) {
  uint64_t contiguous = 0;
  const int32_t result = nVLZUK220_tPageList_getPhysicalAddress(list.handle, at, &run.busAddress, &contiguous);
  if (result != 0) {
    nVLAPALS100::setStatusFromZUKStatus(result, status, __FILE__, __LINE__);
    return false;
  }
  run.size = smaller(contiguous, limit);
  return true;
}

void tDirectDMAMap::collectBounceRecords(tStatus& status) {
  const uint64_t start = mapped_.offset + offset_;
  for (uint64_t at = 0; at < size_ && status.isNotFatal();) {
    tSGLSegment run;
    if (!physicalRun(mapped_, start + at, size_ - at, run, status)) return;
    if (run.busAddress + run.size > k4G) {
      tBounceRecord* last = bounceCount_ != 0 ? &bounces_[bounceCount_ - 1] : nullptr;
      if (last != nullptr && last->offset + last->length == at) {
        last->length += run.size;
      } else if (bounceCount_ < bounceCapacity_) {
        bounces_[bounceCount_++] = tBounceRecord{at, run.size, nullptr};
      } else {
        status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
      }
    }
    at += run.size;
  }
  uint64_t needed = 0;
  for (uint64_t i = 0; i < bounceCount_; ++i) needed += wholePages(bounces_[i].length);
  if (needed > bounceBuffer_.size) provideBounceBuffer(needed, status);
}

void tDirectDMAMap::provideBounceBuffer(uint64_t bytes, tStatus& status) {
  if (status.isFatal()) return;
  dropBounceBuffer();
  configuration_.allocateDMABuffer(bounceBuffer_, bytes, nVLZUK_kPageListBelow4G, status, 1);
  if (status.isFatal()) return;
  bounceKernel_ = static_cast<uint8_t*>(
      nVLZUK220_tPageList_mapToKernel(bounceBuffer_.handle, 0, bounceBuffer_.size / pageSize(), pageSize()));
  if (bounceKernel_ == nullptr) {
    status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE);
    configuration_.freeDMABuffer(bounceBuffer_);
  }
}

void tDirectDMAMap::dropBounceBuffer() {
  if (bounceKernel_ != nullptr) nVLZUK220_tPageList_unmapFromKernel(bounceBuffer_.handle, bounceKernel_);
  bounceKernel_ = nullptr;
  if (bounceBuffer_.handle != 0) configuration_.freeDMABuffer(bounceBuffer_);
}

void tDirectDMAMap::buildSegments(tStatus& status) {
  const uint64_t start = mapped_.offset + offset_;
  uint64_t nextBounce = 0;
  uint64_t place = 0;
  for (uint64_t at = 0; at < size_ && status.isNotFatal();) {
    if (nextBounce < bounceCount_ && bounces_[nextBounce].offset == at) {
      tBounceRecord& record = bounces_[nextBounce++];
      record.kernelAddress = bounceKernel_ + place;
      for (uint64_t done = 0; done < record.length && status.isNotFatal();) {
        tSGLSegment run;
        if (!physicalRun(bounceBuffer_, place + done, record.length - done, run, status)) return;
        addSegment(run, status);
        done += run.size;
      }
      place += wholePages(record.length);
      at += record.length;
      continue;
    }
    const uint64_t limit = nextBounce < bounceCount_ ? bounces_[nextBounce].offset - at : size_ - at;
    tSGLSegment run;
    if (!physicalRun(mapped_, start + at, limit, run, status)) return;
    addSegment(run, status);
    at += run.size;
  }
}

void tDirectDMAMap::addSegment(tSGLSegment segment, tStatus& status) {
  if (status.isFatal()) return;
  if (segmentCount_ >= reservedSegments_) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return;
  }
  segments_[segmentCount_++] = segment;
}

tSGLSegment tDirectDMAMap::nextSGLSegment() {
  if (position_ >= segmentCount_) return tSGLSegment{0, 0};
  return segments_[position_++];
}

// Copies between the record's place in the bounce buffer and the mapped
// pages, one page at a time: the mapped pages need no kernel mapping of
// their own, so each is mapped just for its piece.
void tDirectDMAMap::copyRecord(const tBounceRecord& record, uint64_t length, bool intoBounce) {
  const uint64_t page = pageSize();
  uint64_t at = mapped_.offset + offset_ + record.offset;
  for (uint64_t done = 0; done < length;) {
    const uint64_t within = at % page;
    const uint64_t piece = smaller(page - within, length - done);
    auto* mappedPage = static_cast<uint8_t*>(nVLZUK220_tPageList_mapOnePageToKernel(mapped_.handle, at / page));
    if (mappedPage == nullptr) return;
    uint8_t* bounce = record.kernelAddress + done;
    if (intoBounce) {
      nVLZUK180_memCpy(bounce, mappedPage + within, piece);
    } else {
      nVLZUK180_memCpy(mappedPage + within, bounce, piece);
    }
    nVLZUK220_tPageList_unmapOnePageFromKernel(mapped_.handle, mappedPage);
    at += piece;
    done += piece;
  }
}

void tDirectDMAMap::prepareForDMA() {
  if (direction_ != kDMADeviceReads) return;
  for (uint64_t i = 0; i < bounceCount_; ++i) copyRecord(bounces_[i], bounces_[i].length, true);
}

void tDirectDMAMap::completeDMA(uint64_t byteCount) {
  if (direction_ == kDMADeviceReads) return;
  for (uint64_t i = 0; i < bounceCount_ && bounces_[i].offset < byteCount; ++i) {
    copyRecord(bounces_[i], smaller(bounces_[i].length, byteCount - bounces_[i].offset), false);
  }
}

}  // namespace nVLAPAL000
