#include "CompositeListStateListener.h"

namespace listmodek {

template <typename tCall>
void CompositeListStateListener::passAlong(tCall call, tStatus& status) {
  if (status.isFatal()) return;
  for (uint64_t i = 0; i < size(); ++i) call(*(*this)[i], status);
}

void CompositeListStateListener::saveDeployedSettings(tStatus& status) {
  passAlong([](iListStateListener& listener, tStatus& s) { listener.saveDeployedSettings(s); }, status);
}

void CompositeListStateListener::restoreDeployedSettings(tStatus& status) {
  passAlong([](iListStateListener& listener, tStatus& s) { listener.restoreDeployedSettings(s); }, status);
}

void CompositeListStateListener::onListInitiate(tStatus& status) {
  startEach([](iListStateListener& listener, tStatus& s) { listener.onListInitiate(s); },
            [](iListStateListener& listener, tStatus& s) { listener.onListAbort(s); }, status);
}

void CompositeListStateListener::onListAbort(tStatus& status) {
  reachEach([](iListStateListener& listener, tStatus& s) { listener.onListAbort(s); }, status);
}

}  // namespace listmodek
