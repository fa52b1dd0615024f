// The routing library's route programmer over the PXI trigger routing
// matrix: every programming item of an edge is one route register index
// and the value to program there.
#ifndef VL9738K_ROUTING_PXI_PXIROUTEPROGRAMMER_H
#define VL9738K_ROUTING_PXI_PXIROUTEPROGRAMMER_H

#include <stdint.h>

#include "PxiTriggerRoutingHost.h"
#include "driver/routing/RouteProgrammerInterface.h"

namespace vlpxiroutingmatrix {

class PxiRouteProgrammer final : public vlark::RouteProgrammerInterface {
 public:
  explicit PxiRouteProgrammer(PxiTriggerRoutingHost* host) : host_(host) {}
  ~PxiRouteProgrammer() override = default;
  PxiRouteProgrammer(const PxiRouteProgrammer&) = delete;
  PxiRouteProgrammer& operator=(const PxiRouteProgrammer&) = delete;

  // The matrix needs nothing around a route's items.
  void beginTransaction(uint32_t, uint32_t, uint32_t, nVLAPALS100::tStatus&) override {}
  // The selector is not the matrix's concern: the index names the route.
  void programRoute(uint32_t selector, uint32_t routeIndex, uint32_t routeValue, nVLAPALS100::tStatus& status) override;
  void endTransaction(nVLAPALS100::tStatus&) override {}
  bool recordsInstead() const override { return host_ != nullptr && host_->isRecording(); }

  PxiTriggerRoutingHost* getHost() const { return host_; }

 private:
  PxiTriggerRoutingHost* host_;
};

}  // namespace vlpxiroutingmatrix

#endif
