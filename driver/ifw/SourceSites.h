// Source names that the instruction framework publishes for its failure
// sites in a full status record; they stay fixed however this code is laid
// out.
#ifndef VL9738K_IFW_SOURCESITES_H
#define VL9738K_IFW_SOURCESITES_H

namespace vlifw::sites {

inline constexpr const char kRegisterPort[] = "RegisterPort";
inline constexpr const char kInstructionTargetErrorHelper[] = "InstructionTargetErrorHelper";
inline constexpr const char kSubsystemMap[] = "SubsystemMap";
inline constexpr const char kContext[] = "Context";
inline constexpr const char kDebugPrinter[] = "DebugPrinter";

}  // namespace vlifw::sites

#endif
