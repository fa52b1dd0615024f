// Status codes of list mode, and the source names its failures publish.
#ifndef VL9738K_LISTMODE_LISTMODESTATUSCODES_H
#define VL9738K_LISTMODE_LISTMODESTATUSCODES_H

#include <stdint.h>

namespace listmodek::codes {

constexpr int32_t code(uint32_t raw) { return static_cast<int32_t>(raw); }

// A trigger or event number above the engine's limit, or a trigger
// instruction the engine's p-code cannot express.
inline constexpr int32_t kListEngineLimit = code(0xBFFA8712);
// The engine needs a newer p-code than the assembler writes.
inline constexpr int32_t kPcodeVersion = code(0xBFFA8713);
// A register read while a list is compiled, with no wait announced.
inline constexpr int32_t kReadDuringCompile = code(0xBFFA8761);
// The engine runs no lists.
inline constexpr int32_t kNoListMode = code(0xBFFA9178);

}  // namespace listmodek::codes

namespace listmodek::sites {

inline constexpr const char kAssembler[] = "ListModeKernelInterface/includes/ListModeKernelImpl/pcode/Assembler";
inline constexpr const char kCommandControl[] = "ListModeKernelInterface/includes/ListModeKernelImpl/CommandControl";
inline constexpr const char kSession[] = "ListModeKernelInterface/includes/ListModeKernelImpl/Session";
inline constexpr const char kListModeResources[] =
    "ListModeKernelInterface/includes/ListModeKernelImpl/ListModeResources";

}  // namespace listmodek::sites

#endif
