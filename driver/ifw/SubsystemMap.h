// The FPGA's subsystem tree, discovered once through an instruction target.
// The FPGA publishes, in its subsystem-map block (subsystem 0), every
// subsystem with the descriptors of its blocks; taken in ascending order of
// subsystem number, the descriptors spell the tree in preorder, each node
// followed by the subtrees of its children. The map turns them into one
// array of contexts, the root first.
#ifndef VL9738K_IFW_SUBSYSTEMMAP_H
#define VL9738K_IFW_SUBSYSTEMMAP_H

#include <stdint.h>

#include "Context.h"
#include "InstructionTarget.h"

namespace vlifw {

class SubsystemMap {
 public:
  static constexpr uint64_t kSignature = 0x6EA04;
  static constexpr uint64_t kFormatVersion = 2;
  static constexpr uint64_t kOldestCompatibleFormatVersion = 2;
  static constexpr uint32_t kReadyTimeoutMs = 5000;
  static constexpr uint64_t kMaximumSubsystems = 255;

  // Addresses of the subsystem-map block's 64-bit registers.
  enum tAddress : uint64_t {
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

  // Discovers and builds; the map does not keep the target.
  SubsystemMap(InstructionTarget* target, nVLAPALS100::tStatus& status);
  virtual ~SubsystemMap();
  SubsystemMap(const SubsystemMap&) = delete;
  SubsystemMap& operator=(const SubsystemMap&) = delete;

  // Index 0 is the root of the tree.
  virtual Context* getSubsystem(uint32_t index, nVLAPALS100::tStatus& status);
  virtual uint64_t indexOf(const Context* context, nVLAPALS100::tStatus& status);

  uint64_t getContextCount() const { return contextCount_; }

 private:
  struct tDescriptor {
    uint16_t uid;
    uint16_t version;
    uint16_t oldestCompatible;
    uint8_t instance;
    uint8_t childCount;
    uint64_t offset;
  };
  static_assert(sizeof(tDescriptor) == 16, "a descriptor is 16 bytes");

  struct tSubsystemRecord {
    uint64_t number;
    uint64_t descriptorCount;
    tDescriptor* descriptors;
  };

  // The subsystem records while the map is being built.
  struct tRecords {
    tSubsystemRecord* records = nullptr;
    uint64_t count = 0;
    ~tRecords();
    void reset(tSubsystemRecord* fresh, uint64_t freshCount);
  };

  static void discover(InstructionTarget& target, tRecords& records, nVLAPALS100::tStatus& status);
  static void checkIdentity(InstructionTarget& target, nVLAPALS100::tStatus& status);
  static void waitUntilReady(InstructionTarget& target, nVLAPALS100::tStatus& status);
  static void readSubsystem(InstructionTarget& target, uint64_t index, tSubsystemRecord& record,
                            nVLAPALS100::tStatus& status);
  static void orderByNumber(tRecords& records);
  // Allocates the contexts and the child counts, the root's with the
  // nodes it adopts; false (with the status set) when the counts do not
  // make a tree.
  bool countChildren(const tRecords& records, uint64_t*& childCounts, nVLAPALS100::tStatus& status);
  void build(tRecords& records, nVLAPALS100::tStatus& status);
  Context** collectChildren(uint64_t node, const uint64_t* childCounts, nVLAPALS100::tStatus& status);

  Context* contexts_ = nullptr;
  uint64_t contextCount_ = 0;
};

}  // namespace vlifw

#endif
