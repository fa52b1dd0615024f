// What a list engine can do, as its capabilities register tells it and as
// user mode receives it: 24 bytes, little-endian.
#ifndef VL9738K_LISTMODE_LISTTRAITS_H
#define VL9738K_LISTMODE_LISTTRAITS_H

#include <stddef.h>
#include <stdint.h>

namespace listmodek {

struct ListTraits {
  uint64_t word0;  // always 0xFFFFFFFF
  uint32_t listModeSupported;
  uint8_t pcodeVersion;
  uint8_t pcodeOldestCompatibleVersion;
  uint8_t maxListTrigger;
  uint8_t maxListEvent;
  // Engine ticks per unit of time given to delays and bit-wait timeouts.
  uint8_t capability4;
  uint8_t reserved[7];
};

static_assert(sizeof(ListTraits) == 24, "the traits are three 64-bit words");
static_assert(offsetof(ListTraits, capability4) == 16, "the tick byte opens the third word");

inline constexpr uint64_t kListTraitsWord0 = 0xFFFFFFFF;
// Ticks per time unit of an engine whose capabilities report none.
inline constexpr uint8_t kDefaultTicksPerUnit = 40;

}  // namespace listmodek

#endif
