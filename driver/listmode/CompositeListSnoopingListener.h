// Snooping listeners as one: a start reaches the listeners in the order
// they were added and leaves none started when one fails; a stop reaches
// every one of them, even after an error.
#ifndef VL9738K_LISTMODE_COMPOSITELISTSNOOPINGLISTENER_H
#define VL9738K_LISTMODE_COMPOSITELISTSNOOPINGLISTENER_H

#include "ListenerList.h"
#include "iListSnoopingListener.h"

namespace listmodek {

class CompositeListSnoopingListener final : public iListSnoopingListener, public ListenerList<iListSnoopingListener> {
 public:
  CompositeListSnoopingListener() = default;
  ~CompositeListSnoopingListener() override {}
  CompositeListSnoopingListener(const CompositeListSnoopingListener&) = delete;
  CompositeListSnoopingListener& operator=(const CompositeListSnoopingListener&) = delete;

  void onStartCommitSnooping(iListInstructionInserter* inserter, tStatus& status) override;
  void onStopCommitSnooping(tStatus& status) override;
  // Reaches every listener, like a stop.
  void onEndCommitSnooping(tStatus& status) override;
};

}  // namespace listmodek

#endif
