// This board's configuration-port object: the bridge's own, except that
// opening IO port 2 first sets two of the port's internal registers and
// opens it in mode 0.
#ifndef VL9738K_BOARD_CONFIGURATIONDRAVOKELVANE_H
#define VL9738K_BOARD_CONFIGURATIONDRAVOKELVANE_H

#include "driver/fpga/ConfigurationKmr4.h"

namespace nVL9738K_24_0 {

class ConfigurationDravoKelvane : public vllym::ConfigurationKmr4 {
 public:
  // Internal registers of IO port 2 that the board sets before opening it.
  static constexpr uint32_t kPortSetup8 = 8;
  static constexpr uint32_t kPortSetupValue8 = 0x04010070;
  static constexpr uint32_t kPortSetup12 = 12;
  static constexpr uint32_t kPortSetupValue12 = 2;

  explicit ConfigurationDravoKelvane(vllym::kernel::IIoAccessor* accessor) : ConfigurationKmr4(accessor) {}
  virtual ~ConfigurationDravoKelvane() {}

  using ConfigurationKmr4::enableIoPort2;
  void enableIoPort2(tStatus& status) override;
};

}  // namespace nVL9738K_24_0

#endif
