// Helpers for tests of DMA memory: a DMA configuration over a PCI
// information block with only the fields DMA uses, page lists made under a
// chosen placement, and the processor's view of simulated physical memory.
#ifndef VL9738K_TESTS_DMA_TEST_SUPPORT_H
#define VL9738K_TESTS_DMA_TEST_SUPPORT_H

#include <cstdint>
#include <vector>

#include "driver/platform/dma/tDMAConfiguration.h"
#include "driver/platform/dma/tDMAMap.h"
#include "driver/platform/pci/tPCIInformation.h"
#include "sim/kernel/PageLists.h"
#include "sim/kernel/PhysicalMemory.h"

namespace vltest {

// A DMA configuration as a PCI device's configureDMA leaves it.
struct ConfiguredDMA {
  static constexpr uint64_t kHandle = 0xC0FFEE;
  nVLAPAL000::tPCIInformation information{};
  nVLAPAL000::tDMAConfiguration configuration;

  explicit ConfiguredDMA(nVLAPAL000::tDMAConfiguration::tDMAType type,
                         uint32_t numaNode = nVLAPAL000::tDMAConfiguration::kNUMANodeUnknown) {
    information.record.configurationHandle = kHandle;
    information.numaNode = numaNode;
    configuration.configure(type, &information);
  }
};

// The segments a map yields through its iterator.
inline std::vector<nVLAPAL000::tSGLSegment> segmentsOf(nVLAPAL000::tDMAMap& map) {
  std::vector<nVLAPAL000::tSGLSegment> segments;
  map.resetSGLIterator();
  while (map.moreSGLSegments()) segments.push_back(map.nextSGLSegment());
  return segments;
}

// The processor's view of a page-list region (the pages lie back to back in host memory).
inline uint8_t* hostBytes(uint64_t pageList, uint64_t offset = 0) {
  return sim::PageLists::find(pageList)->host + offset;
}

inline std::vector<uint8_t> pattern(uint64_t size, uint32_t seed) {
  std::vector<uint8_t> bytes(size);
  uint32_t state = seed * 2654435761u + 1;
  for (uint8_t& byte : bytes) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<uint8_t>(state >> 24);
  }
  return bytes;
}

}  // namespace vltest

#endif
