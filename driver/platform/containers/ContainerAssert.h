// The guard of containers that keep their elements in place and trust
// their callers with the capacity: going past it would overwrite whatever
// follows the container, so the machine stops instead.
#ifndef VL9738K_PLATFORM_CONTAINERS_CONTAINER_ASSERT_H
#define VL9738K_PLATFORM_CONTAINERS_CONTAINER_ASSERT_H

#include "../debug/Vlsdbg.h"

// `text` is the assertion as the log shows it.
#define VL_CONTAINER_ASSERT(condition, text)                                             \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      static constexpr vlsdbg_Location vlContainerLocation{__FILE__, __LINE__, "\n"};    \
      vlsdbg_assertFailed(&vlContainerLocation, text, "%s", "container bound exceeded"); \
    }                                                                                    \
  } while (0)

#endif
