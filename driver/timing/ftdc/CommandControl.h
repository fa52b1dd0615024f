// The commands of one timing-measurement block: two command registers that
// are pulsed, a done flag, three results, and the block's constant traits
// (read once, when the block is new enough to publish them).
#ifndef VL9738K_TIMING_FTDC_COMMANDCONTROL_H
#define VL9738K_TIMING_FTDC_COMMANDCONTROL_H

#include <stdint.h>

#include "driver/ifw/ContextInterface.h"
#include "driver/ifw/InstructionTarget.h"
#include "driver/platform/text/FixedPointNumber.h"

namespace vlftdc {

struct tTraits {
  uint32_t size = 0;
  uint32_t version = 0;
  uint32_t blockVersion = 0;
  uint32_t blockOldestCompatibleVersion = 0;
  uint64_t traits9 = 0;
  uint32_t traits6High = 0;
  uint32_t traits6Low = 0;
  uint32_t traits7High = 0;
  uint32_t traits7Low = 0;
  uint32_t traits8High = 0;
  uint32_t traits8Low = 0;
};

static_assert(sizeof(tTraits) == 48, "the traits record is 48 bytes");

class CommandControl {
 public:
  using tStatus = nVLAPALS100::tStatus;

  static constexpr uint16_t kUid = 108;
  static constexpr uint16_t kVersion = 1;
  static constexpr uint16_t kOldestCompatibleVersion = 0;
  static constexpr uint32_t kTraitsSize = 48;
  static constexpr uint32_t kTraitsVersion = 1;
  static constexpr uint32_t kCommonTraitsSize = 16;
  // Results are unsigned, 36 bits wide with 7 integer bits.
  static constexpr vlfxptype::Configuration kResultFormat{0, 36, 7};

  class tMeasurementDone {
   public:
    explicit tMeasurementDone(CommandControl& owner) : owner_(owner) {}
    uint64_t readMeasurementDone(tStatus& status) { return owner_.readRegister(kDone, status); }

   private:
    CommandControl& owner_;
  };

  // Refuses any block but a timing-measurement block of a version this
  // code drives; reads the traits.
  CommandControl(const vlifw::ContextInterface* context, vlifw::InstructionTarget* target, tStatus& status);
  virtual ~CommandControl() {}
  CommandControl(const CommandControl&) = delete;
  CommandControl& operator=(const CommandControl&) = delete;

  virtual void pulseRegister1(tStatus& status);
  virtual void pulseRegister0(tStatus& status);
  // Waits for the done flag, then reads the results; on any failure the
  // results are 0. A negative timeout is refused.
  virtual void waitForMeasurementDone(int32_t timeoutMs, vlfxptype::Number& first, vlfxptype::Number& second,
                                      uint64_t& third, tStatus& status);
  virtual void pulseRegister0Again(tStatus& status) { pulseRegister0(status); }
  // `record` names its size and version; only version 1 of size 48 is
  // served.
  virtual void getResults(tTraits* record, tStatus& status) const;

  // The first 16 bytes of the traits into a buffer of at least that size.
  void copyCommonTraits(void* buffer, uint64_t size, tStatus& status) const;
  const tTraits& traits() const { return traits_; }

 private:
  enum Register : uint64_t {
    kCommand0 = 0,
    kCommand1 = 1,
    kDone = 2,
    kFirstResult = 3,
    kSecondResult = 4,
    kThirdResult = 5,
    kTraits6 = 6,
    kTraits7 = 7,
    kTraits8 = 8,
    kTraits9 = 9,
  };

  void writeRegister(uint64_t offset, uint64_t value, bool wait, tStatus& status);
  uint64_t readRegister(uint64_t offset, tStatus& status);
  void pulse(uint64_t offset, tStatus& status);
  // True once the done flag reads 1 within the timeout.
  bool awaitDone(uint64_t timeoutUs);

  const vlifw::ContextInterface* context_;
  vlifw::InstructionTarget* target_;
  vlfxptype::Configuration resultFormat_ = kResultFormat;
  tMeasurementDone done_{*this};
  tTraits traits_{};
};

}  // namespace vlftdc

#endif
