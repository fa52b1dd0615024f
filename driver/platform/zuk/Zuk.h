// Everything the driver may call of the kernel layer.
#ifndef VL9738K_ZUK_H
#define VL9738K_ZUK_H

#include "ZukDMA.h"
#include "ZukDevice.h"
#include "ZukDriver.h"
#include "ZukMemory.h"
#include "ZukPci.h"
#include "ZukPrint.h"
#include "ZukRegisters.h"
#include "ZukSocket.h"
#include "ZukSync.h"
#include "ZukThread.h"
#include "ZukTime.h"
#include "ZukUserMemory.h"

#endif
