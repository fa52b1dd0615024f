// A line-oriented trace writer with a pluggable destination. Each line may
// begin with a prefix of selected elements (component, version, line,
// file, thread, timer, line count) padded to a fixed width, and is indented
// by the nesting of trace scopes. The module keeps one global trace on the
// kernel log; nothing in the driver writes to it by default.
#ifndef VL9738K_PLATFORM_THREAD_TTRACE_H
#define VL9738K_PLATFORM_THREAD_TTRACE_H

#include <stdarg.h>
#include <stdint.h>

#include "../status/tStatus.h"
#include "tTraceDestination.h"

namespace nVLAPAL000 {

enum tTraceOption : uint32_t {
  kTraceOutputEnabled = 0,
  kTracePrefixComponent,
  kTracePrefixVersion,
  kTracePrefixLine,
  kTracePrefixFile,
  kTraceFileNameOnly,
  kTracePrefixThread,
  kTracePrefixTimer,
  kTracePrefixLineCount,
  kTraceThreadSafe,
  kTraceSuppressLine,
  kTraceIndent,
  kTraceOptionCount,
};

class tTrace {
 public:
  static constexpr uint32_t kPrefixWidth = 50;
  static constexpr uint32_t kLineBufferSize = 253;
  static constexpr uint32_t kMaxTraceLine = 256;

  // Output is enabled, every other option off.
  explicit tTrace(tTraceDestination* destination);
  virtual ~tTrace();
  tTrace(const tTrace&) = delete;
  tTrace& operator=(const tTrace&) = delete;

  void setOption(tTraceOption option, bool on);
  bool getOption(tTraceOption option) const { return options_[option] != 0; }
  // A thread-safe trace writes each line under a kernel-layer mutex of its
  // own, made here (-52000 when the kernel layer has none).
  void setThreadSafe(bool on, nVLAPALS100::tStatus& status);

  // What the line prefix shows. The version is packed: major in bits 24 to
  // 31, minor 20 to 23, update 16 to 19, phase 14 and 15 (d, a, b, f) and
  // the build in bits 0 to 13.
  void setComponent(const char* component) { component_ = component; }
  void setVersion(uint32_t packedVersion) { version_ = packedVersion; }
  void setLocation(const char* file, uint32_t line) {
    file_ = file;
    line_ = line;
  }

  void append(const char* text);
  void append(const char* text, uint64_t count);
  void endLine();
  // At most kMaxTraceLine characters; longer output is replaced by a note.
  void printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // 16 bytes a line, in groups of 1, 2 or 4 bytes.
  void hexDump(const void* bytes, uint64_t length, uint32_t groupSize);
  void appendBool(bool value);
  void appendNumber(uint64_t value, uint32_t base);
  void setDestination(tTraceDestination* destination);

  void enterScope() { ++depth_; }
  void exitScope() {
    if (depth_ > 0) --depth_;
  }
  uint32_t getDepth() const { return depth_; }
  uint64_t getLineCount() const { return lineCount_; }

 private:
  void put(char character);
  void holdLine();
  void releaseLine();
  void beginLine();
  void writePrefix();
  void flushBuffer();
  void hexDumpLine(const uint8_t* bytes, uint64_t offset, uint64_t length, uint32_t groupSize);

  tTraceDestination* destination_;
  uint8_t options_[kTraceOptionCount] = {};
  uint32_t width_ = kPrefixWidth;
  char buffer_[kLineBufferSize + 1] = {};
  uint32_t position_ = 0;
  bool lineOpen_ = false;
  uint64_t mutex_ = 0;
  uint64_t lineOwner_ = 0;
  const char* component_ = "";
  uint32_t version_ = 0;
  const char* file_ = "";
  uint32_t line_ = 0;
  uint64_t lineCount_ = 0;
  uint32_t depth_ = 0;
};

// Writes an entry line and an exit line around a block, the lines between
// them one nesting level deeper.
class tTraceScope {
 public:
  tTraceScope(tTrace& trace, const char* name, const void* object, const nVLAPALS100::tStatus* status);
  ~tTraceScope();
  tTraceScope(const tTraceScope&) = delete;
  tTraceScope& operator=(const tTraceScope&) = delete;

 private:
  void writeStatus();

  tTrace& trace_;
  const char* name_;
  const nVLAPALS100::tStatus* status_;
};

// The module's trace on the kernel log.
tTrace& getGlobalTrace();

}  // namespace nVLAPAL000

#endif
