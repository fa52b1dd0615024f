// Source names that the flash store publishes for its failure sites in a
// full status record; they stay fixed however this code is laid out.
#ifndef VL9738K_FLASH_FLASHSITES_H
#define VL9738K_FLASH_FLASHSITES_H

namespace nVL9738K_24_0::sites {

inline constexpr const char kController[] = "OVCalEEPROMController";

}  // namespace nVL9738K_24_0::sites

namespace qrtk::sites {

inline constexpr const char kManager[] = "FlashPartitionManager";
inline constexpr const char kPartition[] = "FlashPartition";
inline constexpr const char kSequenceNumbers[] = "SequenceNumberMap";

}  // namespace qrtk::sites

#endif
