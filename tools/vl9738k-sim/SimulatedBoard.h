// One simulated board as the front end drives it: the packaged module
// loaded into the simulated kernel layer, the board model built with the
// chosen identity and faults and offered to the module's add-device entry,
// and the main interface opened as user mode opens it.
#ifndef VL9738K_TOOLS_CLI_SIMULATEDBOARD_H
#define VL9738K_TOOLS_CLI_SIMULATEDBOARD_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BoardFaults.h"
#include "sim/board/Board.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/Module.h"
#include "sim/kernel/Kernel.h"

namespace vlcli {

struct BringUpOptions {
  std::string modulePath;
  std::optional<uint64_t> serialNumber;
  std::optional<uint8_t> slot;
  std::vector<const BoardFault*> faults;
};

class SimulatedBoard {
 public:
  SimulatedBoard() = default;
  ~SimulatedBoard();
  SimulatedBoard(const SimulatedBoard&) = delete;
  SimulatedBoard& operator=(const SimulatedBoard&) = delete;

  // Loads the module and brings the board up; false (with the reason in
  // error()) when the module cannot be loaded or refuses the board.
  bool bringUp(const BringUpOptions& options);
  // Closes the interface, removes the board and unloads the module.
  void takeDown();

  const std::string& error() const { return error_; }
  int32_t addDeviceResult() const { return added_; }
  bool hasBoard() const { return board_ != nullptr; }
  sim::Board& board() { return *board_; }
  sim::Module& module() { return *module_; }
  // Null until the interface is open.
  sim::DeviceFile* mainInterface() { return file_.get(); }
  std::vector<sim::DeviceRegistry::Property> properties() const;
  // The four deferred bring-up records as the driver logged them, if it did.
  bool bringUpRecords(int64_t (&codes)[4]) const;

 private:
  std::unique_ptr<sim::Module> module_;
  std::unique_ptr<sim::Board> board_;
  std::unique_ptr<sim::DeviceFile> file_;
  void* device_ = nullptr;
  int32_t added_ = 0;
  std::string error_;
};

}  // namespace vlcli

#endif
