// A DMA map that builds its segments itself from the pages' physical
// addresses. For a device limited to 32-bit addresses on a machine with
// memory above 4 GiB, every run of the region that ends above 4 GiB is
// replaced by a place in a bounce buffer below 4 GiB: its bytes are copied
// there before the device reads them, and back after the device wrote them.
#ifndef VL9738K_PLATFORM_TDIRECTDMAMAP_H
#define VL9738K_PLATFORM_TDIRECTDMAMAP_H

#include "tDMAConfiguration.h"
#include "tDMAMap.h"

namespace nVLAPAL000 {

class tDirectDMAMap : public tDMAMap {
 public:
  // A run of the mapped region that the device reaches through the bounce buffer.
  struct tBounceRecord {
    uint64_t offset;  // in the mapped region
    uint64_t length;
    uint8_t* kernelAddress;  // of its place in the bounce buffer
  };

  explicit tDirectDMAMap(const tDMAConfiguration& configuration);
  ~tDirectDMAMap() override;
  tDirectDMAMap(const tDirectDMAMap&) = delete;
  tDirectDMAMap& operator=(const tDirectDMAMap&) = delete;

  void reserve(uint64_t size, nVLAPALS100::tStatus& status) override;
  void release() override;
  void map(const tPageList& pageList, uint64_t offset, uint64_t size, uint64_t direction,
           nVLAPALS100::tStatus& status) override;
  void unmap() override;
  void prepareForDMA() override;
  void completeDMA(uint64_t byteCount) override;
  uint64_t numSGLSegments() override { return segmentCount_; }
  void resetSGLIterator() override { position_ = 0; }
  bool moreSGLSegments() override { return position_ < segmentCount_; }
  tSGLSegment nextSGLSegment() override;

  uint64_t getSize() const { return size_; }
  uint64_t getBounceCount() const { return bounceCount_; }
  const tBounceRecord* getBounceRecords() const { return bounces_; }
  const tPageList& getBounceBuffer() const { return bounceBuffer_; }

 private:
  static constexpr uint64_t k4G = uint64_t{1} << 32;

  bool bouncing() const;
  bool physicalRun(const tPageList& list, uint64_t at, uint64_t limit, tSGLSegment& run, nVLAPALS100::tStatus& status);
  void collectBounceRecords(nVLAPALS100::tStatus& status);
  void provideBounceBuffer(uint64_t bytes, nVLAPALS100::tStatus& status);
  void dropBounceBuffer();
  void buildSegments(nVLAPALS100::tStatus& status);
  void addSegment(tSGLSegment segment, nVLAPALS100::tStatus& status);
  void copyRecord(const tBounceRecord& record, uint64_t length, bool intoBounce);

  const tDMAConfiguration& configuration_;
  uint64_t offset_;
  uint64_t size_;
  uint64_t direction_;
  tSGLSegment* segments_;
  uint64_t reservedSegments_;
  uint64_t segmentCount_;
  uint64_t position_;
  tBounceRecord* bounces_;
  uint64_t bounceCapacity_;
  uint64_t bounceCount_;
  tPageList bounceBuffer_;
  uint8_t* bounceKernel_;
  tPageList mapped_;
  uint8_t bouncePossible_;
};

}  // namespace nVLAPAL000

#endif
