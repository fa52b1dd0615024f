// Everything the driver may call of the kernel layer.
#ifndef VL9738K_ZUK_H
#define VL9738K_ZUK_H

#include "ZukDriver.h"
#include "ZukMemory.h"
#include "ZukPrint.h"
#include "ZukSync.h"
#include "ZukTime.h"

#endif
