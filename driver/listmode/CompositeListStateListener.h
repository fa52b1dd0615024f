// State listeners as one. Saving and restoring pass the caller's status
// along the whole list (after a failure the rest return at once, by the
// status rule); an initiate leaves no listener initiated when one fails;
// an abort reaches every listener, even after an error.
#ifndef VL9738K_LISTMODE_COMPOSITELISTSTATELISTENER_H
#define VL9738K_LISTMODE_COMPOSITELISTSTATELISTENER_H

#include "ListenerList.h"
#include "iListStateListener.h"

namespace listmodek {

class CompositeListStateListener final : public iListStateListener, public ListenerList<iListStateListener> {
 public:
  CompositeListStateListener() = default;
  ~CompositeListStateListener() override {}
  CompositeListStateListener(const CompositeListStateListener&) = delete;
  CompositeListStateListener& operator=(const CompositeListStateListener&) = delete;

  void saveDeployedSettings(tStatus& status) override;
  void restoreDeployedSettings(tStatus& status) override;
  void onListInitiate(tStatus& status) override;
  void onListAbort(tStatus& status) override;

 private:
  template <typename tCall>
  void passAlong(tCall call, tStatus& status);
};

}  // namespace listmodek

#endif
