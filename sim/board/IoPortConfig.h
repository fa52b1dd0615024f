// The bridge's IO-port configuration registers (BAR 0 offsets 0x600-0x6FF)
// and the internal registers of its serial ports behind them:
//   0x604, 0x680  IO-port settings, kept as written
//   0x68C         data of the addressed internal register
//   0x688         command: bits 31:24 internal address, 10:8 port (with the
//                 other selector fields in 23:20 and 19:11), 1:0 operation
//                 (1 write the data register's value, 2 read into it); a
//                 finished read shows bit 2 when the command is read back
// Internal register 0 of IO port 2 is the port's state: writing 1 closes
// the port (it reads 0x01), writing bit 2 and/or bit 1 opens it (it reads
// 0xF0 with those bits). Faults a test can inject: reads that never
// finish, and a port that does not change state.
#ifndef VL9738K_SIM_BOARD_IO_PORT_CONFIG_H
#define VL9738K_SIM_BOARD_IO_PORT_CONFIG_H

#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "RegisterBlock.h"

namespace sim {

class IoPortConfig : public RegisterBlock {
 public:
  static constexpr uint64_t kBarOffset = 0x600;
  static constexpr uint64_t kSize = 0x100;
  static constexpr uint32_t kClosed = 0x01;
  static constexpr uint32_t kOpen = 0xF0;

  // One command the bridge carried out: the selector fields as the command
  // word holds them (everything but the address and the operation).
  struct Command {
    uint32_t selector;
    uint32_t port;
    uint32_t address;
    bool write;
    uint32_t data;
    bool operator==(const Command&) const = default;
  };

  IoPortConfig();

  uint32_t read(uint64_t offset, unsigned width) override;
  void write(uint64_t offset, unsigned width, uint32_t value) override;

  // The state register of IO port 2 (0x01 closed, 0xF0 open, with the bits
  // that opened it).
  uint32_t port2State() const;
  bool port2Open() const;
  void setPort2State(uint32_t state);
  uint32_t internalRegister(uint32_t port, uint32_t address) const;
  uint32_t setting604() const;
  uint32_t setting680() const;
  std::vector<Command> commands() const;
  void clearCommands();

  void setReadsNeverFinish(bool never);
  void setPort2Stuck(bool stuck);

 private:
  void executeLocked(uint32_t command);

  mutable std::mutex mutex_;
  std::map<std::pair<uint32_t, uint32_t>, uint32_t> internal_;
  uint32_t data_ = 0;
  uint32_t command_ = 0;
  uint32_t setting604_ = 0;
  uint32_t setting680_ = 0;
  bool readsNeverFinish_ = false;
  bool port2Stuck_ = false;
  std::vector<Command> commands_;
};

}  // namespace sim

#endif
