// The board's NOR flash: a 16-bit part with the JEDEC command set behind
// the bridge's paged window 0. The window shows one page of the part; the
// bridge core's window control register (bits 31-16) picks the page, so
// every word access first brings that register in line.
//
// As a flash device it serves the partition store, whose addresses start
// at the base offset (2 MiB into the part). Below the store lie the
// directory at address 0 and the records it names: the power-on
// self-configuration (POSC) record with the board's PCI subsystem id and
// the capability list, each kept twice with a select flag (0 selects copy
// 1, anything else copy 2). An update writes and verifies the copy that is
// not selected, selects it, then brings the other copy up to date, so that
// the flag selects a complete copy at every moment.
#ifndef VL9738K_FLASH_OVCALEEPROMCONTROLLER_H
#define VL9738K_FLASH_OVCALEEPROMCONTROLLER_H

#include <stdint.h>

#include "BoardWindow.h"
#include "FlashDevice.h"
#include "driver/regaccess/IoAccessorMappedPci.h"
#include "driver/regaccess/RegisterRecord.h"

namespace nVL9738K_24_0 {

class OVCalEEPROMController : public qrtk::FlashDevice {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tPageRegister = arm::tShadowedRecord<uint32_t>;

  static constexpr uint32_t kStoreBaseOffset = 0x200000;
  static constexpr uint32_t kPoscSubsystemIdOffset = 14;
  // Verification modes: the whole word, or only its high byte.
  static constexpr uint32_t kCompareWord = 0;
  static constexpr uint32_t kCompareHighByte = 2;

  // `pageRegister` is the bridge core map's window control record of
  // window 0; the controller does not own it.
  OVCalEEPROMController(const BoardWindow& window, tPageRegister& pageRegister, tStatus& status);
  ~OVCalEEPROMController() override;
  OVCalEEPROMController(const OVCalEEPROMController&) = delete;
  OVCalEEPROMController& operator=(const OVCalEEPROMController&) = delete;

  void read(uint8_t* buffer, uint32_t address, uint32_t length, tStatus& status) override;
  void writeWithErase(const uint8_t* data, uint32_t address, uint32_t length, tStatus& status) override;
  void getGeometry(qrtk::FlashGeometry& geometry, tStatus& status) override;
  void readBytes(uint32_t address, uint32_t length, uint8_t* buffer, tStatus& status) override;
  void writeWithoutErase(const uint8_t* data, uint32_t address, uint32_t length, tStatus& status) override;
  // Sectors below the base offset are refused (-52003).
  void eraseSector(uint32_t sectorIndex, tStatus& status) override;

  void programSubsystemId(uint16_t id, tStatus& status);
  void writeDeviceSpecificCapabilities(const uint8_t* blob, uint32_t length, tStatus& status);
  void writeSerialNumber(uint32_t low, uint32_t high, tStatus& status);

  // One word at a byte address of the part (even), with the page selected.
  uint16_t readWord16(uint32_t address, tStatus& status);
  void writeWord16(uint32_t address, uint16_t value, tStatus& status);

  uint32_t getBaseOffset() const { return baseOffset_; }
  uint32_t getPageShift() const { return pageShift_; }

 private:
  class BaseOffsetOverride;

  void selectPage(uint32_t address, tStatus& status);
  void program(const uint8_t* data, uint32_t address, uint32_t length, bool erase, tStatus& status);
  void programWord(uint32_t address, uint16_t value, uint32_t mode, tStatus& status);
  static uint16_t compareMask(uint32_t mode);
  template <typename tTimebase>
  void verifyData(uint16_t expected, uint32_t address, uint32_t timeoutUs, uint32_t pollUs, uint32_t mode,
                  tStatus& status);
  bool readDirectory(uint32_t* words, uint32_t count, uint32_t discardLength, tStatus& status);
  void updateCapability(uint16_t id, const uint8_t* body, uint32_t length, tStatus& status);
  void writeCapabilityCopies(uint8_t* flagSector, uint32_t flagAddress, uint32_t flagOffset, const uint8_t* record,
                             uint32_t current, uint32_t other, uint32_t otherFlag, tStatus& status);
  bool writeAndVerify(const uint8_t* data, uint32_t address, uint32_t length, uint8_t* scratch, tStatus& status);

  tPageRegister& pageRegister_;
  uint32_t pageShift_;
  uint32_t offsetMask_;
  vllym::IoAccessorMappedPci window_;
  uint32_t windowSize_;
  uint32_t extraOffset_;
  uint32_t baseOffset_;
  // The page this controller last wrote to the page register, while it can
  // be sure the register still holds it.
  uint32_t page_;
  bool pageKnown_;
};

}  // namespace nVL9738K_24_0

#endif
