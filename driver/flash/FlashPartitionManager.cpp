#include "FlashPartitionManager.h"

#include "FlashSites.h"
#include "FlashStoreCodes.h"
#include "PartitionTable.h"
#include "driver/platform/debug/Vlsdbg.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/memory/UserBound.h"

namespace qrtk {
namespace {

using nVLAPALS100::tStatus;

constexpr vlsdbg_Location kLocation{sites::kManager, 0, "\n"};

void fail(int64_t code, const char* site, uint32_t line, tStatus& status) {
  status.setCode(code, VL_SITE_AT(site, line));
}

bool overlaps(uint64_t start, uint64_t end, uint64_t otherStart, uint64_t otherEnd) {
  return start < otherEnd && otherStart < end;
}

bool isEmpty(const SectorRange& range) { return range.start >= range.end; }

// The smallest range covering both.
SectorRange spanning(const SectorRange& a, const SectorRange& b) {
  if (isEmpty(a)) return b;
  if (isEmpty(b)) return a;
  return SectorRange{a.start < b.start ? a.start : b.start, a.end > b.end ? a.end : b.end};
}

PartitionNode* newNode(const PartitionInfo& descriptor, uint32_t sectorSize, tStatus& status) {
  auto* node = new (status, nVLAPAL000::kAllocationKindPlain) PartitionNode{};
  if (node == nullptr) {
    fail(nVLAPALS100::kStatusOutOfMemory, sites::kPartition, __LINE__, status);
    return nullptr;
  }
  node->id = descriptor.id;
  node->partition.descriptor = descriptor;
  node->partition.sectorSize = sectorSize;
  return node;
}

// The memory copy holds exactly `size` bytes; growing fills with erased bytes.
bool resizeCopy(ByteVector& memory, uint64_t size, tStatus& status) {
  memory.resize(size, 0xFF, status);
  return status.isNotFatal();
}

}  // namespace

FlashPartitionManager::FlashPartitionManager(FlashDevice* device, const tIdVector& coreIds,
                                             const rfplatki::FlashId& flashId, bool formatIfBlank, tStatus& status)
    : FlashPartitionManager(device, coreIds, flashId, formatIfBlank, nullptr, status) {}

FlashPartitionManager::FlashPartitionManager(FlashDevice* device, const tIdVector& coreIds,
                                             const rfplatki::FlashId& flashId, bool formatIfBlank,
                                             uint64_t* numberOffset, tStatus& status)
    : mounted_(0),
      currentCopy_(kCopyA),
      device_(device),
      geometry_{},
      coreIds_(coreIds, status),
      flashId_(flashId),
      sequenceNumbers_(numberOffset) {
  start(formatIfBlank, status);
}

FlashPartitionManager::FlashPartitionManager(FlashDevice* device, const tIdVector& coreIds, tStatus& status)
    : FlashPartitionManager(device, coreIds, rfplatki::FlashId{}, false, status) {}

FlashPartitionManager::FlashPartitionManager(FlashDevice* device, const tIdVector& coreIds, PartitionMap& partitions,
                                             uint8_t mounted, uint8_t currentCopy, tStatus& status)
    : mounted_(mounted), currentCopy_(currentCopy), device_(device), geometry_{}, coreIds_(coreIds, status) {
  while (PartitionNode* node = partitions.first()) {
    partitions.erase(*node);
    sequenceNumbers_.get(node->id, status);
    insertPartition(*node);
  }
  sequenceNumbers_.advanceAll();
  if (status.isFatal()) return;
  device_->getGeometry(geometry_, status);
  if (status.isNotFatal() && !geometry_.isValid())
    fail(nVLAPALS100::kStatusInvalidParameter, sites::kManager, __LINE__, status);
  // The table taken over is the one on flash.
  if (status.isNotFatal()) noteCommitted(true);
}

FlashPartitionManager::~FlashPartitionManager() { destroy(partitions_); }

void FlashPartitionManager::destroy(PartitionMap& map) {
  while (PartitionNode* node = map.first()) {
    map.erase(*node);
    delete node;
  }
}

void FlashPartitionManager::start(bool formatIfBlank, tStatus& status) {
  if (status.isFatal()) return;
  geometry_.erasedValue = 0xFF;
  device_->getGeometry(geometry_, status);
  if (status.isFatal()) return;
  if (!geometry_.isValid()) {
    fail(nVLAPALS100::kStatusInvalidParameter, sites::kManager, __LINE__, status);
    return;
  }
  if (formatIfBlank) this->formatIfBlank(status);
  mountIfNeeded(status);
}

bool FlashPartitionManager::isCore(uint32_t id) const {
  for (uint32_t core : coreIds_) {
    if (core == id) return true;
  }
  return false;
}

// ---- Tables ----------------------------------------------------------------

void FlashPartitionManager::formatIfBlank(tStatus& status) {
  uint8_t a[6];
  uint8_t b[6];
  device_->read(a, geometry_.tableAddressA, sizeof a, status);
  device_->read(b, geometry_.tableAddressB, sizeof b, status);
  if (status.isFatal()) return;
  const auto erasedHeader = [](const uint8_t* copy) {
    return copy[2] == 0xFF && copy[3] == 0xFF && copy[4] == 0xFF && copy[5] == 0xFF;
  };
  if (!erasedHeader(a) || !erasedHeader(b)) return;
  mounted_ = 1;
  currentCopy_ = kCopyA;
  writeTable(status);
}

void FlashPartitionManager::mountIfNeeded(tStatus& status) {
  if (status.isFatal() || mounted_ != 0) return;
  mount(status);
}

void FlashPartitionManager::mount(tStatus& status) {
  ByteVector image;
  uint8_t copy = kCopyA;
  if (!PartitionTable::readCopy(*device_, geometry_, geometry_.tableAddressA, image, status)) {
    copy = kCopyB;
    if (!PartitionTable::readCopy(*device_, geometry_, geometry_.tableAddressB, image, status)) {
      if (status.isNotFatal()) fail(codes::kRecordUnreadable, sites::kManager, __LINE__, status);
      return;
    }
  }
  takeTable(image.data(), image.size(), status);
  if (status.isFatal()) return;
  mounted_ = 1;
  currentCopy_ = copy;
}

// Builds the new map aside and swaps it in only once every check passed,
// so a refused table leaves the held one as it was.
void FlashPartitionManager::takeTable(const uint8_t* image, uint64_t length, tStatus& status) {
  if (status.isFatal()) return;
  PartitionMap fresh;
  const auto take = [&](const PartitionTableEntry& entry, tStatus& visitStatus) {
    if (fresh.find(entry.id) != nullptr) {
      fail(nVLAPALS100::kStatusBadSelector, sites::kManager, __LINE__, visitStatus);
      return;
    }
    const uint64_t allocated = FlashPartition::allocatedFor(entry.recordSize, geometry_.sectorSize);
    if (allocated > UINT32_MAX) {
      fail(nVLAPALS100::kStatusBadSelector, sites::kManager, __LINE__, visitStatus);
      return;
    }
    const PartitionInfo descriptor{
        entry.id, entry.address, entry.recordSize, static_cast<uint32_t>(allocated), entry.flags, 0};
    if (PartitionNode* node = newNode(descriptor, geometry_.sectorSize, visitStatus)) {
      node->partition.committed = recordSectors(entry.address, entry.recordSize);
      fresh.insert(*node);
    }
  };
  PartitionTable::parse(image, length, take, status);
  const bool parsed = status.isNotFatal();
  for (uint32_t core : coreIds_) {
    if (parsed && fresh.find(core) == nullptr) {
      vlsdbg_printf(kVlsdbgLevelError, &kLocation, "core partition 0x%X is missing from partition table!", core);
      fail(codes::kCorePartitionMissing, sites::kManager, __LINE__, status);
    }
  }
  for (PartitionNode* node = fresh.first(); node != nullptr && status.isNotFatal(); node = fresh.next(node)) {
    sequenceNumbers_.get(node->id, status);
    sequenceNumbers_.hold(node->id);
  }
  carryCommitted(fresh, status);
  if (status.isFatal() || !adoptMemoryCopies(fresh, status)) {
    for (PartitionNode* node = fresh.first(); node != nullptr; node = fresh.next(node)) {
      if (partitions_.find(node->id) == nullptr) sequenceNumbers_.release(node->id);
    }
    destroy(fresh);
    return;
  }
  sequenceNumbers_.advanceAll();
  while (PartitionNode* node = partitions_.first()) {
    erasePartition(*node);
    delete node;
  }
  while (PartitionNode* node = fresh.first()) {
    fresh.erase(*node);
    insertPartition(*node);
  }
}

// Until the new table is on flash, the tables there still name the records
// of the partitions held before.
void FlashPartitionManager::carryCommitted(PartitionMap& fresh, tStatus& status) {
  for (PartitionNode* node = partitions_.first(); node != nullptr && status.isNotFatal();
       node = partitions_.next(node)) {
    const SectorRange& was = node->partition.committed;
    if (PartitionNode* kept = fresh.find(node->id)) {
      kept->partition.committed = spanning(kept->partition.committed, was);
    } else {
      keepNamed(node->id, was, status);
    }
  }
}

void FlashPartitionManager::keepNamed(uint32_t id, const SectorRange& range, tStatus& status) {
  if (!isEmpty(range)) unheldRecords_.push_back(UnheldRecord{id, range}, status);
}

bool FlashPartitionManager::namedOnFlash(uint32_t id) const {
  for (const UnheldRecord& record : unheldRecords_) {
    if (record.id == id) return true;
  }
  return false;
}

// The map and what goes with holding a partition: its sequence number is
// kept, and a memory-only one is charged against the device budget.
void FlashPartitionManager::insertPartition(PartitionNode& node) {
  partitions_.insert(node);
  sequenceNumbers_.hold(node.id);
  memoryOnlyCharged_ += chargeOf(node.partition.descriptor);
}

void FlashPartitionManager::erasePartition(PartitionNode& node) {
  partitions_.erase(node);
  sequenceNumbers_.release(node.id);
  memoryOnlyCharged_ -= chargeOf(node.partition.descriptor);
}

// A partition held before keeps its memory copy (ids from 80 sized to the
// new data size); a new one gets a zero-filled copy from id 80 and an
// empty one below. On failure every copy taken goes back.
bool FlashPartitionManager::adoptMemoryCopies(PartitionMap& fresh, tStatus& status) {
  for (PartitionNode* node = fresh.first(); node != nullptr; node = fresh.next(node)) {
    PartitionNode* held = partitions_.find(node->id);
    FlashPartition& partition = node->partition;
    if (held != nullptr) {
      partition.memory.swap(held->partition.memory);
      if (node->id >= kFirstPreloadedId) resizeCopy(partition.memory, partition.dataSize(), status);
    } else if (node->id >= kFirstPreloadedId) {
      partition.memory.resize(partition.dataSize(), 0, status);
    }
    if (status.isNotFatal()) continue;
    for (PartitionNode* back = fresh.first(); back != nullptr; back = fresh.next(back)) {
      if (PartitionNode* owner = partitions_.find(back->id)) back->partition.memory.swap(owner->partition.memory);
      if (back == node) break;
    }
    return false;
  }
  return true;
}

uint64_t FlashPartitionManager::buildImage(ByteVector& image, bool persistedOnly, tStatus& status) {
  if (status.isFatal()) return 0;
  uint64_t count = 0;
  for (PartitionNode* node = partitions_.first(); node != nullptr; node = partitions_.next(node)) {
    if (!persistedOnly || (node->partition.descriptor.flags & PartitionTable::kMemoryOnly) == 0) ++count;
  }
  const uint64_t length = PartitionTable::imageLength(count);
  if (image.size() < length) {
    fail(nVLAPALS100::kStatusLookupFailure, sites::kManager, __LINE__, status);
    return 0;
  }
  PartitionTable::writeHeader(image.data(), static_cast<uint32_t>(count));
  uint8_t* at = image.data() + PartitionTable::kHeaderSize;
  for (PartitionNode* node = partitions_.first(); node != nullptr; node = partitions_.next(node)) {
    const PartitionInfo& d = node->partition.descriptor;
    if (persistedOnly && (d.flags & PartitionTable::kMemoryOnly) != 0) continue;
    PartitionTable::writeEntry(at,
                               PartitionTableEntry{d.id, d.address, node->partition.dataSize(), d.recordSize, d.flags});
    at += PartitionTable::kEntrySize;
  }
  return length;
}

void FlashPartitionManager::writeTable(tStatus& status) {
  if (status.isFatal()) return;
  ByteVector image;
  image.resize(geometry_.maxTableSize, 0, status);
  const uint64_t length = buildImage(image, true, status);
  for (int copy = 0; copy < 2 && status.isNotFatal(); ++copy) {
    const uint32_t address = currentCopy_ == kCopyA ? geometry_.tableAddressB : geometry_.tableAddressA;
    writeRecord(image.data(), address, static_cast<uint32_t>(length), true, status);
    if (status.isNotFatal()) currentCopy_ ^= 1;
  }
  tableBehind_ = status.isFatal();
  noteCommitted(status.isNotFatal());
}

// Once both copies took the table, each partition's committed record is
// the one its descriptor names (none for a memory-only one), and no table
// names a record of a partition not held. After a table write that failed,
// a mount may find either table: the record of each one is kept too.
void FlashPartitionManager::noteCommitted(bool bothCopies) {
  if (bothCopies) unheldRecords_.clear();
  for (PartitionNode* node = partitions_.first(); node != nullptr; node = partitions_.next(node)) {
    FlashPartition& partition = node->partition;
    const PartitionInfo& d = partition.descriptor;
    SectorRange& committed = partition.committed;
    if ((d.flags & PartitionTable::kMemoryOnly) != 0) {
      if (bothCopies) committed = SectorRange{};
      continue;
    }
    const SectorRange named = recordSectors(d.address, d.recordSize);
    committed = bothCopies ? named : spanning(committed, named);
  }
}

// ---- Records and placement -------------------------------------------------

// A record may not cover a core partition, and partition data ends below
// the tables: erasing past it would take a table copy with it.
bool FlashPartitionManager::recordAllowed(uint32_t address, uint32_t length, bool isTable, tStatus& status) const {
  if (status.isFatal()) return false;
  const FlashRecord::Span span = FlashRecord::spanOf(geometry_, address, length);
  for (uint32_t core : coreIds_) {
    const PartitionNode* node = partitions_.find(core);
    if (node == nullptr) continue;
    const PartitionInfo& d = node->partition.descriptor;
    if (overlaps(span.start, span.end(), d.address, uint64_t{d.address} + d.allocatedSize)) {
      fail(codes::kProtected, sites::kManager, __LINE__, status);
      return false;
    }
  }
  if (!isTable && span.end() > uint64_t{geometry_.lastDataAddress} + 1) {
    fail(nVLAPALS100::kStatusInvalidParameter, sites::kManager, __LINE__, status);
    return false;
  }
  return true;
}

void FlashPartitionManager::writeRecord(const uint8_t* payload, uint32_t address, uint32_t length, bool isTable,
                                        tStatus& status) {
  if (!recordAllowed(address, length, isTable, status)) return;
  FlashRecord(*device_, geometry_).write(payload, address, length, status);
}

void FlashPartitionManager::loadPartition(FlashPartition& partition, tStatus& status) {
  const uint32_t dataSize = partition.dataSize();
  ByteVector record;
  record.resize(uint64_t{dataSize} + FlashRecord::kCrcSize, 0, status);
  if (status.isFatal()) return;
  if (!FlashRecord(*device_, geometry_).read(partition.descriptor.address, dataSize, record.data(), status)) {
    if (status.isNotFatal()) fail(codes::kRecordUnreadable, sites::kPartition, __LINE__, status);
    return;
  }
  if (partition.memory.size() < dataSize) {
    fail(nVLAPALS100::kStatusReadTooLong, sites::kPartition, __LINE__, status);
    return;
  }
  for (uint32_t i = 0; i < dataSize; ++i) partition.memory[i] = record[i];
  partition.descriptor.loaded = 1;
}

// First fit from the start of the store over the partitions in address
// order, `id`'s own range counting as free. The cursor only moves forward,
// so overlapping ranges of a foreign table cannot send it back over a
// partition already passed, and it stays on sector starts, so the sectors
// a placed record erases hold no other partition's bytes.
uint32_t FlashPartitionManager::allocateFlashSpace(uint32_t id, uint64_t size, tStatus& status) {
  uint32_t address = 0;
  if (!findGap(id, size, nullptr, address, status) && status.isNotFatal()) {
    fail(nVLAPALS100::kStatusOutOfMemory, sites::kManager, __LINE__, status);
  }
  return address;
}

// The first fit, with `alsoTaken` (if any) counted as occupied too; false
// when no gap is large enough (the status then holds an error only when
// the list could not be built). A table copy on flash may name another
// record of a partition than its descriptor does (after a table write that
// failed, or while the partition is memory-only), or a record of a
// partition no longer held: those sectors are taken as well.
bool FlashPartitionManager::findGap(uint32_t id, uint64_t size, const SectorRange* alsoTaken, uint32_t& address,
                                    tStatus& status) {
  if (status.isFatal()) return false;
  vlhtl::Vector<SectorRange> taken;
  // Kept sorted by start; a failed push leaves the vector as it was.
  const auto take = [&](const SectorRange& range) {
    taken.push_back(range, status);
    if (status.isFatal()) return;
    for (uint64_t i = taken.size() - 1; i > 0 && taken[i - 1].start > range.start; --i) {
      taken[i] = taken[i - 1];
      taken[i - 1] = range;
    }
  };
  if (alsoTaken != nullptr && !isEmpty(*alsoTaken)) take(*alsoTaken);
  for (const UnheldRecord& named : unheldRecords_) take(named.sectors);
  for (PartitionNode* node = partitions_.first(); node != nullptr && status.isNotFatal();
       node = partitions_.next(node)) {
    if (node->id == id) continue;
    const PartitionInfo& d = node->partition.descriptor;
    take(SectorRange{d.address, uint64_t{d.address} + d.allocatedSize});
    if (!isEmpty(node->partition.committed) && status.isNotFatal()) take(node->partition.committed);
  }
  if (status.isFatal()) return false;
  const uint64_t end = uint64_t{geometry_.lastDataAddress} + 1;
  const uint32_t sector = geometry_.sectorSize;
  uint64_t cursor = 0;
  for (const SectorRange& range : taken) {
    if (cursor + size <= range.start && cursor + size <= end) break;
    const uint64_t after = FlashPartition::allocatedFor(range.end, sector);
    if (after > cursor) cursor = after;
  }
  if (cursor + size > end) return false;
  address = static_cast<uint32_t>(cursor);
  return true;
}

// Where a rewrite that needs placing goes. The first fit counts the
// partition's own range as free; but a record written over the sectors of
// the one a table on flash still names would erase the only committed copy
// before the table names the new place. Such a rewrite takes the first gap
// that leaves those sectors alone; with none, a partition that fits within
// its committed record is rewritten at its own address (a power cut there
// can lose it, as any rewrite in place can), and a larger one cannot grow.
bool FlashPartitionManager::placeRewrite(const PartitionNode& node, uint64_t allocated, uint64_t recordSize,
                                         uint32_t& address, bool& move, tStatus& status) {
  const PartitionInfo& d = node.partition.descriptor;
  const bool memoryOnly = (d.flags & PartitionTable::kMemoryOnly) != 0;
  const bool fixed = (d.flags & PartitionTable::kFixedPlacement) != 0;
  address = allocateFlashSpace(node.id, allocated, status);
  if (status.isFatal()) return false;
  if (fixed && address != d.address) {
    fail(nVLAPALS100::kStatusOutOfMemory, sites::kManager, __LINE__, status);
    return false;
  }
  if (!memoryOnly && address == d.address) {
    move = false;
    return true;
  }
  const SectorRange& committed = node.partition.committed;
  if (!overlaps(address, address + allocated, committed.start, committed.end)) return true;
  if (!fixed && findGap(node.id, allocated, &committed, address, status)) return true;
  if (status.isFatal()) return false;
  if (d.address >= committed.start && d.address + allocated <= committed.end &&
      !erasesAnotherPartition(node, recordSize)) {
    address = d.address;
    move = memoryOnly;
    return true;
  }
  fail(nVLAPALS100::kStatusOutOfMemory, sites::kManager, __LINE__, status);
  return false;
}

SectorRange FlashPartitionManager::recordSectors(uint32_t address, uint64_t recordSize) const {
  const uint64_t sector = geometry_.sectorSize;
  const FlashRecord::Span span = FlashRecord::spanOf(geometry_, address, recordSize - FlashRecord::kCrcSize);
  return SectorRange{span.start / sector * sector, (span.end() + sector - 1) / sector * sector};
}

// The sectors an in-place record write would erase, against every other
// partition's range: a table written elsewhere may place partitions off
// sector boundaries.
bool FlashPartitionManager::erasesAnotherPartition(const PartitionNode& node, uint64_t recordSize) const {
  const SectorRange erased = recordSectors(node.partition.descriptor.address, recordSize);
  for (PartitionNode* other = partitions_.first(); other != nullptr; other = partitions_.next(other)) {
    const PartitionInfo& d = other->partition.descriptor;
    if (other == &node || (d.flags & PartitionTable::kMemoryOnly) != 0) continue;
    if (overlaps(erased.start, erased.end, d.address, uint64_t{d.address} + d.allocatedSize)) return true;
  }
  return false;
}

// ---- Partition operations --------------------------------------------------

bool FlashPartitionManager::checkedSize(uint64_t size, tStatus& status) {
  // Record and sector sizes are 32-bit: a data size whose record or
  // sectors would not fit cannot be described.
  if (size == 0 || size > kMaxDataSize ||
      FlashPartition::allocatedFor(size + FlashRecord::kCrcSize, geometry_.sectorSize) > UINT32_MAX) {
    fail(nVLAPALS100::kStatusInvalidParameter, sites::kManager, __LINE__, status);
    return false;
  }
  return true;
}

void FlashPartitionManager::writePartition(uint32_t id, tUserBuffer& source, uint32_t flags, const rfplatki::FlashId&,
                                           uint32_t& sequenceNumber, tStatus& status) {
  if (status.isFatal()) return;
  if (!checkedSize(source.getSize(), status)) return;
  const auto size = static_cast<uint32_t>(source.getSize());
  const bool persist = (flags & kPersist) != 0;
  if (persist) mountIfNeeded(status);
  if (status.isFatal()) return;
  uint32_t current = 0;
  if (!sequenceNumbers_.find(id, current)) {
    fail(codes::kNoSequenceNumber, sites::kManager, __LINE__, status);
    return;
  }
  if (current != sequenceNumber) {
    fail(codes::kSequenceMismatch, sites::kManager, __LINE__, status);
    return;
  }
  PartitionNode* node = partitions_.find(id);
  if (node == nullptr) {
    createPartition(id, source, size, persist, status);
  } else if ((node->partition.descriptor.flags & PartitionTable::kProtected) != 0) {
    fail(codes::kProtected, sites::kManager, __LINE__, status);
  } else {
    const uint64_t charged = chargeOf(node->partition.descriptor);
    if (persist) {
      rewritePartition(*node, source, size, sequenceNumber, status);
    } else {
      keepInMemory(*node, source, size, status);
    }
    memoryOnlyCharged_ = memoryOnlyCharged_ - charged + chargeOf(node->partition.descriptor);
    if (persist) return;
  }
  if (status.isNotFatal()) sequenceNumber = sequenceNumbers_.advance(id);
}

void FlashPartitionManager::createPartition(uint32_t id, tUserBuffer& source, uint32_t size, bool persist,
                                            tStatus& status) {
  if (!persist && !memoryOnlyFits(nullptr, size, status)) return;
  const uint64_t allocated = FlashPartition::allocatedFor(uint64_t{size} + FlashRecord::kCrcSize, geometry_.sectorSize);
  const uint32_t address = persist ? allocateFlashSpace(id, allocated, status) : geometry_.totalSize;
  const PartitionInfo descriptor{id,
                                 address,
                                 size + FlashRecord::kCrcSize,
                                 static_cast<uint32_t>(allocated),
                                 static_cast<uint8_t>(persist ? 0 : PartitionTable::kMemoryOnly),
                                 0};
  // Room to note the record, made before anything is written: a failed
  // table write must not lose track of it for want of memory.
  if (persist && status.isNotFatal()) {
    unheldRecords_.push_back(UnheldRecord{}, status);
    if (status.isNotFatal()) unheldRecords_.pop_back();
  }
  PartitionNode* node = status.isNotFatal() ? newNode(descriptor, geometry_.sectorSize, status) : nullptr;
  if (node == nullptr) return;
  FlashPartition& partition = node->partition;
  takeIn(source, size, partition.memory, status);
  if (persist) writeRecord(partition.memory.data(), address, size, false, status);
  if (status.isFatal()) {
    delete node;
    return;
  }
  partition.descriptor.loaded = 1;
  insertPartition(*node);
  if (!persist) return;
  const uint8_t before = currentCopy_;
  writeTable(status);
  if (status.isNotFatal()) return;
  // The partition leaves the map, but the copy written first may name its
  // record, and a mount can find it there: when that copy took the table
  // (the write flipped the current copy), or when it failed yet what it
  // holds still names the id.
  erasePartition(*node);
  if (currentCopy_ != before || copyMayName(before == kCopyA ? geometry_.tableAddressB : geometry_.tableAddressA, id)) {
    tStatus noted;
    keepNamed(id, recordSectors(address, descriptor.recordSize), noted);
  }
  delete node;
}

// A copy whose record fails its CRC names nothing a mount takes; one that
// cannot be read at all is counted as naming the id.
bool FlashPartitionManager::copyMayName(uint32_t address, uint32_t id) const {
  tStatus status;
  ByteVector image;
  if (!PartitionTable::readCopy(*device_, geometry_, address, image, status)) return status.isFatal();
  bool named = false;
  const auto visit = [&](const PartitionTableEntry& entry, tStatus&) { named = named || entry.id == id; };
  PartitionTable::parse(image.data(), image.size(), visit, status);
  return named;
}

// The caller's bytes, taken in before anything changes: a copy that fails
// leaves the partition as it was.
bool FlashPartitionManager::takeIn(tUserBuffer& source, uint32_t size, ByteVector& incoming, tStatus& status) {
  if (!resizeCopy(incoming, size, status)) return false;
  source.readFromBuffer(0, incoming.data(), size, status);
  return status.isNotFatal();
}

// A partition is rewritten in place only when it keeps its sectors;
// otherwise the record goes to new sectors and the table write moves it,
// so the old record stays intact until the table no longer names it.
void FlashPartitionManager::rewritePartition(PartitionNode& node, tUserBuffer& source, uint32_t size,
                                             uint32_t& sequenceNumber, tStatus& status) {
  FlashPartition& partition = node.partition;
  PartitionInfo& d = partition.descriptor;
  const uint64_t recordSize = uint64_t{size} + FlashRecord::kCrcSize;
  const auto allocated = static_cast<uint32_t>(FlashPartition::allocatedFor(recordSize, geometry_.sectorSize));
  const bool memoryOnly = (d.flags & PartitionTable::kMemoryOnly) != 0;
  bool move = allocated != d.allocatedSize || memoryOnly || erasesAnotherPartition(node, recordSize);
  uint32_t address = d.address;
  if (move && !placeRewrite(node, allocated, recordSize, address, move, status)) return;
  ByteVector data;
  if (!recordAllowed(address, size, false, status) || !takeIn(source, size, data, status)) return;
  const PartitionInfo old = d;
  partition.memory.swap(data);
  const auto restore = [&] {
    d = old;
    partition.memory.swap(data);
  };
  d = PartitionInfo{node.id,
                    address,
                    static_cast<uint32_t>(recordSize),
                    allocated,
                    static_cast<uint8_t>(d.flags & ~PartitionTable::kMemoryOnly),
                    0};
  writeRecord(partition.memory.data(), address, size, false, status);
  if (status.isFatal()) {
    // Moved: the old record is intact where the table names it (placement
    // kept its sectors), or the partition was memory-only and its memory
    // copy is what it holds. In place: the record is gone either way, and
    // the new descriptor describes what the next table write must carry.
    if (move) restore();
    return;
  }
  d.loaded = 1;
  sequenceNumber = sequenceNumbers_.advance(node.id);
  // An in-place rewrite of the same size needs no table write, unless the
  // last one failed: the table on flash may then name another record size
  // (that of an earlier rewrite answered with an error), and a mount would
  // read the record as unreadable.
  if (!move && old.recordSize == d.recordSize && !tableBehind_) return;
  writeTable(status);
  if (status.isFatal() && move) restore();
}

uint64_t FlashPartitionManager::chargeOf(const PartitionInfo& d) {
  if ((d.flags & PartitionTable::kMemoryOnly) == 0) return 0;
  const uint64_t dataSize = d.recordSize - FlashRecord::kCrcSize;
  return dataSize > kMemoryOnlyMinimumCharge ? dataSize : kMemoryOnlyMinimumCharge;
}

bool FlashPartitionManager::memoryOnlyFits(const PartitionNode* node, uint32_t size, tStatus& status) const {
  if (!nVLAPAL000::withinUserBound(size, kMemoryOnlyPartitionBudget, nVLAPALS100::kStatusOutOfMemory,
                                   VL_SITE_AT(sites::kManager, __LINE__), status)) {
    return false;
  }
  // The copy this write replaces is given back, so it does not count.
  const uint64_t replaced = node != nullptr ? chargeOf(node->partition.descriptor) : 0;
  const uint64_t charge = size > kMemoryOnlyMinimumCharge ? size : kMemoryOnlyMinimumCharge;
  return nVLAPAL000::withinUserBound(memoryOnlyCharged_ - replaced + charge, kMemoryOnlyDeviceBudget,
                                     nVLAPALS100::kStatusOutOfMemory, VL_SITE_AT(sites::kManager, __LINE__), status);
}

void FlashPartitionManager::keepInMemory(PartitionNode& node, tUserBuffer& source, uint32_t size, tStatus& status) {
  if (!memoryOnlyFits(&node, size, status)) return;
  FlashPartition& partition = node.partition;
  ByteVector data;
  if (!takeIn(source, size, data, status)) return;
  partition.memory.swap(data);
  PartitionInfo& d = partition.descriptor;
  d.flags = static_cast<uint8_t>(d.flags | PartitionTable::kMemoryOnly);
  d.recordSize = size + FlashRecord::kCrcSize;
  d.allocatedSize = static_cast<uint32_t>(FlashPartition::allocatedFor(d.recordSize, geometry_.sectorSize));
  d.loaded = 1;
}

uint32_t FlashPartitionManager::readPartition(uint32_t id, tUserBuffer& destination, const rfplatki::FlashId&,
                                              uint32_t& sequenceNumber, tStatus& status) {
  if (status.isFatal()) return 0;
  sequenceNumber = sequenceNumbers_.get(id, status);
  if (status.isFatal()) return 0;
  if (destination.getSize() > UINT32_MAX) {
    fail(nVLAPALS100::kStatusInvalidParameter, sites::kManager, __LINE__, status);
    return 0;
  }
  PartitionNode* node = partitions_.find(id);
  const uint32_t dataSize = node != nullptr ? node->partition.dataSize() : 0;
  if (destination.getSize() == 0) return dataSize;
  if (destination.getSize() < dataSize) {
    fail(nVLAPALS100::kStatusLookupFailure, sites::kManager, __LINE__, status);
    return dataSize;
  }
  if (node == nullptr) {
    fail(codes::kNoSequenceNumber, sites::kManager, __LINE__, status);
    return 0;
  }
  if (node->partition.descriptor.loaded == 0) loadPartition(node->partition, status);
  if (status.isFatal()) return 0;
  destination.writeToBuffer(0, node->partition.memory.data(), dataSize, status);
  return dataSize;
}

// The flash sectors are left as they are: the table no longer names them.
// An id the store does not hold may still be named by a table copy on
// flash (a create whose table write failed): a mount would bring it back,
// so the table is written without it, and the delete answers as that
// write does. An id no copy names is left alone.
void FlashPartitionManager::deletePartition(uint32_t id, const rfplatki::FlashId&, uint32_t& sequenceNumber,
                                            tStatus& status) {
  mountIfNeeded(status);
  if (status.isFatal()) return;
  PartitionNode* node = partitions_.find(id);
  if (node == nullptr) {
    if (namedOnFlash(id)) writeTable(status);
    return;
  }
  if ((node->partition.descriptor.flags & PartitionTable::kProtected) != 0) {
    fail(codes::kProtected, sites::kManager, __LINE__, status);
    return;
  }
  erasePartition(*node);
  sequenceNumber = sequenceNumbers_.advance(id);
  writeTable(status);
  if (status.isFatal()) {
    insertPartition(*node);
    return;
  }
  delete node;
}

void FlashPartitionManager::readPartitionTable(tUserBuffer& destination, const rfplatki::FlashId&, tStatus& status) {
  mountIfNeeded(status);
  if (status.isFatal()) return;
  uint64_t count = 0;
  for (PartitionNode* node = partitions_.first(); node != nullptr; node = partitions_.next(node)) ++count;
  const uint64_t length = PartitionTable::imageLength(count);
  if (length > destination.getSize()) {
    fail(nVLAPALS100::kStatusLookupFailure, sites::kManager, __LINE__, status);
    return;
  }
  ByteVector image;
  image.resize(length, 0, status);
  buildImage(image, false, status);
  destination.writeToBuffer(0, image.data(), length, status);
}

uint32_t FlashPartitionManager::getPartitionList(tUserBuffer& destination, const rfplatki::FlashId&, tStatus& status) {
  mountIfNeeded(status);
  if (status.isFatal()) return 0;
  uint32_t count = 0;
  for (PartitionNode* node = partitions_.first(); node != nullptr; node = partitions_.next(node)) ++count;
  if (destination.getSize() < uint64_t{count} * 4) {
    if (destination.getSize() != 0) fail(nVLAPALS100::kStatusLookupFailure, sites::kManager, __LINE__, status);
    return count;
  }
  vlhtl::Vector<uint32_t> ids;
  for (PartitionNode* node = partitions_.first(); node != nullptr && status.isNotFatal();
       node = partitions_.next(node)) {
    ids.push_back(node->id, status);
  }
  destination.writeToBuffer(0, ids.data(), uint64_t{count} * 4, status);
  return count;
}

void FlashPartitionManager::getFlashDeviceInfo(uint32_t& totalSize, uint32_t& sectorSize, uint32_t& alignment,
                                               const rfplatki::FlashId&, tStatus& status) {
  if (status.isFatal()) return;
  totalSize = geometry_.totalSize;
  sectorSize = geometry_.sectorSize;
  alignment = geometry_.alignment;
}

rfplatki::FlashId FlashPartitionManager::getDeviceInfoWords(tStatus&) { return flashId_; }

void FlashPartitionManager::replaceTable(const uint8_t* image, uint32_t length, tStatus& status) {
  if (status.isFatal()) return;
  if (image == nullptr || length < PartitionTable::kHeaderSize || length > geometry_.maxTableSize) {
    fail(codes::kImageLengthOutOfRange, sites::kManager, __LINE__, status);
    return;
  }
  ByteVector copy;
  if (!resizeCopy(copy, length, status)) return;
  for (uint32_t i = 0; i < length; ++i) copy[i] = image[i];
  if (PartitionTable::claimedLength(copy.data()) != length) {
    fail(nVLAPALS100::kStatusInvalidParameter, sites::kManager, __LINE__, status);
    return;
  }
  takeTable(copy.data(), length, status);
  writeTable(status);
}

void FlashPartitionManager::listPartitions(vlhtl::Vector<PartitionInfo>& infos, tStatus& status) {
  for (PartitionNode* node = partitions_.first(); node != nullptr && status.isNotFatal();
       node = partitions_.next(node)) {
    infos.push_back(node->partition.descriptor, status);
  }
}

PartitionInfo FlashPartitionManager::getPartitionInfo(uint32_t id, tStatus& status) const {
  if (status.isFatal()) return PartitionInfo{};
  const PartitionNode* node = partitions_.find(id);
  if (node == nullptr) {
    fail(codes::kNoSequenceNumber, sites::kManager, __LINE__, status);
    return PartitionInfo{};
  }
  return node->partition.descriptor;
}

bool FlashPartitionManager::hasAttribute(uint32_t id, tStatus& status) const {
  return (getPartitionInfo(id, status).flags & PartitionTable::kAttribute) != 0;
}

}  // namespace qrtk
