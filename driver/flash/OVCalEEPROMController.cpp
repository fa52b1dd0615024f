#include "OVCalEEPROMController.h"

#include "CapabilityChain.h"
#include "FlashChipDescription.h"
#include "FlashSites.h"
#include "driver/platform/containers/Vector.h"
#include "driver/platform/debug/Vlsdbg.h"
#include "driver/platform/time/tTimeout.h"

namespace nVL9738K_24_0 {
namespace {

using nVLAPALS100::tStatus;
using tChip = FlashChipDescription;
using tBuffer = vlhtl::Vector<uint8_t>;

constexpr vlsdbg_Location kLocation{sites::kController, 0, "\n"};
constexpr uint32_t kStoreSize = 0x600000;
// The directory's first reads go to the POSC flag sector and are dropped:
// they only bring the window onto the part before the directory is read.
constexpr uint32_t kDirectoryPrimeAddress = 0x10000;
constexpr uint32_t kDirectoryAddress = 0;
constexpr uint32_t kDirectoryWords = 6;

void fail(int64_t code, uint32_t line, tStatus& status) { status.setCode(code, VL_SITE_AT(sites::kController, line)); }

bool isPowerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

uint32_t unpack32(const uint8_t* bytes) { return CapabilityChain::load32(bytes); }

// A zero-filled buffer of `size` bytes; false with -52000 in the status
// when there is no memory for it.
bool sized(tBuffer& buffer, uint32_t size, tStatus& status) {
  buffer.resize(size, 0, status);
  return status.isNotFatal();
}

}  // namespace

// The board-level records lie below the store: their operations address
// the part itself, and give the store's offset back however they end.
class OVCalEEPROMController::BaseOffsetOverride {
 public:
  explicit BaseOffsetOverride(OVCalEEPROMController& controller)
      : controller_(controller), saved_(controller.baseOffset_) {
    controller_.baseOffset_ = 0;
  }
  ~BaseOffsetOverride() { controller_.baseOffset_ = saved_; }
  BaseOffsetOverride(const BaseOffsetOverride&) = delete;
  BaseOffsetOverride& operator=(const BaseOffsetOverride&) = delete;

