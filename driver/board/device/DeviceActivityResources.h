// The device's reservation machinery and its two engines as device
// activities, built with the device before any session exists and gone
// with it after the last one: every reservation client holds plain
// pointers into it. The engines are registered in a fixed order, so the
// acquisition engine is context 1 and the generation engine context 2.
#ifndef VL9738K_BOARD_DEVICE_DEVICE_ACTIVITY_RESOURCES_H
#define VL9738K_BOARD_DEVICE_DEVICE_ACTIVITY_RESOURCES_H

#include <stdint.h>

#include "driver/rf/reservation/DeviceActivityAccessSlave.h"
#include "driver/rf/reservation/ReservationResources.h"

namespace nVL9738K_24_0 {

class DeviceActivityResources {
 public:
  // Every reservation failure of this device carries this one code.
  static constexpr int32_t kReservationCode = static_cast<int32_t>(0xBFFA9178u);

  explicit DeviceActivityResources(nVLAPALS100::tStatus& status);
  DeviceActivityResources(const DeviceActivityResources&) = delete;
  DeviceActivityResources& operator=(const DeviceActivityResources&) = delete;
  ~DeviceActivityResources();

  rfyulreserve_impl::ReservationResources& getReservationResources() { return reservation_; }
  rfyulreserve_impl::ReservationManager& getReservationManager() { return reservation_.reservations(); }
  rfyulreserve::DeviceActivityContextID getAcquisitionContextID() const { return acquisitionID_; }
  rfyulreserve::DeviceActivityContextID getGenerationContextID() const { return generationID_; }

 private:
  rfyulreserve_impl::DeviceActivityAccessSlave acquisition_;
  rfyulreserve_impl::DeviceActivityAccessSlave generation_;
  rfyulreserve::DeviceActivityContextID acquisitionID_;
  rfyulreserve::DeviceActivityContextID generationID_;
  rfyulreserve_impl::ReservationResources reservation_;
};

}  // namespace nVL9738K_24_0

#endif
