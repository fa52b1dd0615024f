// The configuration space of a PCI Express function: 4 KiB of registers,
// each bit read-only unless the model made it writable (a BAR's address
// bits are writable, its size bits not, which is how BAR sizing works).
// Accesses are recorded while a test that checks the traffic asks.
#ifndef VL9738K_SIM_BOARD_PCI_CONFIG_SPACE_H
#define VL9738K_SIM_BOARD_PCI_CONFIG_SPACE_H

#include <cstdint>
#include <mutex>
#include <vector>

#include "BusAccess.h"
#include "TrafficRecord.h"

namespace sim {

class PciConfigSpace {
 public:
  static constexpr uint32_t kSize = 0x1000;

  // Standard header offsets.
  static constexpr uint32_t kVendorId = 0x00;
  static constexpr uint32_t kDeviceId = 0x02;
  static constexpr uint32_t kCommand = 0x04;
  static constexpr uint32_t kStatus = 0x06;
  static constexpr uint32_t kRevision = 0x08;
  static constexpr uint32_t kClassCode = 0x09;
  static constexpr uint32_t kHeaderType = 0x0E;
  static constexpr uint32_t kBist = 0x0F;
  static constexpr uint32_t kBars = 0x10;
  static constexpr uint32_t kSubsystemVendorId = 0x2C;
  static constexpr uint32_t kSubsystemId = 0x2E;
  static constexpr uint32_t kCapabilityPointer = 0x34;
  static constexpr uint32_t kInterruptLine = 0x3C;
  static constexpr uint32_t kInterruptPin = 0x3D;
  static constexpr uint16_t kStatusCapabilityList = 0x10;

  PciConfigSpace();

  // Model side: the value and which of its bits the bus may change.
  void set(uint32_t offset, unsigned width, uint32_t value);
  void setWritable(uint32_t offset, unsigned width, uint32_t mask);
  uint32_t get(uint32_t offset, unsigned width) const;

  // Bus side: false beyond the space.
  bool read(uint32_t offset, unsigned width, uint32_t& value);
  bool write(uint32_t offset, unsigned width, uint32_t value);

  void startRecording() { traffic_.start(); }
  void clearTraffic() { traffic_.clear(); }
  std::vector<BusAccess> traffic() const { return traffic_.accesses(); }

 private:
  static bool inside(uint32_t offset, unsigned width) { return width <= kSize && offset <= kSize - width; }

  mutable std::mutex mutex_;
  std::vector<uint8_t> bytes_;
  std::vector<uint8_t> writable_;
  TrafficRecord traffic_{"configuration space"};
};

}  // namespace sim

#endif
