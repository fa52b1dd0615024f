#include "tests/support/BoardRig.h"

#include <cstring>

#include "sim/host/BringUpLog.h"

namespace vltest {

BoardRig::BoardRig(const sim::BoardOptions& options, const std::string& modulePath)
    : module_(sim::Module::load(modulePath)), board_(std::make_unique<sim::Board>(options)) {}

BoardRig::BoardRig(std::unique_ptr<sim::Module> entered, const sim::BoardOptions& options)
    : module_(std::move(entered)), board_(std::make_unique<sim::Board>(options)) {}

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
  records.logged = sim::loggedBringUpRecords(records.codes);
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

sim::BoardOptions boardWithUnsupportedModule() {
  sim::BoardOptions options;
  options.flash.deviceSpecific = sim::CapabilitiesBlock()
                                     .word(2, 14)
                                     .word(3, 13)
                                     .word(5, 0x01008000)
                                     .word(6, 0x01004000)
                                     .word(9, 82)
                                     .crc()
                                     .bytes();
  return options;
}

int32_t answerOf(const sim::DeviceFile::Reply& reply, size_t statusAt) {
  int32_t value = 0;
  if (reply.status != 0) return reply.status;
  if (reply.output.size() >= statusAt + 4) std::memcpy(&value, reply.output.data() + statusAt, 4);
  return value;
}

void OpenedBoard::open(const sim::BoardOptions& options, const std::function<void(sim::Board&)>& prepare,
                       const char* interface) {
  if (!rig) rig = std::make_unique<BoardRig>(options);
  if (prepare) prepare(rig->board());
  ASSERT_EQ(rig->add(), 0);
  file = sim::DeviceFile::open(rig->module(), interface);
  ASSERT_NE(file, nullptr);
  client = std::make_unique<sim::RequestClient>(*file);
}

void OpenedBoard::removeBoard() {
  client.reset();
  file.reset();
  rig->remove();
}

}  // namespace vltest
