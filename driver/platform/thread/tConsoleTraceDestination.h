// The trace destination that writes to the kernel log.
#ifndef VL9738K_PLATFORM_THREAD_TCONSOLE_TRACE_DESTINATION_H
#define VL9738K_PLATFORM_THREAD_TCONSOLE_TRACE_DESTINATION_H

#include "tTraceDestination.h"

namespace nVLAPAL000 {

class tConsoleTraceDestination : public tTraceDestination {
 public:
  void writeText(const char* text) override;
  void writeCountedText(const char* text, uint64_t count) override;
  const char* getName() const override;
  uint64_t appendCommandLineOption(char* buffer, uint64_t size) const override;
};

}  // namespace nVLAPAL000

#endif
