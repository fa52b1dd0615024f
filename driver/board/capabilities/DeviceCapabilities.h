// The board's device capabilities: eight words that the board's
// calibration EEPROM carries as tagged records behind the bridge's
// device-specific PCI capability. They give the module and firmware
// revision ranges that the version checks compare and the over-temperature
// limit.
//
// The block is a sequence of little-endian records {u32 tag; u32 length;
// value}. Tags 2 to 9 carry one u32 each, for words 0 to 7; tag 1 carries
// the CRC-32 of every byte of the block before it; any other tag is skipped
// by its length, so newer records pass through older drivers.
#ifndef VL9738K_BOARD_CAPABILITIES_DEVICECAPABILITIES_H
#define VL9738K_BOARD_CAPABILITIES_DEVICECAPABILITIES_H

#include <stdint.h>

#include "driver/platform/containers/Vector.h"
#include "driver/platform/status/tStatus.h"

namespace nVL9738K_24_0 {

struct DeviceCapabilities {
  static constexpr uint32_t kWordCount = 8;
  static constexpr int32_t kDefaultTemperatureLimit = 82;
  // Words by index; a value record's tag is its word's index + 2.
  enum Word : uint32_t {
    kModuleRevision,
    kOldestModuleRevision,
    kWord2,
    kFirmwareRevision,
    kOldestFirmwareRevision,
    kWord5,
    kWord6,
    kTemperatureLimit,
  };

  uint32_t words[kWordCount];

  uint32_t moduleRevision() const { return words[kModuleRevision]; }
  uint32_t oldestModuleRevision() const { return words[kOldestModuleRevision]; }
  uint32_t firmwareRevision() const { return words[kFirmwareRevision]; }
  uint32_t oldestFirmwareRevision() const { return words[kOldestFirmwareRevision]; }
  // Degrees Celsius, compared signed.
  int32_t temperatureLimit() const { return static_cast<int32_t>(words[kTemperatureLimit]); }

  // All words 0 but the temperature limit.
  static void initialize(DeviceCapabilities& record);

  // Parses `block` into `record`; after an error the record holds its
  // defaults. With `write`, also re-serialises the block into `output` for
  // the EEPROM: the block's length as a u32, then its records in order with
  // the firmware revisions (tags 5 and 6) replaced by the new ones and the
  // CRC recomputed over the new bytes. A short value at the end of the
  // block reads as 0 with the warning +52012.
  static void parse(DeviceCapabilities& record, const uint8_t* block, uint32_t length, bool write,
                    uint32_t newFirmwareRevision, uint32_t newOldestFirmwareRevision, vlhtl::Vector<uint8_t>* output,
                    nVLAPALS100::tStatus& status);
};

}  // namespace nVL9738K_24_0

#endif
