// Prints a subsystem tree to the kernel log at debug level, one line per
// item, in a JSON-like layout indented by two spaces per level.
#ifndef VL9738K_IFW_DEBUGPRINTER_H
#define VL9738K_IFW_DEBUGPRINTER_H

#include <stdint.h>

#include "ContextInterface.h"

namespace vlifw {

class DebugPrinter {
 public:
  DebugPrinter();

  void print(const ContextInterface& root);

 private:
  static constexpr uint64_t kIndentationSize = 256;

  void printTree(const ContextInterface& context);
  void printLine(const char* format, uint64_t value);
  void printLine(const char* format);
  void indent();
  void outdent();
  void moveTo(uint64_t level);

  // Spaces, cut by a terminating zero at the current end.
  char indentation_[kIndentationSize];
  uint64_t level_;
  uint64_t end_;
};

}  // namespace vlifw

#endif
