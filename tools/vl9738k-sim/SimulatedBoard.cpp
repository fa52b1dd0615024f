#include "SimulatedBoard.h"

#include "StatusNames.h"
#include "sim/host/BringUpLog.h"
#include "sim/kernel/Kernel.h"

namespace vlcli {

SimulatedBoard::~SimulatedBoard() { takeDown(); }

bool SimulatedBoard::bringUp(const BringUpOptions& options) {
  takeDown();
  sim::resetKernel();
  module_ = sim::Module::load(options.modulePath.empty() ? sim::Module::defaultPath() : options.modulePath);
  if (!module_) {
    error_ = std::string("could not map the module: ") + sim::Module::lastError();
    return false;
  }
  if (!module_->registered()) {
    error_ = "the module's driver entry answered " + statusText(module_->entryResult());
    module_.reset();
    return false;
  }
  sim::BoardOptions boardOptions;
  if (options.serialNumber) boardOptions.serialNumber = *options.serialNumber;
  if (options.slot) boardOptions.geographicSlot = *options.slot;
  for (const BoardFault* fault : options.faults) {
    if (fault->configure != nullptr) fault->configure(boardOptions);
  }
  board_ = std::make_unique<sim::Board>(boardOptions);
  for (const BoardFault* fault : options.faults) {
    if (fault->apply != nullptr) fault->apply(*board_);
  }
  const nVLZUK_tPCIDeviceDescription description = board_->description();
  added_ = module_->record().addDevice(&description, nullptr, &device_);
  if (added_ != 0 || device_ == nullptr) {
    device_ = nullptr;
    error_ = "add device: " + statusText(added_);
    return false;
  }
  int32_t opened = 0;
  file_ = sim::DeviceFile::open(*module_, "vl9738_vl9738k", &opened);
  if (!file_) {
    error_ = "opening the main interface: " + statusText(opened);
    return false;
  }
  return true;
}

void SimulatedBoard::takeDown() {
  file_.reset();
  if (device_ != nullptr) {
    module_->record().removeDevice(device_);
    module_->record().deleteDevice(device_);
    device_ = nullptr;
  }
  board_.reset();
  if (module_) module_->unload();
  module_.reset();
}

std::vector<sim::DeviceRegistry::Property> SimulatedBoard::properties() const {
  std::vector<sim::DeviceRegistry::Property> found;
  if (!board_) return found;
  for (const sim::DeviceRegistry::Property& property : sim::DeviceRegistry::properties()) {
    if (property.owner == board_->pciHandle() && property.kind == 0) found.push_back(property);
  }
  return found;
}

bool SimulatedBoard::bringUpRecords(int64_t (&codes)[4]) const { return sim::loggedBringUpRecords(codes); }

}  // namespace vlcli
