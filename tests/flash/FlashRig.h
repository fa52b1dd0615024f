// A simulated board with the flash controller built as the board object
// builds it: the core register map over BAR 0, the flash window read from
// the bridge's window 0 base register, and the page register of window 0.
// The partition manager's callers are stood in for by user blocks.
#ifndef VL9738K_TESTS_FLASH_FLASH_RIG_H
#define VL9738K_TESTS_FLASH_FLASH_RIG_H

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "driver/flash/FlashPartitionManager.h"
#include "driver/flash/OVCalEEPROMController.h"
#include "driver/regaccess/IoAccessorMappedPci.h"
#include "driver/regmaps/bridge/tOstervaneWexelCoreRegMap.h"
#include "sim/board/Board.h"
#include "sim/kernel/Clock.h"
#include "sim/kernel/UserMemory.h"

namespace vltest {

using nVL9738K_24_0::OVCalEEPROMController;
using nVLAPALS100::tStatus;
using qrtk::FlashPartitionManager;
using Bytes = std::vector<uint8_t>;

inline constexpr uint64_t kFlashBar0Bus = 0xF7E00000;

class FlashRig {
 public:
  explicit FlashRig(const sim::BoardOptions& options = {})
      : board(options),
        bar0(sim::Board::kBar0Size, kFlashBar0Bus, board.bar0().mappedAddress(), 0),
        core(&bar0, 0, 0, 0xFFFFFFFF) {
    // A busy-wait step of 1 ms keeps the 500 ms erase polls short in real
    // time; the 60 us program polls end after one step.
    sim::Clock::instance().setSpinStepNs(1'000'000);
    tStatus status;
    const uint32_t base = bar0.read32(0xC0, status);
    window = nVL9738K_24_0::BoardWindow{kFlashBar0Bus, board.bar0().mappedAddress(), base & ~0xFFu, 1u << (base & 31)};
    controller = std::make_unique<OVCalEEPROMController>(window, core.ConfPortWindowControl[0], status);
  }

  sim::NorFlash& flash() { return board.flash(); }
  uint32_t storeByte(uint32_t address) const { return OVCalEEPROMController::kStoreBaseOffset + address; }

  // A bring-up's manager: the sequence-number offset outlives it, as the
  // device's does.
  std::unique_ptr<FlashPartitionManager> manager(tStatus& status) {
    const FlashPartitionManager::tIdVector noCore;
    return std::make_unique<FlashPartitionManager>(controller.get(), noCore, rfplatki::FlashId{}, false, &numberOffset,
                                                   status);
  }

  sim::Board board;
  vllym::IoAccessorMappedPci bar0;
  nVL9738K_24_0::nKMR4::tOstervaneWexelCoreRegMap core;
  nVL9738K_24_0::BoardWindow window{};
  std::unique_ptr<OVCalEEPROMController> controller;
  uint64_t numberOffset = 0;
};

// User memory holding `bytes`, wrapped as the request layer wraps it.
class UserBytes {
 public:
  explicit UserBytes(const Bytes& bytes)
      : block_(bytes.size()), buffer_(descriptor_, block_.address(), bytes.size(), status_) {
    if (!bytes.empty()) std::memcpy(block_.data(), bytes.data(), bytes.size());
  }
  explicit UserBytes(size_t size) : UserBytes(Bytes(size, 0)) {}
  nVLAPAL000::tUserBuffer& buffer() { return buffer_; }
  Bytes bytes(size_t length) const { return Bytes(block_.data(), block_.data() + length); }

 private:
  nVLAPAL000::tEventDescriptor descriptor_{nullptr};
  tStatus status_;
  sim::UserBlock block_;
  nVLAPAL000::tUserBuffer buffer_;
};

// Reads a partition's sequence number and writes it with `flags`; the new
// number, or 0 when the write failed.
inline uint32_t put(FlashPartitionManager& manager, uint32_t id, const Bytes& data, tStatus& status,
                    uint32_t flags = FlashPartitionManager::kPersist) {
  UserBytes none(0);
  uint32_t sequence = 0;
  manager.readPartition(id, none.buffer(), rfplatki::FlashId{}, sequence, status);
  UserBytes source(data);
  manager.writePartition(id, source.buffer(), flags, rfplatki::FlashId{}, sequence, status);
  return status.isFatal() ? 0 : sequence;
}

inline Bytes get(FlashPartitionManager& manager, uint32_t id, tStatus& status) {
  UserBytes none(0);
  uint32_t sequence = 0;
  const uint32_t size = manager.readPartition(id, none.buffer(), rfplatki::FlashId{}, sequence, status);
  UserBytes destination(size);
  if (size != 0) manager.readPartition(id, destination.buffer(), rfplatki::FlashId{}, sequence, status);
  return destination.bytes(size);
}

inline Bytes pattern(size_t size, uint8_t seed) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
  return bytes;
}

}  // namespace vltest

#endif
