// The constant description of one register map, as its generator emits it
// from the map's table: the records with their widths, offsets and reset
// values, the id-addressable views of them with their fields, the sorted
// id table, the whole-map pass orders and the map's settings. The engine
// holds the rules once and reads everything map-specific from here.
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

// How `set` and `write` by id put a value into a one-bit field.
enum class tOneBitRule : uint8_t {
  kNonZero,    // any non-zero value (all 64 bits tested) sets the bit
  kLowestBit,  // the value is cut to the field's width like any other
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

inline constexpr uint16_t kWholeRegister = 0xFFFF;

// Every register id and field id of the map, sorted by id.
struct tItemInfo {
  uint32_t id;
  uint16_t view;
  uint16_t field;  // index into the fields, or kWholeRegister
};

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
  const tItemInfo* items;
  uint16_t itemCount;
  const uint16_t* flushOrder;
  uint16_t flushStepCount;
  const uint16_t* refreshOrder;
  uint16_t refreshStepCount;
  uint16_t childCount;
};

}  // namespace arm

#endif
