// Takes part in a list commit by recording instead of touching the
// hardware: from onStartCommitSnooping on, what it would have done becomes
// instructions given to the inserter; onStopCommitSnooping ends that. A
// recording starts and stops around every request of its session;
// onEndCommitSnooping follows the last stop, once the list is closed.
#ifndef VL9738K_LISTMODE_ILISTSNOOPINGLISTENER_H
#define VL9738K_LISTMODE_ILISTSNOOPINGLISTENER_H

#include "iListInstructionInserter.h"

namespace listmodek {

class iListSnoopingListener {
 public:
  using tStatus = nVLAPALS100::tStatus;

  virtual ~iListSnoopingListener() {}
  virtual void onStartCommitSnooping(iListInstructionInserter* inserter, tStatus& status) = 0;
  virtual void onStopCommitSnooping(tStatus& status) = 0;
  virtual void onEndCommitSnooping(tStatus&) {}
};

}  // namespace listmodek

#endif
