#include "SubsystemMap.h"

#include <utility>

#include "IfwStatusCodes.h"
#include "SourceSites.h"
#include "YieldingPoll.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/text/tVersionCompatibility.h"

namespace vlifw {
namespace {

using nVLAPAL000::kAllocationKindPlain;
using nVLAPALS100::tStatus;

constexpr uint32_t kLineGetSubsystem = 155;
constexpr uint32_t kLineIndexOfNull = 171;
constexpr uint32_t kLineIndexOfForeign = 188;
constexpr uint32_t kLineSignature = 205;
constexpr uint32_t kLineFormatVersion = 225;
constexpr uint32_t kLineSubsystemCount = 232;
constexpr uint32_t kLineNotReady = 259;
constexpr uint32_t kLineNoDescriptors = 366;
constexpr uint32_t kLineTooManyChildren = 393;
constexpr uint32_t kLineChildrenMissing = 430;

// The subsystem-map block is subsystem 0 of the target.
constexpr uint32_t kMapSubsystem = 0;

uint64_t readMapRegister(InstructionTarget& target, uint64_t address, tStatus& status) {
  uint64_t value = 0;
  target.read(ReadInstruction{kMapSubsystem, address}, &value, status, kDefaultInstructionTimeoutMs);
  return value;
}

void writeMapRegister(InstructionTarget& target, uint64_t address, uint64_t value, tStatus& status) {
  target.write(WriteInstruction{kMapSubsystem, address, value}, true, status, kDefaultInstructionTimeoutMs);
}

// Reads `count` consecutive map registers from `first` in one batch.
template <uint64_t kCount>
void readMapRegisters(InstructionTarget& target, uint64_t first, uint64_t (&values)[kCount], tStatus& status) {
  ReadInstruction list[kCount];
  for (uint64_t i = 0; i < kCount; ++i) list[i] = ReadInstruction{kMapSubsystem, first + i};
  target.readMany(list, kCount, values, status, kDefaultInstructionTimeoutMs);
}

void recordFailure(int64_t code, uint32_t line, tStatus& status) {
  status.setCode(code, VL_SITE_AT(sites::kSubsystemMap, line));
}

}  // namespace

SubsystemMap::tRecords::~tRecords() { reset(nullptr, 0); }

void SubsystemMap::tRecords::reset(tSubsystemRecord* fresh, uint64_t freshCount) {
  for (uint64_t i = 0; i < count; ++i) delete[] records[i].descriptors;
  delete[] records;
  records = fresh;
  count = freshCount;
}

SubsystemMap::SubsystemMap(InstructionTarget* target, tStatus& status) {
  if (status.isFatal()) return;
  tRecords records;
  discover(*target, records, status);
  build(records, status);
}

SubsystemMap::~SubsystemMap() { delete[] contexts_; }

Context* SubsystemMap::getSubsystem(uint32_t index, tStatus& status) {
  if (status.isFatal()) return nullptr;
  if (index >= contextCount_) {
    recordFailure(nVLAPALS100::kStatusInvalidParameter, kLineGetSubsystem, status);
    return nullptr;
  }
  return &contexts_[index];
}

uint64_t SubsystemMap::indexOf(const Context* context, tStatus& status) {
  if (status.isFatal()) return 0;
  if (context == nullptr) {
    recordFailure(nVLAPALS100::kStatusInvalidParameter, kLineIndexOfNull, status);
    return 0;
  }
  for (uint64_t i = 0; i < contextCount_; ++i) {
    if (&contexts_[i] == context) return i;
  }
  recordFailure(nVLAPALS100::kStatusInvalidParameter, kLineIndexOfForeign, status);
  return 0;
}

void SubsystemMap::checkIdentity(InstructionTarget& target, tStatus& status) {
  const uint64_t signature = readMapRegister(target, kAddressSignature, status);
  if (status.isFatal()) return;
  if (signature != kSignature) {
    recordFailure(codes::kMapSignatureWrong, kLineSignature, status);
    return;
  }
  const uint64_t format = readMapRegister(target, kAddressFormatVersion, status);
  if (status.isFatal()) return;
  nVLAPAL000::tVersionCompatibility verdict;
  nVLAPAL000::checkVersionCompatibility(verdict, kFormatVersion, kOldestCompatibleFormatVersion, format & 0xFFFFFFFFu,
                                        format >> 32, codes::kVersionTooOld, codes::kVersionTooNew,
                                        nVLAPALS100::kStatusBadSelector, nVLAPALS100::kStatusValueOutOfRange);
  if (verdict.getCode() != 0) recordFailure(verdict.getCode(), kLineFormatVersion, status);
}

// The FPGA fills the map after configuration; it raises the ready flag
// once the map may be read.
void SubsystemMap::waitUntilReady(InstructionTarget& target, tStatus& status) {
  if (status.isFatal()) return;
  const bool ready = pollYielding(
      kReadyTimeoutMs,
      [&target](tStatus& pollStatus) {
        const uint64_t flag = readMapRegister(target, kAddressReady, pollStatus);
        return pollStatus.isNotFatal() && flag == 1;
      },
      status);
  if (!ready) recordFailure(codes::kMapNotReady, kLineNotReady, status);
}

void SubsystemMap::readSubsystem(InstructionTarget& target, uint64_t index, tSubsystemRecord& record, tStatus& status) {
  writeMapRegister(target, kAddressSubsystemSelect, index, status);
  uint64_t header[2] = {};
  readMapRegisters(target, kAddressSubsystemNumber, header, status);
  if (status.isFatal()) return;
  record.number = header[0];
  record.descriptorCount = header[1];
  record.descriptors = new (status, kAllocationKindPlain) tDescriptor[record.descriptorCount];
  if (record.descriptors == nullptr) {
    record.descriptorCount = 0;
    return;
  }
  for (uint64_t j = 0; j < record.descriptorCount && status.isNotFatal(); ++j) {
    writeMapRegister(target, kAddressDescriptorSelect, j, status);
    uint64_t fields[6] = {};
    readMapRegisters(target, kAddressUid, fields, status);
    record.descriptors[j] = tDescriptor{static_cast<uint16_t>(fields[0]), static_cast<uint16_t>(fields[1]),
                                        static_cast<uint16_t>(fields[2]), static_cast<uint8_t>(fields[3]),
                                        static_cast<uint8_t>(fields[4]),  fields[5]};
  }
}

void SubsystemMap::discover(InstructionTarget& target, tRecords& records, tStatus& status) {
  checkIdentity(target, status);
  const uint64_t count = readMapRegister(target, kAddressSubsystemCount, status);
  if (status.isFatal()) return;
  if (count == 0 || count > kMaximumSubsystems) {
    recordFailure(nVLAPALS100::kStatusBadSelector, kLineSubsystemCount, status);
    return;
  }
  tSubsystemRecord* fresh = new (status, kAllocationKindPlain) tSubsystemRecord[count];
  if (fresh == nullptr) return;
  for (uint64_t i = 0; i < count; ++i) fresh[i] = tSubsystemRecord{0, 0, nullptr};
  records.reset(fresh, count);
  waitUntilReady(target, status);
  if (status.isFatal()) return;
  for (uint64_t i = 0; i < count && status.isNotFatal(); ++i) readSubsystem(target, i, records.records[i], status);
  // Hand the map back to the FPGA even when reading it failed.
  tStatus release;
  writeMapRegister(target, kAddressReady, 0, release);
  status.merge(release);
}

// For each subsystem number from 0 up, every record with that number is
// swapped to the insertion point, which then advances past it.
void SubsystemMap::orderByNumber(tRecords& records) {
  uint64_t insertion = 0;
  for (uint64_t number = 0; number <= 0xFF && records.count - insertion > 1; ++number) {
    for (uint64_t k = insertion; k < records.count; ++k) {
      if ((records.records[k].number & 0xFF) != number) continue;
      std::swap(records.records[k], records.records[insertion]);
      ++insertion;
    }
  }
}

// Walks the contexts after `node`: with nothing pending, the context at
// hand is the next child and its own children become pending; otherwise it
// is a descendant of an earlier child and settles one pending node while
// adding its own children. Returns the children array (null for a leaf).
Context** SubsystemMap::collectChildren(uint64_t node, const uint64_t* childCounts, tStatus& status) {
  const uint64_t wanted = childCounts[node];
  if (wanted == 0) return nullptr;
  Context** children = new (status, kAllocationKindPlain) Context*[wanted];
  if (children == nullptr) return nullptr;
  uint64_t found = 0;
  uint64_t pending = 0;
  for (uint64_t k = node + 1; found < wanted; ++k) {
    if (k >= contextCount_) {
      delete[] children;
      recordFailure(nVLAPALS100::kStatusBadSelector, kLineChildrenMissing, status);
      return nullptr;
    }
    if (pending == 0) {
      children[found++] = &contexts_[k];
      pending = childCounts[k];
    } else {
      pending = pending + childCounts[k] - 1;
    }
  }
  return children;
}

// Child counts are kept wider than a descriptor's 8 bits while building:
// the root adopts every node no descriptor claims, which may well be more
// than 255 (one top-level block per subsystem and more).
bool SubsystemMap::countChildren(const tRecords& records, uint64_t*& childCounts, tStatus& status) {
  uint64_t total = 0;
  uint64_t claimed = 0;
  for (uint64_t r = 0; r < records.count; ++r) {
    total += records.records[r].descriptorCount;
    for (uint64_t j = 0; j < records.records[r].descriptorCount; ++j) {
      claimed += records.records[r].descriptors[j].childCount;
    }
  }
  if (total == 0) {
    recordFailure(nVLAPALS100::kStatusBadSelector, kLineNoDescriptors, status);
    return false;
  }
  if (claimed >= total) {
    recordFailure(nVLAPALS100::kStatusBadSelector, kLineTooManyChildren, status);
    return false;
  }
  childCounts = new (status, kAllocationKindPlain) uint64_t[total];
  if (childCounts == nullptr) return false;
  uint64_t g = 0;
  for (uint64_t r = 0; r < records.count; ++r) {
    for (uint64_t j = 0; j < records.records[r].descriptorCount; ++j) {
      childCounts[g++] = records.records[r].descriptors[j].childCount;
    }
  }
  childCounts[0] += total - 1 - claimed;
  delete[] contexts_;
  contextCount_ = 0;
  contexts_ = new (status, kAllocationKindPlain) Context[total];
  if (contexts_ == nullptr) return false;
  contextCount_ = total;
  return true;
}

// A map holds either the whole tree or none of it.
void SubsystemMap::build(tRecords& records, tStatus& status) {
  if (status.isFatal()) return;
  orderByNumber(records);
  uint64_t* childCounts = nullptr;
  if (countChildren(records, childCounts, status)) {
    uint64_t g = 0;
    for (uint64_t r = 0; r < records.count && status.isNotFatal(); ++r) {
      const tSubsystemRecord& record = records.records[r];
      for (uint64_t j = 0; j < record.descriptorCount && status.isNotFatal(); ++j, ++g) {
        const tDescriptor& descriptor = record.descriptors[j];
        Context** children = collectChildren(g, childCounts, status);
        if (status.isFatal()) break;
        contexts_[g].initialize(static_cast<uint8_t>(record.number), descriptor.offset, descriptor.uid,
                                descriptor.instance, descriptor.version, descriptor.oldestCompatible, children,
                                childCounts[g]);
      }
    }
  }
  delete[] childCounts;
  if (status.isNotFatal()) return;
  delete[] contexts_;
  contexts_ = nullptr;
  contextCount_ = 0;
}

}  // namespace vlifw
