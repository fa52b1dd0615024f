// The recent part of an append-only record: the last `kept` entries, each
// still addressed by its position since the record began (or was last
// cleared). A run of any length keeps a window of bounded size while a
// reader that noted a position finds the entries from it on, as long as
// they are recent enough.
#ifndef VL9738K_SIM_KERNEL_RECENT_LOG_H
#define VL9738K_SIM_KERNEL_RECENT_LOG_H

#include <algorithm>
#include <deque>
#include <utility>
#include <vector>

namespace sim {

template <typename tEntry>
class RecentLog {
 public:
  explicit RecentLog(size_t kept) : kept_(kept) {}

  void push(tEntry entry) {
    entries_.push_back(std::move(entry));
    if (entries_.size() > kept_) {
      entries_.pop_front();
      ++first_;
    }
  }
  // Drops the newest entry (its position is given again to the next one).
  void popBack() { entries_.pop_back(); }
  // Positions restart at 0.
  void clear() {
    entries_.clear();
    first_ = 0;
  }

  // The position the next entry takes: every entry ever pushed since the
  // last clear.
  size_t count() const { return first_ + entries_.size(); }
  // The position of the oldest entry kept.
  size_t first() const { return first_; }
  // Nothing was dropped since the last clear.
  bool whole() const { return first_ == 0; }
  bool empty() const { return entries_.empty(); }
  const tEntry& back() const { return entries_.back(); }

  // The kept entries from position `from` on (all kept ones when it is
  // older than the window).
  std::vector<tEntry> from(size_t from) const {
    const size_t skip = std::min(from > first_ ? from - first_ : 0, entries_.size());
    return std::vector<tEntry>(entries_.begin() + static_cast<std::ptrdiff_t>(skip), entries_.end());
  }
  std::vector<tEntry> kept() const { return from(first_); }

  auto begin() const { return entries_.begin(); }
  auto end() const { return entries_.end(); }

 private:
  size_t kept_;
  size_t first_ = 0;
  std::deque<tEntry> entries_;
};

}  // namespace sim

#endif
