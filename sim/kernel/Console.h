// The kernel log: the lines the driver prints are kept for tests to read
// and, when echo is on (or VL9738K_SIM_ECHO is set), also written to stderr.
// Only the last kKeptLines stay, so that a run of any length holds a
// bounded log; each line keeps its position since the log began (or was
// last cleared), and a reader that needs something of every line (the
// bring-up records) follows the log as it is printed.
#ifndef VL9738K_SIM_CONSOLE_H
#define VL9738K_SIM_CONSOLE_H

#include <cstddef>
#include <string>
#include <vector>

namespace sim {

class Console {
 public:
  static constexpr size_t kKeptLines = 8192;

  // Sees each line as it is printed, with its position, and each clear,
  // under the console's lock: in the order the lines were printed.
  class Follower {
   public:
    virtual void printed(size_t position, const std::string& line) = 0;
    virtual void cleared() = 0;

   protected:
    ~Follower() = default;
  };

  // The kept lines, oldest first.
  static std::vector<std::string> lines();
  // Every line printed since the log began or was last cleared: the
  // position the next line takes.
  static size_t lineCount();
  // The kept lines, joined.
  static std::string text();
  static bool contains(const std::string& fragment);
  static void clear();
  static void setEcho(bool echo);
  static void reset();
  // `follower` must outlive the process's printing.
  static void follow(Follower& follower);
};

}  // namespace sim

#endif
