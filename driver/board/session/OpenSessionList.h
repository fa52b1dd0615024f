// The main-interface sessions a device has open, linked through the
// sessions themselves so that an open never fails for want of a list node.
// Sessions are linked at open and unlinked at close, both under the
// device's session lock, which every walk holds as well.
#ifndef VL9738K_BOARD_SESSION_OPENSESSIONLIST_H
#define VL9738K_BOARD_SESSION_OPENSESSIONLIST_H

#include "Session.h"

namespace nVL9738K_24_0 {

class OpenSessionList {
 public:
  void add(Session& session) {
    session.previousOpen_ = nullptr;
    session.nextOpen_ = first_;
    if (first_ != nullptr) first_->previousOpen_ = &session;
    first_ = &session;
  }

  // A session never added (its open failed) is left alone.
  void remove(Session& session) {
    if (session.previousOpen_ == nullptr && first_ != &session) return;
    if (session.previousOpen_ != nullptr) session.previousOpen_->nextOpen_ = session.nextOpen_;
    if (first_ == &session) first_ = session.nextOpen_;
    if (session.nextOpen_ != nullptr) session.nextOpen_->previousOpen_ = session.previousOpen_;
    session.previousOpen_ = session.nextOpen_ = nullptr;
  }

  template <typename tVisit>
  void forEach(tVisit visit) const {
    for (Session* session = first_; session != nullptr; session = session->nextOpen_) visit(*session);
  }

 private:
  Session* first_ = nullptr;
};

}  // namespace nVL9738K_24_0

#endif
