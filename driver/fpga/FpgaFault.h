// Reports a failure of the FPGA side with a worded debug line: "Error
// <code> (StatusCode::<name>): <message>", printed only when the status
// held no error before, so that a pass reports its first failure once;
// then the code goes into the status.
#ifndef VL9738K_FPGA_FPGAFAULT_H
#define VL9738K_FPGA_FPGAFAULT_H

#include "FpgaStatusCodes.h"
#include "driver/platform/debug/Vlsdbg.h"
#include "driver/platform/status/tStatus.h"

namespace vllym {

// Level of the worded failures of the FPGA side.
inline constexpr int32_t kFaultPrintLevel = 0x4000;

}  // namespace vllym

#define VL_FPGA_FAULT(status, code, name, format, ...)                                                         \
  do {                                                                                                         \
    static constexpr vlsdbg_Location fpgaFaultLocation{__FILE__, __LINE__, "\n"};                              \
    if ((status).isNotFatal()) {                                                                               \
      vlsdbg_printf(::vllym::kFaultPrintLevel, &fpgaFaultLocation, "Error %d (StatusCode::" name "): " format, \
                    static_cast<int>(code) __VA_OPT__(, ) __VA_ARGS__);                                        \
    }                                                                                                          \
    (status).setCode((code), VL_SITE);                                                                         \
  } while (0)

#endif
