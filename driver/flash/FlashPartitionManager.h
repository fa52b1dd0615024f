// Keeps numbered data partitions (blobs keyed by a u32 id) in the flash
// store: the partition table in memory, reads served from each
// partition's memory copy, changed partitions and the table written back
// with CRC protection and read-back, first-fit placement on whole sectors,
// and per-partition sequence numbers against lost updates.
//
// The table is kept twice; a table write goes to the copy that is not
// current first, so one complete copy is always there to mount from.
// Persistent partitions are never overwritten while the table names them
// elsewhere: a resized or relocated partition gets new sectors first, and
// only the table write that follows makes the move. Those sectors never
// include the ones of the record a table on flash still names; only a
// rewrite at the partition's own address replaces that record, and a power
// cut during it can lose that one partition. Placement counts as taken
// every sector a table copy on flash may still name: the committed record
// of every partition held, memory-only ones included, and the records of
// creates whose table write failed, until a table write both copies took.
#ifndef VL9738K_FLASH_FLASHPARTITIONMANAGER_H
#define VL9738K_FLASH_FLASHPARTITIONMANAGER_H

#include <stdint.h>

#include "FlashDevice.h"
#include "FlashId.h"
#include "FlashPartition.h"
#include "SequenceNumberMap.h"
#include "driver/platform/containers/Vector.h"
#include "driver/platform/device/tUserBuffer.h"

namespace qrtk {

class FlashPartitionManager {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tUserBuffer = nVLAPAL000::tUserBuffer;
  using tIdVector = vlhtl::Vector<uint32_t>;

  static constexpr uint8_t kCopyA = 0;
  static constexpr uint8_t kCopyB = 1;
  static constexpr uint32_t kPersist = 1;
  // Partitions below this id get no memory copy when a table is taken in.
  static constexpr uint32_t kFirstPreloadedId = 80;
  // The largest data size whose record and sectors still fit 32 bits.
  static constexpr uint64_t kMaxDataSize = 0xFFFEFFFC;
  // A partition written without persisting lives in kernel memory alone, at
  // the caller's size. One such partition holds at most what the whole
  // store could (the memory-only partition budget), and all of them
  // together at most the device budget, each counted at no less than the
  // minimum charge, so that they never crowd other callers' ids out of the
  // sequence numbers; a write beyond either is -52000, refused before
  // anything is allocated.
  static constexpr uint64_t kMemoryOnlyPartitionBudget = 0x600000;
  static constexpr uint64_t kMemoryOnlyDeviceBudget = 0x1000000;
  static constexpr uint64_t kMemoryOnlyMinimumCharge = 0x1000;

  FlashPartitionManager(FlashDevice* device, const tIdVector& coreIds, const rfplatki::FlashId& flashId,
                        bool formatIfBlank, tStatus& status);
  // With the sequence-number offset the device keeps from one bring-up to
  // the next, so that a number handed out before comes round again for an
  // id only after 2^32 numbers since.
  FlashPartitionManager(FlashDevice* device, const tIdVector& coreIds, const rfplatki::FlashId& flashId,
                        bool formatIfBlank, uint64_t* numberOffset, tStatus& status);
  FlashPartitionManager(FlashDevice* device, const tIdVector& coreIds, tStatus& status);
  // Takes over the nodes of a table already in memory instead of mounting.
  FlashPartitionManager(FlashDevice* device, const tIdVector& coreIds, PartitionMap& partitions, uint8_t mounted,
                        uint8_t currentCopy, tStatus& status);
  virtual ~FlashPartitionManager();
  FlashPartitionManager(const FlashPartitionManager&) = delete;
  FlashPartitionManager& operator=(const FlashPartitionManager&) = delete;

  virtual uint32_t readPartition(uint32_t id, tUserBuffer& destination, const rfplatki::FlashId& flashId,
                                 uint32_t& sequenceNumber, tStatus& status);
  virtual void writePartition(uint32_t id, tUserBuffer& source, uint32_t flags, const rfplatki::FlashId& flashId,
                              uint32_t& sequenceNumber, tStatus& status);
  virtual void deletePartition(uint32_t id, const rfplatki::FlashId& flashId, uint32_t& sequenceNumber,
                               tStatus& status);
  virtual void readPartitionTable(tUserBuffer& destination, const rfplatki::FlashId& flashId, tStatus& status);
  virtual uint32_t getPartitionList(tUserBuffer& destination, const rfplatki::FlashId& flashId, tStatus& status);
  virtual void getFlashDeviceInfo(uint32_t& totalSize, uint32_t& sectorSize, uint32_t& alignment,
                                  const rfplatki::FlashId& flashId, tStatus& status);
  virtual rfplatki::FlashId getDeviceInfoWords(tStatus& status);

