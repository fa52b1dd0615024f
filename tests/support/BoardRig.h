// A simulated board offered to the packaged module's add-device entry (or
// a linked driver's), with what the kernel layer and the board model saw of
// its bring-up.
#ifndef VL9738K_TESTS_SUPPORT_BOARDRIG_H
#define VL9738K_TESTS_SUPPORT_BOARDRIG_H

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/board/Board.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/Module.h"
#include "sim/host/RequestClient.h"
#include "sim/kernel/Kernel.h"

namespace vltest {

inline constexpr char kMainInterface[] = "vl9738_vl9738k";
inline constexpr char kFpgaInterface[] = "vl9738_atomiclymddkqrt";
// What a session older than the last reset or download is answered.
inline constexpr int32_t kStaleSession = static_cast<int32_t>(0xBFFA9179u);
// The kernel layer's code for a closed gate (the driver's -52022).
inline constexpr int32_t kGateClosed = -52022;

// The four deferred bring-up records as the driver logs them, in level order.
struct BringUpRecords {
  bool logged = false;
  int64_t codes[4] = {};
};

class BoardRig {
 public:
  explicit BoardRig(const sim::BoardOptions& options = {}, const std::string& modulePath = sim::Module::defaultPath());
  // A driver linked into the test, entered as the kernel layer enters a module.
  explicit BoardRig(std::unique_ptr<sim::Module> entered, const sim::BoardOptions& options = {});
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

// What a request answered: the call's own failure, else the status word
// at `statusAt` of its output block (0 when the block is shorter).
int32_t answerOf(const sim::DeviceFile::Reply& reply, size_t statusAt);

// A board added to the module with one session of an interface open.
// Members go in reverse order: the client, the session, then the board.
class OpenedBoard : public ::testing::Test {
 protected:
  // Adds the board (`prepare` runs on the model first) and opens a session
  // of `interface`; a board kept from an earlier open is added again.
  void open(const sim::BoardOptions& options = {}, const std::function<void(sim::Board&)>& prepare = {},
            const char* interface = kMainInterface);
  // Closes the session and removes the board, which keeps its flash.
  void removeBoard();

  std::unique_ptr<BoardRig> rig;
  std::unique_ptr<sim::DeviceFile> file;
  std::unique_ptr<sim::RequestClient> client;
};

}  // namespace vltest

#endif
