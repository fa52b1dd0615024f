// What the list session tells the objects whose settings follow a list:
// save the deployed settings when a list commit begins, restore them when
// step 0 of a list is compiled, a list started, a list aborted.
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
