// The kernel log: every line the driver prints is kept for tests to read
// and, when echo is on (or VL9738K_SIM_ECHO is set), also written to stderr.
#ifndef VL9738K_SIM_CONSOLE_H
#define VL9738K_SIM_CONSOLE_H

#include <string>
#include <vector>

namespace sim {

class Console {
 public:
  static std::vector<std::string> lines();
  static size_t lineCount();
  static std::string text();
  static bool contains(const std::string& fragment);
  static void clear();
  static void setEcho(bool echo);
  static void reset();
};

}  // namespace sim

#endif
