// Takes part in a list commit with settings of its own: it keeps a copy of
// what is deployed when a commit begins and makes that copy the requested
// settings again on demand, and it hears when a list is started on or
// stopped on the engine.
#ifndef VL9738K_LISTMODE_ILISTSTATELISTENER_H
#define VL9738K_LISTMODE_ILISTSTATELISTENER_H

#include "driver/platform/status/tStatus.h"

namespace listmodek {

class iListStateListener {
 public:
  using tStatus = nVLAPALS100::tStatus;

  virtual ~iListStateListener() {}
  virtual void saveDeployedSettings(tStatus& status) = 0;
  virtual void restoreDeployedSettings(tStatus& status) = 0;
  virtual void onListInitiate(tStatus& status) = 0;
  virtual void onListAbort(tStatus& status) = 0;
};

}  // namespace listmodek

#endif
