// Source names that the snooping objects' failures publish.
#ifndef VL9738K_LISTMODE_SNOOPING_SNOOPINGSITES_H
#define VL9738K_LISTMODE_SNOOPING_SNOOPINGSITES_H

namespace listmodek::snooping_sites {

inline constexpr const char kDecorators[] = "ListModeKernelInterface/includes/Snooping/InstructionTargetDecorators";
inline constexpr const char kChecks[] = "ListModeKernelInterface/includes/Snooping/StatusRegisterCheck";
inline constexpr const char kReadResources[] =
    "ListModeKernelInterface/includes/Snooping/ListModeRegisterReadResources";
inline constexpr const char kManager[] = "ListModeKernelInterface/includes/Snooping/SnoopingManager";

}  // namespace listmodek::snooping_sites

#endif
