#include "BoardRig.h"

#include <cstdio>

namespace vltest {

BoardRig::BoardRig(const sim::BoardOptions& options, const std::string& modulePath)
    : module_(sim::Module::load(modulePath)), board_(std::make_unique<sim::Board>(options)) {}

BoardRig::~BoardRig() {
  remove();
  board_.reset();
  if (module_) module_->unload();
}

int32_t BoardRig::add(void* context) {
  const nVLZUK_tPCIDeviceDescription description = board_->description();
  device_ = context;
  return module_->record().addDevice(&description, nullptr, &device_);
}

void BoardRig::remove() {
  if (device_ == nullptr) return;
  module_->record().removeDevice(device_);
  module_->record().deleteDevice(device_);
  device_ = nullptr;
}

BringUpRecords BoardRig::records() const {
  BringUpRecords records;
  for (const std::string& line : sim::Console::lines()) {
    const size_t at = line.find("bring-up: FPGA image ");
    if (at == std::string::npos) continue;
    long long codes[4];
    if (std::sscanf(line.c_str() + at,
                    "bring-up: FPGA image %lld, properties %lld, power-up %lld, late initialisation %lld", &codes[0],
                    &codes[1], &codes[2], &codes[3]) != 4) {
      continue;
    }
    records.logged = true;
    for (int i = 0; i < 4; ++i) records.codes[i] = codes[i];
  }
  return records;
}

std::vector<sim::DeviceRegistry::Property> BoardRig::deviceProperties() const {
  std::vector<sim::DeviceRegistry::Property> found;
  for (const sim::DeviceRegistry::Property& property : sim::DeviceRegistry::properties()) {
    if (property.owner == board_->pciHandle() && property.kind == 0) found.push_back(property);
  }
  return found;
}

std::vector<sim::FixedLogic::TimedWrite> BoardRig::powerUpWrites() const {
  std::vector<sim::FixedLogic::TimedWrite> writes;
  for (const sim::FixedLogic::TimedWrite& write : board_->fixedLogic().timedWrites()) {
    if (write.offset < sim::FixedLogic::kRouting) writes.push_back(write);
  }
  return writes;
}

}  // namespace vltest
