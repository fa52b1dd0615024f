// The listeners of one kind that take part in a commit, in the order they
// were added; the list does not own them. Emptying keeps the storage, so a
// session that attaches the same listeners at every commit allocates once.
#ifndef VL9738K_LISTMODE_LISTENERLIST_H
#define VL9738K_LISTMODE_LISTENERLIST_H

#include <stdint.h>

#include "driver/platform/containers/Vector.h"
#include "driver/platform/status/tStatus.h"

namespace listmodek {

template <typename tListener>
class ListenerList {
 public:
  // -52000 when the list cannot grow.
  void add(tListener* listener, nVLAPALS100::tStatus& status) { listeners_.push_back(listener, status); }
  void clear() { listeners_.clear(); }
  bool empty() const { return listeners_.empty(); }
  uint64_t size() const { return listeners_.size(); }
  tListener* operator[](uint64_t index) const { return listeners_[index]; }
  bool contains(const tListener* listener) const {
    for (uint64_t i = 0; i < listeners_.size(); ++i) {
      if (listeners_[i] == listener) return true;
    }
    return false;
  }

  // A start: `start` on each listener in turn with the caller's status,
  // up to the first that fails; then `undo` on the ones started before it,
  // ascending, each on a status of its own, so that none stays started and
  // the caller keeps the failure.
  template <typename tStart, typename tUndo>
  void startEach(tStart start, tUndo undo, nVLAPALS100::tStatus& status) const {
    if (status.isFatal()) return;
    for (uint64_t i = 0; i < listeners_.size(); ++i) {
      start(*listeners_[i], status);
      if (status.isNotFatal()) continue;
      for (uint64_t j = 0; j < i; ++j) {
        nVLAPALS100::tStatus child;
        undo(*listeners_[j], child);
        status.merge(child);
      }
      return;
    }
  }

  // A stop: `stop` reaches every listener, whatever the status holds, each
  // on a status of its own merged into the caller's (the first error wins).
  template <typename tStop>
  void reachEach(tStop stop, nVLAPALS100::tStatus& status) const {
    for (uint64_t i = 0; i < listeners_.size(); ++i) {
      nVLAPALS100::tStatus child;
      stop(*listeners_[i], child);
      status.merge(child);
    }
  }

 private:
  vlhtl::Vector<tListener*> listeners_;
};

}  // namespace listmodek

#endif
