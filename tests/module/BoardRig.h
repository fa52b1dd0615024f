// A simulated board offered to the packaged module's add-device entry, with
// what the kernel layer and the board model saw of its bring-up.
#ifndef VL9738K_TESTS_MODULE_BOARDRIG_H
#define VL9738K_TESTS_MODULE_BOARDRIG_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/board/Board.h"
#include "sim/host/Module.h"
#include "sim/kernel/Kernel.h"

namespace vltest {

// The four deferred bring-up records as the driver logs them, in level order.
struct BringUpRecords {
  bool logged = false;
  int64_t codes[4] = {};
};

class BoardRig {
 public:
  explicit BoardRig(const sim::BoardOptions& options = {}, const std::string& modulePath = sim::Module::defaultPath());
  ~BoardRig();

  // Runs add device; the slot starts with `context`.
  int32_t add(void* context = nullptr);
  // Remove and delete, as the kernel layer does when the board goes.
  void remove();

  sim::Module& module() { return *module_; }
  sim::Board& board() { return *board_; }
  void* device() const { return device_; }
  BringUpRecords records() const;
  std::vector<sim::DeviceRegistry::Property> deviceProperties() const;
  // The fixed-logic writes of bring-up in order, outside the FPGA's register port.
  std::vector<sim::FixedLogic::TimedWrite> powerUpWrites() const;

 private:
  std::unique_ptr<sim::Module> module_;
  std::unique_ptr<sim::Board> board_;
  void* device_ = nullptr;
};

// A board whose module is newer than the driver supports: the properties
// and power-up records hold the version error, the other two stay clean.
sim::BoardOptions boardWithUnsupportedModule();

// The kernel layer's code for a driver status.
inline int32_t kernelCode(uint32_t driverCode) { return static_cast<int32_t>(driverCode); }

}  // namespace vltest

#endif
