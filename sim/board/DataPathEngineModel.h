// An engine register block whose data path acts on its commands: a rising
// start bit raises the engine's done bit, and so does a rising dynamic-delay
// update (generation) or front-end update (acquisition) its own done bit,
// unless the engine is told to hang. Every write is shown to an observer
// first, so that a test can see what the driver's binding was set to.
#ifndef VL9738K_SIM_BOARD_DATA_PATH_ENGINE_MODEL_H
#define VL9738K_SIM_BOARD_DATA_PATH_ENGINE_MODEL_H

#include <cstdint>
#include <functional>

#include "EngineBlockModel.h"
#include "RegisterPortModel.h"

namespace sim {

class DataPathEngineModel : public EngineBlockModel {
 public:
  explicit DataPathEngineModel(Block block);

  // Announces the block as the only one of subsystem `number`, with its
  // instance and versions, and attaches itself; it must outlive that.
  void place(RegisterPortModel& port, uint8_t number, uint8_t instance, uint16_t version, uint16_t oldest);

  uint16_t uid() const { return generation_ ? 2402 : 2403; }
  void setHung(bool hung) { hung_ = hung; }
  std::function<void(uint32_t address, uint64_t value)> observer;

 protected:
  void onWrite(uint32_t address, uint64_t value) override;

 private:
  bool generation_;
  bool hung_ = false;
};

}  // namespace sim

#endif
