// Where a status code was raised. Every site names this module as the
// component; a site with a fixed, published location passes it explicitly,
// every other site records the real source file and line.
#ifndef VL9738K_PLATFORM_STATUS_SITE_H
#define VL9738K_PLATFORM_STATUS_SITE_H

#include <stdint.h>

#define VL_COMPONENT "vl9738k"
#define VL_SITE_AT(file, line) VL_COMPONENT, (file), static_cast<uint64_t>(line)
#define VL_SITE VL_SITE_AT(__FILE__, __LINE__)

#endif
