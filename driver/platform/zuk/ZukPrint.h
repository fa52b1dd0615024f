// Kernel-layer console output and halting.
#ifndef VL9738K_ZUK_PRINT_H
#define VL9738K_ZUK_PRINT_H

#include "ZukTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

void nVLZUK100_printToDebugger(const char* text);
// Both return the number of characters the whole text needs (like C's
// vsnprintf), not counting the terminator.
int32_t nVLZUK100_vsnPrintf(char* buffer, uint64_t size, const char* format, va_list arguments);
int32_t nVLZUK100_vsprintf(char* buffer, const char* format, va_list arguments);
__attribute__((noreturn)) void nVLZUK250_halt(const char* component, const char* file, uint64_t line,
                                              const char* message);

#ifdef __cplusplus
}
#endif

#endif