  // Takes a caller's table image as the table and writes it.
  void replaceTable(const uint8_t* image, uint32_t length, tStatus& status);
  // Every descriptor, in id order.
  void listPartitions(vlhtl::Vector<PartitionInfo>& infos, tStatus& status);
  bool hasPartition(uint32_t id) const { return partitions_.find(id) != nullptr; }
  PartitionInfo getPartitionInfo(uint32_t id, tStatus& status) const;
  bool hasAttribute(uint32_t id, tStatus& status) const;

  uint8_t isMounted() const { return mounted_; }
  uint8_t getCurrentCopy() const { return currentCopy_; }

 private:
  void start(bool formatIfBlank, tStatus& status);
  void mount(tStatus& status);
  void mountIfNeeded(tStatus& status);
  void formatIfBlank(tStatus& status);
  void takeTable(const uint8_t* image, uint64_t length, tStatus& status);
  bool adoptMemoryCopies(PartitionMap& fresh, tStatus& status);
  void writeTable(tStatus& status);
  uint64_t buildImage(ByteVector& image, bool persistedOnly, tStatus& status);
  bool recordAllowed(uint32_t address, uint32_t length, bool isTable, tStatus& status) const;
  void writeRecord(const uint8_t* payload, uint32_t address, uint32_t length, bool isTable, tStatus& status);
  bool takeIn(tUserBuffer& source, uint32_t size, ByteVector& incoming, tStatus& status);
  uint32_t allocateFlashSpace(uint32_t id, uint64_t size, tStatus& status);
  bool findGap(uint32_t id, uint64_t size, const SectorRange* alsoTaken, uint32_t& address, tStatus& status);
  // Keeps `range` counted as taken, and `id` as one a table copy on flash
  // may name, until a table write both copies took.
  void keepNamed(uint32_t id, const SectorRange& range, tStatus& status);
  bool namedOnFlash(uint32_t id) const;
  // Whether the table copy at `address` may name `id`, as read back now.
  bool copyMayName(uint32_t address, uint32_t id) const;
  void carryCommitted(PartitionMap& fresh, tStatus& status);
  bool placeRewrite(const PartitionNode& node, uint64_t allocated, uint64_t recordSize, uint32_t& address, bool& move,
                    tStatus& status);
  SectorRange recordSectors(uint32_t address, uint64_t recordSize) const;
  void noteCommitted(bool bothCopies);
  bool erasesAnotherPartition(const PartitionNode& node, uint64_t recordSize) const;
  bool checkedSize(uint64_t size, tStatus& status);
  void createPartition(uint32_t id, tUserBuffer& source, uint32_t size, bool persist, tStatus& status);
  void rewritePartition(PartitionNode& node, tUserBuffer& source, uint32_t size, uint32_t& sequenceNumber,
                        tStatus& status);
  void keepInMemory(PartitionNode& node, tUserBuffer& source, uint32_t size, tStatus& status);
  // Whether `size` bytes held in memory for `node` (null for a new one)
  // stay within both budgets.
  bool memoryOnlyFits(const PartitionNode* node, uint32_t size, tStatus& status) const;
  // What a partition counts against the memory-only device budget.
  static uint64_t chargeOf(const PartitionInfo& d);
  void insertPartition(PartitionNode& node);
  void erasePartition(PartitionNode& node);
  void loadPartition(FlashPartition& partition, tStatus& status);
  bool isCore(uint32_t id) const;
  void destroy(PartitionMap& map);

  PartitionMap partitions_;
  uint8_t mounted_;
  uint8_t currentCopy_;
  // A table write failed since the last one both copies took: the flash
  // may name records the held descriptors no longer describe.
  bool tableBehind_ = false;
  // The records, and their ids, that no held partition names but a table
  // copy on flash may: a create whose table write failed, or partitions a
  // replaced table dropped. Creates are placed beside them, so they never
  // outnumber the sectors.
  struct UnheldRecord {
    uint32_t id;
    SectorRange sectors;
  };
  vlhtl::Vector<UnheldRecord> unheldRecords_;
  // What the memory-only partitions are charged, kept as they change.
  uint64_t memoryOnlyCharged_ = 0;
  FlashDevice* device_;
  FlashGeometry geometry_;
  tIdVector coreIds_;
  rfplatki::FlashId flashId_;
  SequenceNumberMap sequenceNumbers_;
};

}  // namespace qrtk

#endif
