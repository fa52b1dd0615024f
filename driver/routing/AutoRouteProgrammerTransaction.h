// One programming walk over the route programmer: the transaction is begun
// with the first item written, so a walk that writes nothing opens none, and
// a begun transaction is always ended, by its owner or at the latest here.
#ifndef VL9738K_ROUTING_AUTOROUTEPROGRAMMERTRANSACTION_H
#define VL9738K_ROUTING_AUTOROUTEPROGRAMMERTRANSACTION_H

#include <stdint.h>

#include "RouteProgrammerInterface.h"
#include "TopographyTables.h"

namespace vlark {

class AutoRouteProgrammerTransaction {
 public:
  AutoRouteProgrammerTransaction(const TopographyDescriptor* descriptor, RouteProgrammerInterface* programmer);
  ~AutoRouteProgrammerTransaction();
  AutoRouteProgrammerTransaction(const AutoRouteProgrammerTransaction&) = delete;
  AutoRouteProgrammerTransaction& operator=(const AutoRouteProgrammerTransaction&) = delete;

  // Writes every programming item of `edge`, each on its own status merged
  // into the caller's, so that one refused item does not hide the others.
  void writeEdge(const Edge& edge, nVLAPALS100::tStatus& status);
  void end(nVLAPALS100::tStatus& status);
  bool isBegun() const { return begun_; }

 private:
  void writeItem(uint32_t selector, const ProgrammingItem& item, nVLAPALS100::tStatus& status);

  const TopographyDescriptor* descriptor_;
  RouteProgrammerInterface* programmer_;
  bool begun_;
};

// Unprogramming and resets walk the same way; the name tells the intent.
using AutoRouteUnprogrammerTransaction = AutoRouteProgrammerTransaction;

}  // namespace vlark

#endif
