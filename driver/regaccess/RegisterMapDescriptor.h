// The constant description of one register map, as its generator emits it
// from the map's table: the records with their widths, offsets and reset
// values, the id-addressable views of them with their fields, one flat
// entry per id placed by a collision-free hash, the whole-map pass orders
// and the map's settings. The engine holds the rules once and reads
// everything map-specific from here.
#ifndef VL9738K_REGACCESS_REGISTERMAPDESCRIPTOR_H
#define VL9738K_REGACCESS_REGISTERMAPDESCRIPTOR_H

#include <stdint.h>

namespace arm {

// Operations an id of a view is accepted by.
enum tAccepts : uint8_t {
  kAcceptsGet = 1u << 0,
  kAcceptsSet = 1u << 1,
  kAcceptsRead = 1u << 2,
  kAcceptsWrite = 1u << 3,
  kAcceptsFlush = 1u << 4,
  kAcceptsRefresh = 1u << 5,
};

enum class tRecordKind : uint8_t {
  // A software copy of the register with a dirty flag.
  kShadowed,
  // No copy: every read and write goes straight to the hardware.
  kDirect,
};

// How `set` and `write` by id put a value into a one-bit field, unless the
// field says otherwise; the generator folds the rule into each id's entry.
enum class tOneBitRule : uint8_t {
  kNonZero,    // any non-zero value (all 64 bits tested) sets the bit
  kLowestBit,  // the value is cut to the field's width like any other
};

// What `flush` and `refresh` by a field id require of the field.
enum class tFieldIdRule : uint8_t {
  kSelectsRegister,  // any field id reaches its register
  kFollowsField,     // a write-only field's id is refused by refresh, a read-only one's by flush
};

// What the trailing u32 of the per-register operations means.
enum class tContextUse : uint8_t {
  kIgnored,
  kElementIndex,  // selects the element of an arrayed register
};

struct tMapSettings {
  // After reinitialize: dirty, so the next flushRegMap writes every register
  // and brings reset hardware in line, or clean.
  bool dirtyAfterReinitialize;
  tOneBitRule oneBitRule;
  tContextUse contextUse;
  const char* version;
  const char* oldestCompatibleVersion;
  // Published as the source file of every failure the map records.
  const char* sourceFile;
  tFieldIdRule fieldIdsInFlushAndRefresh;
};

struct tRecordInfo {
  const char* name;
  uint64_t resetValue;
  // Strobe bits the hardware clears by itself once written.
  uint64_t selfClearingMask;
  // Position in the block: bytes, or registers in maps that count them.
  uint32_t offset;
  // Where the record lies in the map's block of records.
  uint32_t recordOffset;
  uint8_t width;  // bytes: 1, 2, 4 or 8
  tRecordKind kind;
  // Bits the hardware cannot report back (write-only fields): a refresh
  // keeps the shadow's value of them.
  uint64_t keptOnRefresh;
};

struct tFieldInfo {
  uint64_t mask;  // in place, not shifted
  uint8_t lowestBit;
  uint8_t type;  // arm::FieldType
};

// One register id and what it reaches: a record (the first of
// `elementCount` when the register is an array), its fields in ascending
// bit order, and the operations that accept it. A register may have two
// views, a writable and a read-only one with fields of their own.
struct tViewInfo {
  uint32_t id;
  uint16_t record;
  uint16_t elementCount;
  uint16_t firstField;
  uint16_t fieldCount;
  uint8_t accepts;
};

// Flags of an id's entry.
enum tItemFlags : uint8_t {
  // The record is a direct one: no shadow.
  kItemDirect = 1u << 0,
  // The value is a flag: any non-zero value stores 1 in the field's lowest
  // bit and clears the rest of the field, and the field reads 1 when any of
  // its bits is set. One-bit fields under the non-zero rule are flags too.
  kItemFlag = 1u << 1,
};

inline constexpr uint32_t kNoItem = 0xFFFFFFFFu;  // the id of an empty slot: no lookup key is all ones

// One id and everything its operations need, in one place. A whole-register
// id has the mask of the register's width and lowest bit 0.
struct tItemInfo {
  uint64_t mask;  // in place, not shifted
  uint32_t id;
  // Where the record (the first element of an array) lies in the block.
  uint32_t recordOffset;
  uint16_t record;
  uint16_t view;
  uint16_t elementCount;
  uint8_t lowestBit;
  uint8_t accepts;
  uint8_t width;  // bytes
  uint8_t flags;  // tItemFlags
  // `accepts` where the id reaches one record (no array), else nothing:
  // what the hot paths may take without looking further.
  uint8_t plainAccepts;
};

// Where an id's entry lies: one multiplicative hash of the id; its top bits
// pick a bucket, whose seed is XORed into bits 32 and up to give the slot.
// The generator chose the seeds so that no two ids of the map share a slot.
constexpr uint64_t hashKey(uint32_t key, uint32_t seed) { return uint64_t{key ^ seed} * 0x9E3779B97F4A7C15ull; }

// A step of a whole-map pass: a record index, or kChildStep | child index.
inline constexpr uint16_t kChildStep = 0x8000;

struct tMapDescriptor {
  const char* name;
  tMapSettings settings;
  const tRecordInfo* records;
  uint16_t recordCount;
  const tViewInfo* views;
  uint16_t viewCount;
  const tFieldInfo* fields;
  uint16_t fieldCount;
  // The hash slots: every id's entry, empty slots with id kNoItem.
  const tItemInfo* items;
  uint16_t itemCount;  // slots, a power of two
  const uint32_t* bucketSeeds;
  uint32_t bucketSeed;
  uint8_t bucketShift;  // 64 - log2(buckets)
  const uint16_t* flushOrder;
  uint16_t flushStepCount;
  const uint16_t* refreshOrder;
  uint16_t refreshStepCount;
  uint16_t childCount;
};

// The slots of a map without ids (a copy per user: no symbol leaves the module).
// Two slots and two buckets: the smallest tables the lookup indexes (bucket
// shift 63, slot mask 1).
constexpr tItemInfo kNoItems[2] = {{0, kNoItem, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {0, kNoItem, 0, 0, 0, 0, 0, 0, 0, 0, 0}};
constexpr uint32_t kNoSeeds[2] = {0, 0};

}  // namespace arm

#endif
