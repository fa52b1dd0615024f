#include "BringUpLog.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <utility>

#include "../kernel/Console.h"

namespace sim {
namespace {

// Keeps the records of the bring-ups the log holds, with each one's line,
// as the driver prints them: a reader finds them without reading the log
// again, and they stay after their lines left the console's window.
class BringUpFollower final : public Console::Follower {
 public:
  static constexpr size_t kKeptBringUps = 1024;

  void printed(size_t position, const std::string& line) override {
    const size_t at = line.find("bring-up: FPGA image ");
    if (at == std::string::npos) return;
    long long found[4];
    if (std::sscanf(line.c_str() + at,
                    "bring-up: FPGA image %lld, properties %lld, power-up %lld, late initialisation %lld", &found[0],
                    &found[1], &found[2], &found[3]) != 4) {
      return;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    logged_.emplace_back(position, BringUpRecords{found[0], found[1], found[2], found[3]});
    if (logged_.size() > kKeptBringUps) logged_.pop_front();
  }

  void cleared() override {
    std::lock_guard<std::mutex> guard(mutex_);
    logged_.clear();
  }

  std::vector<BringUpRecords> from(size_t from) const {
    std::lock_guard<std::mutex> guard(mutex_);
    auto first = std::lower_bound(logged_.begin(), logged_.end(), from,
                                  [](const auto& entry, size_t position) { return entry.first < position; });
    // The one that stood when line `from` was written.
    if (first != logged_.begin()) --first;
    std::vector<BringUpRecords> records;
    for (auto entry = first; entry != logged_.end(); ++entry) records.push_back(entry->second);
    return records;
  }

  bool last(BringUpRecords& records) const {
    std::lock_guard<std::mutex> guard(mutex_);
    if (logged_.empty()) return false;
    records = logged_.back().second;
    return true;
  }

 private:
  mutable std::mutex mutex_;
  std::deque<std::pair<size_t, BringUpRecords>> logged_;
};

BringUpFollower& follower() {
  static BringUpFollower follower;
  return follower;
}

// Signs on while the library loads, before the driver prints anything.
const bool gFollowing = (Console::follow(follower()), true);

}  // namespace

std::vector<BringUpRecords> loggedBringUpRecords(size_t from) { return follower().from(from); }

bool loggedBringUpRecords(int64_t (&codes)[4]) {
  BringUpRecords records{};
  if (!follower().last(records)) return false;
  std::copy(records.begin(), records.end(), codes);
  return true;
}

}  // namespace sim
