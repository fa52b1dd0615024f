// Kernel-layer time: timer ticks, the monotonic counter and sleeping.
#ifndef VL9738K_ZUK_TIME_H
#define VL9738K_ZUK_TIME_H

#include "ZukTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

uint64_t nVLZUK110_getTimerCount(void);
// Length of one timer tick in microseconds.
uint64_t nVLZUK100_getTimerInterval(void);
// Nanoseconds since an arbitrary origin; never goes backwards.
uint64_t nVLZUK1_getMonotonicCounter(void);
void nVLZUK250_sleepTimeout(uint32_t microseconds);
void nVLZUK200_yield(void);

#ifdef __cplusplus
}
#endif

#endif
