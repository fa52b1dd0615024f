// Source locations that the platform layer publishes for its own failure
// sites. They are part of what a caller sees in a full status record, so
// they stay fixed however this code is laid out.
#ifndef VL9738K_PLATFORM_SOURCE_SITES_H
#define VL9738K_PLATFORM_SOURCE_SITES_H

namespace nVLAPAL000::sites {

inline constexpr const char kMemory[] = "dep_mirror/deps/vlapal/includes/vlapal/quarks/memory";
inline constexpr const char kMemoryAllocation[] =
    "dep_mirror/deps/vlapal/includes/vlapal/protons/cppNewDelete/memoryAllocation";
inline constexpr const char kSynchronization[] = "dep_mirror/deps/vlapal/includes/vlapal/quarks/synchronization";
inline constexpr const char kSemaphore[] = "dep_mirror/deps/vlapal/includes/vlapal/protons/synchronization/tSemaphore";

}  // namespace nVLAPAL000::sites

#endif
