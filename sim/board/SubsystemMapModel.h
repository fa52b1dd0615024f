// The FPGA's subsystem-map block (subsystem 0 of the register port): it
// publishes every subsystem with the descriptors of its blocks, in the
// order the subsystems were added. Within a subsystem the descriptors
// spell its blocks' trees in preorder, each block followed by its
// children's subtrees, so a block's children always live in its own
// subsystem. Blocks that no descriptor claims as a child end up under the
// root (the first descriptor of the lowest-numbered subsystem).
//
// The map raises its ready flag once it may be read (after a configurable
// number of polls, or never); the driver writes 0 to the flag when it is
// done, and a port reset publishes the map afresh.
#ifndef VL9738K_SIM_BOARD_SUBSYSTEM_MAP_MODEL_H
#define VL9738K_SIM_BOARD_SUBSYSTEM_MAP_MODEL_H

#include <cstdint>
#include <optional>
#include <vector>

#include "SubsystemModel.h"

namespace sim {

class SubsystemMapModel : public SubsystemModel {
 public:
  static constexpr uint64_t kSignature = 0x6EA04;
  static constexpr uint32_t kFormatVersion = 2;
  // A selection past the subsystems or descriptors there are.
  static constexpr uint32_t kBadSelection = 3;

  enum Address : uint32_t {
    kAddressSignature = 0,
    kAddressFormatVersion = 1,
    kAddressSubsystemCount = 2,
    kAddressReady = 3,
    kAddressSubsystemSelect = 4,
    kAddressSubsystemNumber = 5,
    kAddressDescriptorCount = 6,
    kAddressDescriptorSelect = 7,
    kAddressUid = 8,
    kAddressVersion = 9,
    kAddressOldestCompatibleVersion = 10,
    kAddressInstance = 11,
    kAddressChildCount = 12,
    kAddressBlockOffset = 13,
  };

  struct Descriptor {
    uint16_t uid;
    uint16_t version;
    uint16_t oldestCompatible;
    uint8_t instance;
    uint8_t childCount;
    uint64_t offset;
  };

  struct Block {
    uint16_t uid;
    uint8_t instance = 0;
    uint16_t version = 1;
    uint16_t oldestCompatible = 1;
    uint64_t offset = 0;
    std::vector<Block> children = {};
  };

  // The blocks' trees flattened into descriptors, each block followed by
  // its children's subtrees.
  static std::vector<Descriptor> preorder(const std::vector<Block>& blocks);

  void addSubsystem(uint64_t number, const std::vector<Block>& blocks);
  // Descriptors as they are, child counts included, right or wrong.
  void addSubsystemDescriptors(uint64_t number, std::vector<Descriptor> descriptors);
  void clear();

  void setSignature(uint64_t signature) { signature_ = signature; }
  void setFormatVersion(uint32_t current, uint32_t oldestCompatible);
  // Reports this count instead of the number of subsystems there are.
  void overrideSubsystemCount(std::optional<uint64_t> count) { countOverride_ = count; }
  // The ready flag reads 0 this many times before it reads 1.
  void setReadyAfterPolls(uint64_t polls) { readyAfterPolls_ = polls; }
  // The ready flag stays 0 for good.
  void holdNotReady(bool hold) { holdNotReady_ = hold; }

  uint64_t readyPolls() const { return readyPolls_; }
  // How often the driver handed the map back (wrote 0 to the ready flag).
  uint64_t releases() const { return releases_; }
  size_t subsystemCount() const { return subsystems_.size(); }

  Result read(uint32_t address) override;
  Result write(uint32_t address, uint64_t data) override;
  void reset() override;

 private:
  struct Subsystem {
    uint64_t number;
    std::vector<Descriptor> descriptors;
  };

  Result readReady();
  Result readSelected(uint32_t address) const;

  std::vector<Subsystem> subsystems_;
  uint64_t signature_ = kSignature;
  uint64_t formatVersion_ = kFormatVersion | uint64_t{kFormatVersion} << 32;
  std::optional<uint64_t> countOverride_;
  uint64_t readyAfterPolls_ = 0;
  bool holdNotReady_ = false;
  bool released_ = false;
  uint64_t readyPolls_ = 0;
  uint64_t releases_ = 0;
  uint64_t subsystemSelect_ = 0;
  uint64_t descriptorSelect_ = 0;
};

}  // namespace sim

#endif
