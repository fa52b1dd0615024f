// The wire form of the settings records: their fields in declaration order,
// without gaps, through a tDataReader or tDataWriter (little-endian unless
// these swap bytes). Sizes: SettlingTimes 36, FrequencySettings 138,
// PowerSettings 12, CrossSwitchSettings 10, RefClockSettings 26 bytes.
//
// A record reader checks the status before each field and stops at an
// error, leaving the fields it did not reach as they were, except the
// suggestion flag, which reads as 0 when the reader stopped before it (a
// partial record must never pass for a suggestion it did not make).
// Running out of input is only the warning 52012: the fields then read as
// 0 where their bytes are missing, and the caller decides from the status.
#ifndef VL9738K_RF_WIRE_SETTINGS_WIRE_H
#define VL9738K_RF_WIRE_SETTINGS_WIRE_H

#include <stdint.h>

#include "../../platform/status/tStatus.h"
#include "../settings/CrossSwitchSettings.h"
#include "../settings/FrequencySettings.h"
#include "../settings/PowerSettings.h"
#include "../settings/RefClockSettings.h"
#include "../settings/SettlingTimes.h"
#include "RefClockLockReport.h"
#include "tDataReader.h"
#include "tDataWriter.h"

namespace vl9738settings {

void readU32(uint32_t& value, tDataReader& reader, nVLAPALS100::tStatus& status);
void readSettlingTimes(SettlingTimes& times, tDataReader& reader, nVLAPALS100::tStatus& status);
// Zeroes both settling tables first, then reads.
void readFrequencySettings(FrequencySettings& settings, tDataReader& reader, nVLAPALS100::tStatus& status);
void readPowerSettings(PowerSettings& settings, tDataReader& reader, nVLAPALS100::tStatus& status);
void readCrossSwitchSettings(CrossSwitchSettings& settings, tDataReader& reader, nVLAPALS100::tStatus& status);
void readRefClockSettings(RefClockSettings& settings, tDataReader& reader, nVLAPALS100::tStatus& status);
void readResultRecord(RefClockLockReport& record, tDataReader& reader, nVLAPALS100::tStatus& status);

void writeU32(uint32_t value, tDataWriter& writer, nVLAPALS100::tStatus& status);
void writeSettlingTimes(const SettlingTimes& times, tDataWriter& writer, nVLAPALS100::tStatus& status);
void writeFrequencySettings(const FrequencySettings& settings, tDataWriter& writer, nVLAPALS100::tStatus& status);
void writePowerSettings(const PowerSettings& settings, tDataWriter& writer, nVLAPALS100::tStatus& status);
void writeCrossSwitchSettings(const CrossSwitchSettings& settings, tDataWriter& writer, nVLAPALS100::tStatus& status);
void writeRefClockSettings(const RefClockSettings& settings, tDataWriter& writer, nVLAPALS100::tStatus& status);
// Stops after a field that leaves an error.
void writeResultRecord(const RefClockLockReport& record, tDataWriter& writer, nVLAPALS100::tStatus& status);

}  // namespace vl9738settings

#endif
