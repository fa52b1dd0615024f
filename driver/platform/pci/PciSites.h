// Published source locations of the PCI layer's failure sites. User mode
// sees them in full status records, so they stay fixed however this code
// is laid out.
#ifndef VL9738K_PLATFORM_PCI_SITES_H
#define VL9738K_PLATFORM_PCI_SITES_H

#include <stdint.h>

namespace nVLAPAL000::sites {

inline constexpr const char kPCIDevice[] = "dep_mirror/deps/vlapal/includes/vlapal/protons/pci/linux-2.4K/tPCIDevice";
inline constexpr const char kPCIConfig[] = "dep_mirror/deps/vlapal/includes/vlapal/quarks/pciconfig";
inline constexpr const char kPhysicalKVAMap[] =
    "dep_mirror/deps/vlapal/includes/vlapal/protons/memory/linux-2.4K/tPhysicalKVAMap";

namespace lines {
inline constexpr uint64_t kInterruptReservation = 93;
inline constexpr uint64_t kCapabilityNotFound = 147;
inline constexpr uint64_t kDMAMask = 192;
inline constexpr uint64_t kBARMapping = 212;
inline constexpr uint64_t kPhysicalKVAMapping = 85;
inline constexpr uint64_t kInterruptLockCreation = 1007;
inline constexpr uint64_t kConfigRead8 = 323;
inline constexpr uint64_t kConfigRead16 = 388;
inline constexpr uint64_t kConfigRead32 = 453;
inline constexpr uint64_t kConfigWrite8 = 509;
inline constexpr uint64_t kConfigWrite16 = 564;
inline constexpr uint64_t kConfigWrite32 = 619;
}  // namespace lines

}  // namespace nVLAPAL000::sites

#endif
