// The board temperature, read from the LO0 CPLD's sensor block: an average
// over several readings for the temperature request and the
// over-temperature check, and the sensor's power-up.
#ifndef VL9738K_RF_PRIMITIVES_TEMPERATURE_PRIMITIVE_H
#define VL9738K_RF_PRIMITIVES_TEMPERATURE_PRIMITIVE_H

#include <stdint.h>

#include "../../platform/status/tStatus.h"
#include "driver/regmaps/board/cpld/tTemperatureRegMap.h"

namespace nVL9738K_24_0 {

// One 14-bit two's-complement sensor code in 1/32 degree C; codes outside
// -40..150 degrees C report -52018 and give 0.
int32_t convertTemperatureCode(int32_t code, nVLAPALS100::tStatus& status);

class TemperaturePrimitive {
 public:
  using tStatus = nVLAPALS100::tStatus;

  // The most readings whose sum stays within 32 signed bits at the
  // hottest valid code.
  static constexpr uint32_t kMaximumReadings = 447392;

  explicit TemperaturePrimitive(nShared::nTemperatureRegMap::tTemperatureRegMap& map) : map_(&map) {}

  // Takes n readings; the temperature in degrees C is sum / divisor, both
  // read as signed. A failed reading ends the loop with the readings so far
  // in the sum and divisor 1; zero readings fail with divisor 0.
  void readTemperatureSum(uint32_t n, uint32_t& sum, uint32_t& divisor, tStatus& status);
  // Powers the sensor: clears the control field of register 0.
  void flush(tStatus& status);

 private:
  nShared::nTemperatureRegMap::tTemperatureRegMap* map_;
};

}  // namespace nVL9738K_24_0

#endif
