// One FIFO of a personality as user mode describes it (a 37-byte record on
// the wire): its resource descriptor, its number (also the index of its
// DMA channel), the offset of its control block in the FPGA window and a
// second offset (0xFFFFFFFF: none), the DMA flag that asks for a DMA FIFO,
// and words the driver only carries.
#ifndef VL9738K_FPGA_WIRE_FIFOINFO_H
#define VL9738K_FPGA_WIRE_FIFOINFO_H

#include <stdint.h>

#include "ResourceDescriptor.h"

namespace vllym {

class FifoDescriptor : public ResourceDescriptor {
 public:
  uint32_t fifoNumber = 0;
  uint32_t controlOffset = 0;
  uint32_t fifoWord = 0;
  uint8_t dmaFlag = 0;
  uint32_t secondOffset = 0;
  uint32_t fifoWord2 = 0;
};

class FifoInfo {
 public:
  static constexpr uint32_t kNoOffset = 0xFFFFFFFF;
  // A FIFO that runs both ways needs both offsets.
  static constexpr uint8_t kBothWays = 2;
  static constexpr uint64_t kWireSize = 37;

  virtual ~FifoInfo() {}
  virtual void serialize(Serializer& out, nVLAPALS100::tStatus& status) const;
  // Every field in wire order; a resource kind other than 1 fails with
  // -52005 and leaves the fields after the type 0.
  void deserialize(Deserializer& in, nVLAPALS100::tStatus& status);

  const FifoDescriptor& getDescriptor() const { return descriptor_; }
  uint8_t getDirection() const { return descriptor_.direction; }
  uint32_t getFifoNumber() const { return descriptor_.fifoNumber; }
  uint32_t getControlOffset() const { return descriptor_.controlOffset; }
  void setControlOffset(uint32_t offset) { descriptor_.controlOffset = offset; }
  uint32_t getFifoWord() const { return descriptor_.fifoWord; }
  uint32_t getSecondOffset() const { return descriptor_.secondOffset; }
  void setSecondOffset(uint32_t offset) { descriptor_.secondOffset = offset; }
  uint32_t getFifoWord2() const { return descriptor_.fifoWord2; }
  void setFifoWord2(uint32_t word) { descriptor_.fifoWord2 = word; }
  bool isFifoWord2NonZero() const { return descriptor_.fifoWord2 != 0; }
  uint8_t getDmaFlag() const { return descriptor_.dmaFlag; }
  bool isValid() const;

 private:
  FifoDescriptor descriptor_;
};

}  // namespace vllym

#endif
