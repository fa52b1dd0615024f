// Where a trace's lines go. The defaults discard; destinations override
// what they support. Defined inline, so that code built with type
// information (tests) may implement destinations too.
#ifndef VL9738K_PLATFORM_THREAD_TTRACE_DESTINATION_H
#define VL9738K_PLATFORM_THREAD_TTRACE_DESTINATION_H

#include <stdint.h>

namespace nVLAPAL000 {

class tTraceDestination {
 public:
  virtual ~tTraceDestination() = default;
  virtual void writeText(const char*) {}
  virtual void writeCountedText(const char*, uint64_t) {}
  virtual void flush() {}
  virtual const char* getName() const { return ""; }
  // Appends the option that selects this destination to the terminated
  // text in `buffer` (when it fits); returns the length the result needs.
  virtual uint64_t appendCommandLineOption(char* buffer, uint64_t size) const;
};

// Appends `text` to the terminated text in `buffer` when the whole result
// fits `size`; returns the length of the result.
uint64_t appendToText(char* buffer, uint64_t size, const char* text);

inline uint64_t tTraceDestination::appendCommandLineOption(char* buffer, uint64_t size) const {
  return appendToText(buffer, size, "");
}

}  // namespace nVLAPAL000

#endif