 private:
  OVCalEEPROMController& controller_;
  uint32_t saved_;
};

namespace {

uint32_t pageShiftFor(uint32_t windowSize) {
  uint32_t shift = 0;
  while ((uint64_t{1} << shift) < windowSize) ++shift;
  return shift;
}

}  // namespace

OVCalEEPROMController::OVCalEEPROMController(const BoardWindow& window, tPageRegister& pageRegister, tStatus&)
    : pageRegister_(pageRegister),
      pageShift_(pageShiftFor(window.size)),
      offsetMask_(static_cast<uint32_t>((uint64_t{1} << pageShift_) - 1)),
      window_(window.size, window.busAddress + window.offset, window.kernelAddress + window.offset, 0),
      windowSize_(window.size),
      extraOffset_(0),
      baseOffset_(kStoreBaseOffset),
      page_(0),
      pageKnown_(false) {}

OVCalEEPROMController::~OVCalEEPROMController() {}

// Within one read, program or erase the page register is written only when
// the page differs from the one this controller last wrote there. Each such
// operation begins knowing no page: between operations a reset, a reload of
// the board or a session's raw write to the bridge may have moved the
// register, whatever its shadow says, so the first select is written even
// when the shadow already holds the value. A failed write or window access
// forgets the page as well.
void OVCalEEPROMController::selectPage(uint32_t address, tStatus& status) {
  if (status.isFatal()) return;
  const auto page = static_cast<uint32_t>(static_cast<uint64_t>(address & ~offsetMask_) >> pageShift_);
  if (pageKnown_ && page == page_) return;
  const auto value = static_cast<uint32_t>(uint64_t{page} << 16) | (pageRegister_.shadow & 0xFF);
  arm::records::store<uint32_t>(pageRegister_, value);
  arm::records::flush<uint32_t>(pageRegister_, 0, !pageKnown_, status);
  pageKnown_ = status.isNotFatal();
  page_ = page;
}

uint16_t OVCalEEPROMController::readWord16(uint32_t address, tStatus& status) {
  selectPage(address, status);
  if (status.isFatal()) return 0;
  const uint16_t value = window_.read16((address & offsetMask_) + extraOffset_, status);
  if (status.isFatal()) pageKnown_ = false;
  return value;
}

void OVCalEEPROMController::writeWord16(uint32_t address, uint16_t value, tStatus& status) {
  selectPage(address, status);
  if (status.isFatal()) return;
  window_.write16((address & offsetMask_) + extraOffset_, value, status);
  if (status.isFatal()) pageKnown_ = false;
}

void OVCalEEPROMController::read(uint8_t* buffer, uint32_t address, uint32_t length, tStatus& status) {
  readBytes(address, length, buffer, status);
}

void OVCalEEPROMController::readBytes(uint32_t address, uint32_t length, uint8_t* buffer, tStatus& status) {
  if (status.isFatal()) return;
  pageKnown_ = false;
  if (buffer == nullptr) {
    fail(nVLAPALS100::kStatusBadSelector, __LINE__, status);
    return;
  }
  // Nothing to read stores nothing, not even the byte an odd start would.
  if (length == 0) return;
  uint32_t at = baseOffset_ + address;
  uint32_t done = 0;
  if ((at & 1) != 0) {
    buffer[done++] = static_cast<uint8_t>(readWord16(at - 1, status) >> 8);
    ++at;
  }
  for (; length - done >= 2 && status.isNotFatal(); done += 2, at += 2) {
    const uint16_t word = readWord16(at, status);
    buffer[done] = static_cast<uint8_t>(word);
    buffer[done + 1] = static_cast<uint8_t>(word >> 8);
  }
  if (done < length && status.isNotFatal()) buffer[done] = static_cast<uint8_t>(readWord16(at, status));
}

void OVCalEEPROMController::writeWithErase(const uint8_t* data, uint32_t address, uint32_t length, tStatus& status) {
  program(data, address, length, true, status);
}

void OVCalEEPROMController::writeWithoutErase(const uint8_t* data, uint32_t address, uint32_t length, tStatus& status) {
  program(data, address, length, false, status);
}

void OVCalEEPROMController::program(const uint8_t* data, uint32_t address, uint32_t length, bool erase,
                                    tStatus& status) {
  if (status.isFatal()) return;
  pageKnown_ = false;
  if (data == nullptr) {
    fail(nVLAPALS100::kStatusBadSelector, __LINE__, status);
    return;
  }
  if (length == 0) return;
  uint32_t at = baseOffset_ + address;
  if (erase) {
    // Every touched sector is erased before the first word goes in.
    const uint64_t last = (static_cast<uint64_t>(at) + length - 1) / tChip::kSectorSize;
    for (uint64_t sector = at / tChip::kSectorSize; sector <= last && status.isNotFatal(); ++sector) {
      eraseSector(static_cast<uint32_t>(sector), status);
    }
  }
  uint32_t done = 0;
  if ((at & 1) != 0) {
    programWord(at - 1, static_cast<uint16_t>(data[0] << 8 | 0xFF), kCompareHighByte, status);
    ++done;
    ++at;
  }
  for (; length - done >= 2 && status.isNotFatal(); done += 2, at += 2) {
    programWord(at, static_cast<uint16_t>(data[done] | data[done + 1] << 8), kCompareWord, status);
  }
  if (done < length) programWord(at, static_cast<uint16_t>(0xFF00 | data[done]), kCompareWord, status);
}

// The bits a verification compares: the whole word, or its high byte.
uint16_t OVCalEEPROMController::compareMask(uint32_t mode) { return mode == kCompareWord ? 0xFFFF : 0xFF00; }

// Programming can only clear bits: a word of all ones leaves the part as
// it is, so it takes no command cycles and starts nothing to wait for. One
// read checks that the word holds what a program would have left there.
void OVCalEEPROMController::programWord(uint32_t address, uint16_t value, uint32_t mode, tStatus& status) {
  if (value == 0xFFFF) {
    const uint16_t mask = compareMask(mode);
    const uint16_t word = readWord16(address, status);
    if (status.isNotFatal() && (word & mask) != mask) fail(nVLAPALS100::kStatusValueOutOfRange, __LINE__, status);
    return;
  }
  for (uint32_t i = 0; i < tChip::kProgramCycleCount; ++i) {
    const FlashCommandCycle cycle = tChip::programCycle(i);
    writeWord16(cycle.address, cycle.value, status);
  }
  writeWord16(address, value, status);
  verifyData<nVLAPAL000::tTimebasePrecise>(value, address, tChip::kProgramTimeoutUs, tChip::kProgramPollUs, mode,
                                           status);
}

void OVCalEEPROMController::eraseSector(uint32_t sectorIndex, tStatus& status) {
  if (status.isFatal()) return;
  pageKnown_ = false;
  const uint64_t address = static_cast<uint64_t>(sectorIndex) * tChip::kSectorSize;
  if (address < baseOffset_ || address > UINT32_MAX) {
    fail(nVLAPALS100::kStatusBadSelector, __LINE__, status);
    return;
  }
  for (uint32_t i = 0; i < tChip::kEraseCycleCount; ++i) {
    const FlashCommandCycle cycle = tChip::eraseCycle(i);
    writeWord16(cycle.address, cycle.value, status);
  }
  writeWord16(static_cast<uint32_t>(address), tChip::kSectorEraseConfirm, status);
  verifyData<nVLAPAL000::tTimebaseEfficient>(0xFFFF, static_cast<uint32_t>(address), tChip::kEraseTimeoutUs,
                                             tChip::kErasePollUs, kCompareWord, status);
}

// Busy-waits on the time base between looks: the part is polled from
// paths that may not sleep. One look after the deadline still counts, so a
// slow clock cannot fail a part that finished.
template <typename tTimebase>
void OVCalEEPROMController::verifyData(uint16_t expected, uint32_t address, uint32_t timeoutUs, uint32_t pollUs,
                                       uint32_t mode, tStatus& status) {
  if (status.isFatal()) return;
  if (mode != kCompareWord && mode != kCompareHighByte) {
    fail(nVLAPALS100::kStatusBadSelector, __LINE__, status);
    return;
  }
  const uint16_t mask = compareMask(mode);
  const uint64_t timeout = nVLAPAL000::convertTime(timeoutUs, nVLAPAL000::kTimeUnitMicroseconds, tTimebase::kUnit);
  const uint64_t poll = nVLAPAL000::convertTime(pollUs, nVLAPAL000::kTimeUnitMicroseconds, tTimebase::kUnit);
  const uint64_t start = tTimebase::getTime();
  while (tTimebase::getTime() - start < timeout) {
    nVLAPAL000::tTimeWasterSpin::pause<tTimebase>(poll);
    const bool matched = ((readWord16(address, status) ^ expected) & mask) == 0;
    if (matched || status.isFatal()) return;
  }
  const bool matched = ((readWord16(address, status) ^ expected) & mask) == 0;
  if (status.isNotFatal() && !matched) fail(nVLAPALS100::kStatusValueOutOfRange, __LINE__, status);
}

void OVCalEEPROMController::getGeometry(qrtk::FlashGeometry& geometry, tStatus& status) {
  if (status.isFatal()) return;
  const uint32_t sector = tChip::kSectorSize;
  geometry = qrtk::FlashGeometry{
      kStoreSize, sector, kStoreSize - sector, kStoreSize - 2 * sector, kStoreSize - 1 - 2 * sector, sector - 4,
      2,          0xFF};
}

bool OVCalEEPROMController::readDirectory(uint32_t* words, uint32_t count, uint32_t discardLength, tStatus& status) {
  uint8_t bytes[4 * kDirectoryWords];
  readBytes(kDirectoryPrimeAddress, discardLength, bytes, status);
  readBytes(kDirectoryAddress, 4 * count, bytes, status);
  if (status.isFatal()) return false;
  for (uint32_t i = 0; i < count; ++i) words[i] = unpack32(bytes + 4 * i);
  return true;
}

void OVCalEEPROMController::programSubsystemId(uint16_t id, tStatus& status) {
  if (status.isFatal()) return;
  BaseOffsetOverride partWide(*this);
  const uint32_t sector = tChip::kSectorSize;
  uint32_t directory[3];
  if (!readDirectory(directory, 3, 12, status)) return;
  const uint32_t flagAddress = directory[0];
  if ((flagAddress & (sector - 1)) != 0) {
    vlsdbg_printf(kVlsdbgLevelError, &kLocation, "POSC select flag does not start at the beginning of a sector!");
    fail(nVLAPALS100::kStatusContentMisplaced, __LINE__, status);
    return;
  }
  uint8_t flag[4];
  readBytes(flagAddress, sizeof flag, flag, status);
  if (status.isFatal()) return;
  const bool copy1Current = unpack32(flag) == 0;
  const uint32_t current = copy1Current ? directory[1] : directory[2];
  const uint32_t other = copy1Current ? directory[2] : directory[1];
  if (!isPowerOfTwo(sector)) {
    vlsdbg_printf(kVlsdbgLevelError, &kLocation, "Flash sector size is not a power of 2!");
    fail(nVLAPALS100::kStatusContentMisplaced, __LINE__, status);
    return;
  }
  // The other copy is written with erase too: off its sector start, that
  // erase would wipe whatever shares its sectors.
  if ((current & (sector - 1)) != 0 || (other & (sector - 1)) != 0) {
    vlsdbg_printf(kVlsdbgLevelError, &kLocation, "POSC does not start at the beginning of a sector!");
    fail(nVLAPALS100::kStatusContentMisplaced, __LINE__, status);
    return;
  }
  tBuffer record;
  if (!sized(record, sector, status)) return;
  readBytes(current, sector, record.data(), status);
  record[kPoscSubsystemIdOffset] = static_cast<uint8_t>(id);
  record[kPoscSubsystemIdOffset + 1] = static_cast<uint8_t>(id >> 8);
  uint8_t selectOther[4] = {static_cast<uint8_t>(copy1Current ? 1 : 0), 0, 0, 0};
  writeWithErase(record.data(), other, sector, status);
  writeWithErase(selectOther, flagAddress, sizeof selectOther, status);
  writeWithErase(record.data(), current, sector, status);
  writeWithErase(flag, flagAddress, sizeof flag, status);
}

void OVCalEEPROMController::writeDeviceSpecificCapabilities(const uint8_t* blob, uint32_t length, tStatus& status) {
  if (status.isFatal()) return;
  if (blob == nullptr && length != 0) {
    fail(nVLAPALS100::kStatusBadSelector, __LINE__, status);
    return;
  }
  updateCapability(CapabilityChain::kDeviceSpecific, blob, length, status);
}

void OVCalEEPROMController::writeSerialNumber(uint32_t low, uint32_t high, tStatus& status) {
  uint8_t body[8];
  CapabilityChain::store32(body, low);
  CapabilityChain::store32(body + 4, high);
  updateCapability(CapabilityChain::kSerialNumber, body, sizeof body, status);
}

void OVCalEEPROMController::updateCapability(uint16_t id, const uint8_t* body, uint32_t length, tStatus& status) {
  if (status.isFatal()) return;
  BaseOffsetOverride partWide(*this);
  const uint32_t sector = tChip::kSectorSize;
  tBuffer flagSector;
  tBuffer record;
  if (!sized(flagSector, sector, status) || !sized(record, sector, status)) return;
  if (!isPowerOfTwo(sector)) {
    vlsdbg_printf(kVlsdbgLevelError, &kLocation, "Flash sector size is not a power of 2!");
    fail(nVLAPALS100::kStatusContentMisplaced, __LINE__, status);
    return;
  }
  uint32_t directory[kDirectoryWords];
  if (!readDirectory(directory, kDirectoryWords, 4 * kDirectoryWords, status)) return;
  const uint32_t flagAddress = directory[3] & ~(sector - 1);
  const uint32_t flagOffset = directory[3] & (sector - 1);
  // The flag is a word inside the sector buffer.
  if (flagOffset > sector - 4) {
    fail(nVLAPALS100::kStatusContentMisplaced, __LINE__, status);
    return;
  }
  readBytes(flagAddress, sector, flagSector.data(), status);
  if (status.isFatal()) return;
  const uint32_t flag = unpack32(flagSector.data() + flagOffset);
  const uint32_t current = flag == 0 ? directory[4] : directory[5];
  const uint32_t other = flag == 0 ? directory[5] : directory[4];
  if ((current & (sector - 1)) != 0 || (other & (sector - 1)) != 0) {
    vlsdbg_printf(kVlsdbgLevelError, &kLocation, "CapList does not start at the beginning of a sector!");
    fail(nVLAPALS100::kStatusContentMisplaced, __LINE__, status);
    return;
  }
  readBytes(current, sector, record.data(), status);
  const uint32_t offset = CapabilityChain::find(record.data(), sector, id, status);
  const bool deviceSpecific = id == CapabilityChain::kDeviceSpecific;
  if (status.isFatal()) {
    vlsdbg_printf(kVlsdbgLevelError, &kLocation,
                  deviceSpecific ? "Could not find the DeviceSpecific capability in the sector data!"
                                 : "Could not find the SerialNumber capability in the sector data!");
    return;
  }
  const uint32_t room = sector - (offset + 4);
  if (length > room) {
    if (deviceSpecific) {
      vlsdbg_printf(kVlsdbgLevelError, &kLocation,
                    "Size of serializedCapabilities: %d Bytes is larger than remainingSectorSpace: %d Bytes.",
                    static_cast<int>(length), static_cast<int>(room));
    }
    fail(nVLAPALS100::kStatusContentMisplaced, __LINE__, status);
    return;
  }
  for (uint32_t i = 0; i < length; ++i) record[offset + 4 + i] = body[i];
  writeCapabilityCopies(flagSector.data(), flagAddress, flagOffset, record.data(), current, other, flag == 0 ? 1 : 0,
                        status);
}

void OVCalEEPROMController::writeCapabilityCopies(uint8_t* flagSector, uint32_t flagAddress, uint32_t flagOffset,
                                                  const uint8_t* record, uint32_t current, uint32_t other,
                                                  uint32_t otherFlag, tStatus& status) {
  const uint32_t sector = tChip::kSectorSize;
  const uint32_t oldFlag = unpack32(flagSector + flagOffset);
  tBuffer readBack;
  if (!sized(readBack, sector, status)) return;
  if (!writeAndVerify(record, other, sector, readBack.data(), status)) return;
  CapabilityChain::store32(flagSector + flagOffset, otherFlag);
  if (!writeAndVerify(flagSector, flagAddress, sector, nullptr, status)) return;
  if (!writeAndVerify(record, current, sector, readBack.data(), status)) return;
  CapabilityChain::store32(flagSector + flagOffset, oldFlag);
  writeAndVerify(flagSector, flagAddress, sector, nullptr, status);
}

// With a scratch buffer the sector is read back and compared byte by byte;
// a difference stops the update before the flag moves.
bool OVCalEEPROMController::writeAndVerify(const uint8_t* data, uint32_t address, uint32_t length, uint8_t* scratch,
                                           tStatus& status) {
  writeWithErase(data, address, length, status);
  if (status.isFatal()) {
    vlsdbg_printf(kVlsdbgLevelError, &kLocation, "Failed to write capability data to address: 0x%X.", address);
    return false;
  }
  if (scratch == nullptr) return true;
  readBytes(address, length, scratch, status);
  if (status.isFatal()) return false;
  for (uint32_t i = 0; i < length; ++i) {
    if (scratch[i] != data[i]) {
      vlsdbg_printf(kVlsdbgLevelError, &kLocation, "Failed to verify written capability data to address: 0x%X.",
                    address);
      fail(nVLAPALS100::kStatusValueOutOfRange, __LINE__, status);
      return false;
    }
  }
  return true;
}

}  // namespace nVL9738K_24_0
