// Reads a committed scatter-gather chain back out of simulated physical
// memory, following the headers as the bridge would.
#ifndef VL9738K_TESTS_LINK_CHAIN_H
#define VL9738K_TESTS_LINK_CHAIN_H

#include <cstdint>
#include <cstring>
#include <vector>

#include "sim/kernel/PhysicalMemory.h"

namespace vltest {

struct Descriptor {
  uint32_t first;    // byte count, or the register value
  uint32_t second;   // 0, or the register control word
  uint64_t address;  // address descriptors only

  bool operator==(const Descriptor&) const = default;
};

struct Link {
  uint64_t busAddress;
  uint32_t nextSize;
  uint32_t flags;
  uint64_t nextBusAddress;
  std::vector<Descriptor> descriptors;
};

inline std::vector<Descriptor> parseDescriptors(const uint8_t* at, uint32_t bytes) {
  std::vector<Descriptor> out;
  for (uint32_t position = 0; position < bytes;) {
    Descriptor descriptor{};
    std::memcpy(&descriptor.first, at + position, 4);
    std::memcpy(&descriptor.second, at + position + 4, 4);
    if ((descriptor.second & 0x80000000u) != 0) {
      position += 8;
    } else {
      std::memcpy(&descriptor.address, at + position + 8, 8);
      position += 16;
    }
    out.push_back(descriptor);
  }
  return out;
}

// Follows the chain from its first link until it comes back round, ends,
// or `limit` links were read.
inline std::vector<Link> readChain(uint64_t busAddress, uint32_t size, size_t limit = 10000) {
  std::vector<Link> links;
  while (busAddress != 0 && links.size() < limit) {
    const uint8_t* page = sim::PhysicalMemory::hostAddress(busAddress);
    if (page == nullptr) break;
    Link link{busAddress, 0, 0, 0, {}};
    std::memcpy(&link.nextSize, page, 4);
    std::memcpy(&link.flags, page + 4, 4);
    std::memcpy(&link.nextBusAddress, page + 8, 8);
    link.descriptors = parseDescriptors(page + 16, size - 16);
    links.push_back(link);
    if ((link.flags & 0x80000000u) != 0 || link.nextBusAddress == links.front().busAddress) break;
    busAddress = link.nextBusAddress;
    size = link.nextSize;
  }
  return links;
}

}  // namespace vltest

#endif
