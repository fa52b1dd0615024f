// The PCI information block: what the driver keeps of a PCI function from
// add device on. Its layout is the kernel layer's wire format; the device
// record lies inside it, so the kernel layer finds the device, its handles
// and the interrupt routine at fixed offsets.
#ifndef VL9738K_PLATFORM_PCI_TPCIINFORMATION_H
#define VL9738K_PLATFORM_PCI_TPCIINFORMATION_H

#include <stddef.h>
#include <stdint.h>

#include "../device/tDevice.h"

namespace nVLAPAL000 {

// A window as add device lists it.
struct tPCIWindow {
  uint64_t start;
  uint64_t size;
};

// A memory window that the device maps by its index.
struct tPCIMemoryWindow {
  uint64_t physicalAddress;
  uint64_t length;
  uint64_t reserved;
};

// A window's raw words: a base-address-register value and its size mask.
struct tPCIRawWindow {
  uint32_t value;
  uint32_t sizeMask;
};

struct tPCIInformation {
  static constexpr uint32_t kBusTypePCI = 1;
  static constexpr size_t kWindowCount = 6;

  uint64_t busType;
  tDeviceRecord record;
  uint64_t kernelWord;
  // The handle for interrupt reservation and release.
  uint64_t interruptHandle;
  tPCIRawWindow rawWindows[kWindowCount];
  tPCIWindow ioWindows[kWindowCount];
  uint8_t ioWindowCount;
  uint8_t memoryWindowCount;
  uint8_t reserved298[6];
  tPCIMemoryWindow memoryWindows[kWindowCount];
  uint16_t vendorId;
  uint16_t deviceId;
  uint16_t subsystemVendorId;
  uint16_t subsystemId;
  uint8_t revision;
  uint8_t reserved457;
  uint8_t bus;
  uint8_t device;
  uint8_t function;
  uint8_t reserved461[3];
  char componentName[16];
  uint64_t driverContext;
  uint64_t kernelTail[4];
  uint32_t numaNode;
  uint32_t reserved524;
};

static_assert(sizeof(tPCIInformation) == 528, "the information block is 528 bytes");
static_assert(offsetof(tPCIInformation, record) == 8, "the device record lies at offset 8");
static_assert(offsetof(tPCIInformation, record.configurationHandle) == 24, "configuration handle at 24");
static_assert(offsetof(tPCIInformation, record.interruptLine) == 32, "interrupt line at 32");
static_assert(offsetof(tPCIInformation, record.interrupt) == 40, "interrupt routine at 40, its context at 48");
static_assert(offsetof(tPCIInformation, record.physicalDevice) == 128, "physical device object at 128");
static_assert(offsetof(tPCIInformation, interruptHandle) == 144, "interrupt handle at 144");
static_assert(offsetof(tPCIInformation, memoryWindows) == 304, "the memory windows start at 304");
static_assert(offsetof(tPCIInformation, vendorId) == 448, "the identity starts at 448");
static_assert(offsetof(tPCIInformation, revision) == 456, "revision at 456");
static_assert(offsetof(tPCIInformation, bus) == 458, "bus, device and function from 458");
static_assert(offsetof(tPCIInformation, numaNode) == 520, "NUMA node at 520");

}  // namespace nVLAPAL000

#endif
