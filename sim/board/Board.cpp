#include "Board.h"

#include <cassert>

#include "sim/kernel/Interrupts.h"
#include "sim/kernel/Ports.h"

namespace sim {
namespace {

constexpr uint8_t kPowerManagementId = 0x01;
constexpr uint8_t kMsiId = 0x05;
constexpr uint8_t kExpressId = 0x10;
// Data acquisition and signal processing controller, other.
constexpr uint32_t kClassCode = 0x118000;
constexpr uint16_t kCommandWritable = 0x0547;
constexpr uint32_t kLinkCapabilities = 0x0C;
constexpr uint32_t kLinkStatus = 0x12;
// The LO CPLDs' windows in the fixed-logic space.
constexpr uint64_t kLo0CpldWindow = 0x8000;
constexpr uint64_t kLo1CpldWindow = 0xC000;

}  // namespace

Board::Board(const BoardOptions& options)
    : options_(options),
      bars_(makeBars(options)),
      bridge_(*bars_.front(), flash_),
      fpgaWindow_(*bars_.front(), bridge_),
      fixedLogic_(*bars_.front()),
      registerPort_(*bars_.front()),
      lo0Dac_(*bars_.front(), kLo0CpldWindow),
      lo1Dac_(*bars_.front(), kLo1CpldWindow),
      handle_(0) {
  for (size_t i = 0; i < bars_.size(); ++i) {
    Bar& bar = *bars_[i];
    switch (barKind(i)) {
      case BoardOptions::BarKind::Io:
        physical_.push_back(Ports::lend(bar.size(), bar));
        break;
      case BoardOptions::BarKind::Memory64:
        physical_.push_back(Pci::lendPhysical(bar.data(), bar.size(), true));
        break;
      case BoardOptions::BarKind::Memory32:
        physical_.push_back(Pci::lendPhysical(bar.data(), bar.size()));
        break;
    }
  }
  buildConfigSpace();
  writeFlash();
  bridge_.setGeographicSlot(options_.geographicSlot);
  placeTimingEngines();
  handle_ = Pci::plug(*this, options_.placement);
  bridge_.interrupts().setLine([this] { raiseInterrupt(); });
}

// The engines hang below a root block of their own, as on the FPGA.
void Board::placeTimingEngines() {
  if (options_.timingEngines.empty()) return;
  registerPort_.subsystemMap().addSubsystem(0, {SubsystemMapModel::Block{.uid = kRootUid}});
  for (const TimingEngineSubtree::Layout& layout : options_.timingEngines) {
    timingEngines_.push_back(std::make_unique<TimingEngineSubtree>(layout, *bars_.front()));
    timingEngines_.back()->place(registerPort_);
  }
}

TimingEngineSubtree* Board::timingEngine(uint16_t uid) {
  for (auto& engine : timingEngines_) {
    if (engine->layout().engineUid == uid) return engine.get();
  }
  return nullptr;
}

Board::~Board() {
  Pci::unplug(handle_);
  for (size_t i = 0; i < physical_.size(); ++i) {
    if (barKind(i) == BoardOptions::BarKind::Io) {
      Ports::release(physical_[i]);
    } else {
      Pci::returnPhysical(physical_[i]);
    }
  }
}

BoardOptions::BarKind Board::barKind(size_t index) const {
  return index < options_.barKinds.size() ? options_.barKinds[index] : BoardOptions::BarKind::Memory32;
}

uint32_t Board::barRegister(size_t index) const {
  uint32_t bar = 0;
  for (size_t i = 0; i < index; ++i) bar += barKind(i) == BoardOptions::BarKind::Memory64 ? 2 : 1;
  return bar;
}

std::vector<std::unique_ptr<Bar>> Board::makeBars(const BoardOptions& options) {
  assert(!options.barSizes.empty() && options.barSizes.size() <= 6);
  std::vector<std::unique_ptr<Bar>> bars;
  for (uint64_t size : options.barSizes) bars.push_back(std::make_unique<Bar>(size));
  return bars;
}

void Board::buildConfigSpace() {
  assert(barRegister(bars_.size()) <= 6);
  config_.set(PciConfigSpace::kVendorId, 2, options_.vendorId);
  config_.set(PciConfigSpace::kDeviceId, 2, options_.deviceId);
  config_.setWritable(PciConfigSpace::kCommand, 2, kCommandWritable);
  config_.set(PciConfigSpace::kRevision, 1, options_.revision);
  config_.set(PciConfigSpace::kClassCode, 3, kClassCode);
  config_.set(PciConfigSpace::kSubsystemVendorId, 2, options_.subsystemVendorId);
  config_.set(PciConfigSpace::kSubsystemId, 2, options_.subsystemId);
  for (size_t i = 0; i < bars_.size(); ++i) {
    const uint32_t offset = PciConfigSpace::kBars + 4 * barRegister(i);
    const uint64_t address = physical_[i];
    const uint64_t addressBits = ~(bars_[i]->size() - 1);
    switch (barKind(i)) {
      case BoardOptions::BarKind::Io:
        config_.set(offset, 4, static_cast<uint32_t>(address) | 0x1);
        config_.setWritable(offset, 4, static_cast<uint32_t>(addressBits) & 0xFFFFFFFCu);
        break;
      case BoardOptions::BarKind::Memory64:
        config_.set(offset, 4, static_cast<uint32_t>(address) | 0x4);
        config_.setWritable(offset, 4, static_cast<uint32_t>(addressBits) & 0xFFFFFFF0u);
        config_.set(offset + 4, 4, static_cast<uint32_t>(address >> 32));
        config_.setWritable(offset + 4, 4, static_cast<uint32_t>(addressBits >> 32));
        break;
      case BoardOptions::BarKind::Memory32:
        config_.set(offset, 4, static_cast<uint32_t>(address));
        config_.setWritable(offset, 4, static_cast<uint32_t>(addressBits) & 0xFFFFFFF0u);
        break;
    }
  }
  const PciPlacement& placement = options_.placement;
  config_.set(PciConfigSpace::kInterruptLine, 1, placement.interruptPresent ? placement.interruptNumber & 0xFF : 0xFF);
  config_.setWritable(PciConfigSpace::kInterruptLine, 1, 0xFF);
  config_.set(PciConfigSpace::kInterruptPin, 1, placement.interruptPresent ? 1 : 0);
  if (options_.pciCapabilities != BoardOptions::PciCapabilities::None) buildCapabilities();
}

void Board::buildCapabilities() {
  if (options_.pciCapabilities == BoardOptions::PciCapabilities::Listed) {
    config_.set(PciConfigSpace::kStatus, 2, PciConfigSpace::kStatusCapabilityList);
    config_.set(PciConfigSpace::kCapabilityPointer, 1, kPowerManagementCapability);
  }
  config_.set(kPowerManagementCapability, 2, kPowerManagementId | kMsiCapability << 8);
  config_.set(kPowerManagementCapability + 2, 2, 0x0003);
  config_.set(kMsiCapability, 2, kMsiId | kExpressCapability << 8);
  config_.set(kMsiCapability + 2, 2, 0x0080);
  config_.set(kExpressCapability, 2, kExpressId);
  config_.set(kExpressCapability + 2, 2, 0x0002);
  config_.set(kExpressCapability + kLinkCapabilities, 4,
              options_.maxLinkSpeed | static_cast<uint32_t>(options_.maxLinkWidth & 0x3F) << 4);
  config_.set(kExpressCapability + kLinkStatus, 2,
              options_.linkSpeed | static_cast<uint32_t>(options_.linkWidth & 0x3F) << 4);
}

void Board::writeFlash() {
  const BoardOptions::Flash& contents = options_.flash;
  if (contents.blank) return;
  FlashImage::writeDirectory(flash_);
  FlashImage::writeSelect(flash_, FlashLayout::kPoscSelect, 0);
  FlashImage::writePosc(flash_, FlashLayout::kPoscCopy1, options_.subsystemId);
  FlashImage::writePosc(flash_, FlashLayout::kPoscCopy2, options_.subsystemId);
  std::vector<CapabilityRecord> records;
  if (contents.capabilities) {
    records = *contents.capabilities;
  } else {
    records = {CapabilityRecord::serialNumber(options_.serialNumber),
               CapabilityRecord::geographicAddress(Bridge::kGeographicAddress, kGeographicDescriptor),
               CapabilityRecord::deviceSpecific(contents.deviceSpecific)};
  }
  // Both copies hold the list; the directory names where each chain begins.
  const uint32_t copies[] = {FlashLayout::kCapabilityCopy1, FlashLayout::kCapabilityCopy2};
  for (uint32_t copy = 0; copy < 2; ++copy) {
    const uint32_t start = FlashImage::writeCapabilityList(flash_, copies[copy], records);
    if (start != 0) flash_.load32(FlashLayout::kDirectory + 4 * (4 + copy), start);
  }
  FlashImage::writeSelect(flash_, FlashLayout::kCapabilitySelect, contents.selectCopy2 ? 1 : 0);
  FlashImage::writeEmptyPartitionStore(flash_);
}

nVLZUK_tPCIDeviceDescription Board::description() const {
  nVLZUK_tPCIDeviceDescription description{};
  const PciPlacement& placement = options_.placement;
  description.deviceHandle = handle_;
  description.bus = placement.bus;
  description.device = placement.device;
  description.function = placement.function;
  description.vendorId = options_.vendorId;
  description.deviceId = options_.deviceId;
  description.subsystemVendorId = options_.subsystemVendorId;
  description.subsystemId = options_.subsystemId;
  description.revision = options_.revision;
  description.interruptPresent = placement.interruptPresent ? 1 : 0;
  description.interruptNumber = placement.interruptPresent ? placement.interruptNumber : 0;
  // The kernel layer lists a window at its BAR register's index; the
  // upper half of a 64-bit BAR has no window of its own.
  for (size_t i = 0; i < bars_.size(); ++i) {
    const uint32_t flags = barKind(i) == BoardOptions::BarKind::Io ? NVLZUK_PCI_WINDOW_IO : NVLZUK_PCI_WINDOW_MEMORY;
    description.windows[barRegister(i)] = nVLZUK_tPCIResourceWindow{physical_[i], bars_[i]->size(), flags, 0};
  }
  return description;
}

void Board::raiseInterrupt() { Interrupts::raise(handle_); }

bool Board::configRead(uint32_t offset, unsigned width, uint32_t& value) { return config_.read(offset, width, value); }

// The bridge keeps the PCI Express capability out of the list on some
// strappings; writing the signature over the (read-only) vendor id makes
// byte 0x0F show where it is, in dwords.
bool Board::configWrite(uint32_t offset, unsigned width, uint32_t value) {
  if (!config_.write(offset, width, value)) return false;
  if (offset == PciConfigSpace::kVendorId && width == 2 && value == kSignature &&
      options_.pciCapabilities == BoardOptions::PciCapabilities::BehindSignature) {
    config_.set(PciConfigSpace::kBist, 1, kExpressCapability / 4);
  }
  return true;
}

bool Board::sendListTrigger(uint16_t uid) {
  TimingEngineSubtree* engine = timingEngine(uid);
  return engine != nullptr && registerPort_.locked([engine] { return engine->listEngine().sendTrigger(); });
}

}  // namespace sim
