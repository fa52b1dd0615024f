// What the factory writes into the board's NOR flash below the partition
// store: the directory at address 0, the power-on self-configuration record
// (its PCI subsystem id) and the capability list, each record kept twice
// with a select flag word (0 selects copy 1, anything else copy 2).
//
// The capability list is a chain of records: a 32-bit header (bits 31-16
// the capability id, bits 15-2 the next pointer, bits 1-0 its type), then
// the body. Pointer types: 0 absolute (0 ends the chain), 1 absolute with
// the upper half taken from the upper half of the word just before the
// header, 2 relative to the header, 3 invalid.
#ifndef VL9738K_SIM_BOARD_FLASH_IMAGE_H
#define VL9738K_SIM_BOARD_FLASH_IMAGE_H

#include <cstdint>
#include <vector>

#include "NorFlash.h"

namespace sim {

struct FlashLayout {
  static constexpr uint32_t kDirectory = 0x000000;
  static constexpr uint32_t kPoscSelect = 0x010000;
  static constexpr uint32_t kPoscCopy1 = 0x020000;
  static constexpr uint32_t kPoscCopy2 = 0x030000;
  static constexpr uint32_t kCapabilitySelect = 0x040000;
  static constexpr uint32_t kCapabilityCopy1 = 0x050000;
  static constexpr uint32_t kCapabilityCopy2 = 0x060000;
  // The partition store, to the end of the part; its table copies lie in
  // its last two sectors, copy A last.
  static constexpr uint32_t kPartitionStore = 0x200000;
  static constexpr uint32_t kPartitionTableA = 0x7F0000;
  static constexpr uint32_t kPartitionTableB = 0x7E0000;
  // Where the POSC record keeps the board's PCI subsystem id.
  static constexpr uint32_t kPoscSubsystemId = 14;
};

struct CapabilityRecord {
  static constexpr uint16_t kDeviceSpecific = 1;
  static constexpr uint16_t kSerialNumber = 4;
  static constexpr uint16_t kGeographicAddress = 0x4741;

  // How the record before this one points at it.
  enum class Link { Absolute, AbsoluteWithHighHalf, Relative };

  uint16_t id = 0;
  std::vector<uint8_t> body;
  Link link = Link::Relative;

  static CapabilityRecord serialNumber(uint64_t serial);
  // `registerOffset` where the slot is read; the descriptor packs the
  // address space (bits 3-0), the access width code (bits 10-8) and the
  // shift (bits 20-16).
  static CapabilityRecord geographicAddress(uint32_t registerOffset, uint32_t descriptor);
  static CapabilityRecord deviceSpecific(const std::vector<uint8_t>& data);
};

class FlashImage {
 public:
  // Directory words: POSC select, copy 1, copy 2; capability-list select,
  // copy 1, copy 2.
  static void writeDirectory(NorFlash& flash);
  static void writePosc(NorFlash& flash, uint32_t address, uint16_t subsystemId);
  static void writeSelect(NorFlash& flash, uint32_t address, uint32_t flag);
  // Lays the records out from `address`, each at a 4-byte boundary, a
  // record linked with its high half preceded by the word that carries it,
  // and the last one ending the chain. Returns the address of the first
  // header (the list start the directory names).
  static uint32_t writeCapabilityList(NorFlash& flash, uint32_t address, const std::vector<CapabilityRecord>& records);
  // An empty partition table in both copies: the 14-byte header with no
  // entries, then its CRC-32.
  static void writeEmptyPartitionStore(NorFlash& flash);
  static std::vector<uint8_t> emptyPartitionTableRecord();
  // The header word of a record.
  static uint32_t header(uint16_t id, uint16_t pointer, unsigned type);
};

}  // namespace sim

#endif
