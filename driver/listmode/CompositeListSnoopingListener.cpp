#include "CompositeListSnoopingListener.h"

namespace listmodek {

void CompositeListSnoopingListener::onStartCommitSnooping(iListInstructionInserter* inserter, tStatus& status) {
  startEach([inserter](iListSnoopingListener& listener, tStatus& s) { listener.onStartCommitSnooping(inserter, s); },
            [](iListSnoopingListener& listener, tStatus& s) { listener.onStopCommitSnooping(s); }, status);
}

void CompositeListSnoopingListener::onStopCommitSnooping(tStatus& status) {
  reachEach([](iListSnoopingListener& listener, tStatus& s) { listener.onStopCommitSnooping(s); }, status);
}

void CompositeListSnoopingListener::onEndCommitSnooping(tStatus& status) {
  reachEach([](iListSnoopingListener& listener, tStatus& s) { listener.onEndCommitSnooping(s); }, status);
}

}  // namespace listmodek
