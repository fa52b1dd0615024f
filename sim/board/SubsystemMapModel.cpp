#include "SubsystemMapModel.h"

#include <utility>

namespace sim {
namespace {

void flatten(const SubsystemMapModel::Block& block, std::vector<SubsystemMapModel::Descriptor>& out) {
  out.push_back(SubsystemMapModel::Descriptor{block.uid, block.version, block.oldestCompatible, block.instance,
                                              static_cast<uint8_t>(block.children.size()), block.offset});
  for (const SubsystemMapModel::Block& child : block.children) flatten(child, out);
}

}  // namespace

std::vector<SubsystemMapModel::Descriptor> SubsystemMapModel::preorder(const std::vector<Block>& blocks) {
  std::vector<Descriptor> descriptors;
  for (const Block& block : blocks) flatten(block, descriptors);
  return descriptors;
}

void SubsystemMapModel::addSubsystem(uint64_t number, const std::vector<Block>& blocks) {
  addSubsystemDescriptors(number, preorder(blocks));
}

void SubsystemMapModel::addSubsystemDescriptors(uint64_t number, std::vector<Descriptor> descriptors) {
  subsystems_.push_back(Subsystem{number, std::move(descriptors)});
}

void SubsystemMapModel::clear() { subsystems_.clear(); }

void SubsystemMapModel::setFormatVersion(uint32_t current, uint32_t oldestCompatible) {
  formatVersion_ = current | uint64_t{oldestCompatible} << 32;
}

void SubsystemMapModel::reset() {
  released_ = false;
  readyPolls_ = 0;
  subsystemSelect_ = 0;
  descriptorSelect_ = 0;
}

SubsystemModel::Result SubsystemMapModel::readReady() {
  const bool ready = !holdNotReady_ && !released_ && readyPolls_ >= readyAfterPolls_;
  ++readyPolls_;
  return Result::success(ready ? 1 : 0, true);
}

SubsystemModel::Result SubsystemMapModel::readSelected(uint32_t address) const {
  if (subsystemSelect_ >= subsystems_.size()) return Result::failure(kBadSelection);
  const Subsystem& subsystem = subsystems_[subsystemSelect_];
  if (address == kAddressSubsystemNumber) return Result::success(subsystem.number, true);
  if (address == kAddressDescriptorCount) return Result::success(subsystem.descriptors.size(), true);
  if (descriptorSelect_ >= subsystem.descriptors.size()) return Result::failure(kBadSelection);
  const Descriptor& descriptor = subsystem.descriptors[descriptorSelect_];
  switch (address) {
    case kAddressUid:
      return Result::success(descriptor.uid, true);
    case kAddressVersion:
      return Result::success(descriptor.version, true);
    case kAddressOldestCompatibleVersion:
      return Result::success(descriptor.oldestCompatible, true);
    case kAddressInstance:
      return Result::success(descriptor.instance, true);
    case kAddressChildCount:
      return Result::success(descriptor.childCount, true);
    default:
      return Result::success(descriptor.offset, true);
  }
}

SubsystemModel::Result SubsystemMapModel::read(uint32_t address) {
  switch (address) {
    case kAddressSignature:
      return Result::success(signature_, true);
    case kAddressFormatVersion:
      return Result::success(formatVersion_, true);
    case kAddressSubsystemCount:
      return Result::success(countOverride_.value_or(subsystems_.size()), true);
    case kAddressReady:
      return readReady();
    case kAddressSubsystemNumber:
    case kAddressDescriptorCount:
    case kAddressUid:
    case kAddressVersion:
    case kAddressOldestCompatibleVersion:
    case kAddressInstance:
    case kAddressChildCount:
    case kAddressBlockOffset:
      return readSelected(address);
    default:
      return Result::failure(kNoSuchRegister);
  }
}

SubsystemModel::Result SubsystemMapModel::write(uint32_t address, uint64_t data) {
  switch (address) {
    case kAddressReady:
      if (data == 0) {
        released_ = true;
        ++releases_;
      }
      return Result::success();
    case kAddressSubsystemSelect:
      subsystemSelect_ = data;
      descriptorSelect_ = 0;
      return Result::success();
    case kAddressDescriptorSelect:
      descriptorSelect_ = data;
      return Result::success();
    default:
      return Result::failure(kNoSuchRegister);
  }
}

}  // namespace sim
