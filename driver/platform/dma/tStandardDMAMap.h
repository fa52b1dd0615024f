// A DMA map that lets the kernel layer's scatter-gather object map a page
// list for the PCI function: the kernel chooses the bus addresses (and
// whatever bouncing the platform needs).
#ifndef VL9738K_PLATFORM_TSTANDARDDMAMAP_H
#define VL9738K_PLATFORM_TSTANDARDDMAMAP_H

#include "tDMAConfiguration.h"
#include "tDMAMap.h"

namespace nVLAPAL000 {

class tStandardDMAMap : public tDMAMap {
 public:
  explicit tStandardDMAMap(const tDMAConfiguration& configuration);
  ~tStandardDMAMap() override;
  tStandardDMAMap(const tStandardDMAMap&) = delete;
  tStandardDMAMap& operator=(const tStandardDMAMap&) = delete;

  void reserve(uint64_t size, nVLAPALS100::tStatus& status) override;
  void release() override;
  void map(const tPageList& pageList, uint64_t offset, uint64_t size, uint64_t direction,
           nVLAPALS100::tStatus& status) override;
  void unmap() override;
  void prepareForDMA() override;
  void completeDMA(uint64_t byteCount) override;
  uint64_t numSGLSegments() override;
  void resetSGLIterator() override;
  bool moreSGLSegments() override;
  tSGLSegment nextSGLSegment() override;

  // 0 while nothing is mapped.
  uint64_t getSize() const { return size_; }
  uint64_t getOffset() const { return offset_; }
  uint64_t getDirection() const { return direction_; }
  // Segments the present scatter-gather object was made for.
  uint64_t getReservedSegments() const { return sglSegments_; }

 private:
  const tDMAConfiguration& configuration_;
  uint64_t offset_;
  uint64_t size_;
  uint64_t direction_;
  uint64_t sgl_;
  uint64_t sglSegments_;
  uint64_t position_;
};

}  // namespace nVLAPAL000

#endif
