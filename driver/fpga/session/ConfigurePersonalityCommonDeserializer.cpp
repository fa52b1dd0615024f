#include "ConfigurePersonalityCommonDeserializer.h"

#include "driver/fpga/UserPageLock.h"
#include "driver/platform/device/tUserBuffer.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/memory/UserBound.h"
#include "driver/platform/zuk/ZukDMA.h"
#include "driver/platform/zuk/ZukMemory.h"

namespace vllym {

ConfigurePersonalityCommonDeserializer::ConfigurePersonalityCommonDeserializer(
    nVLAPAL000::tEventDescriptor& event, uint64_t commonAddress, uint64_t commonSize, uint64_t fifoAddress,
    uint64_t fifoSize, uint64_t bitfileAddress, uint64_t bitfileSize, tStatus& status, bool bitfileRequired)
    : personality_(0), attributes_(0), refusalCode_(0), bitfile_{0, 0, 0} {
  if (status.isFatal()) return;
  if (bitfileSize == 0 && bitfileRequired) {
    status.setCode(nVLAPALS100::kStatusBadSelector, VL_SITE);
    return;
  }
  readCommon(event, commonAddress, commonSize, status);
  if (fifoSize != 0) readFifos(event, fifoAddress, fifoSize, status);
  if (bitfileSize != 0) lockUserPages(bitfileAddress, bitfileSize, kPageListBitfile, bitfile_, status);
}

ConfigurePersonalityCommonDeserializer::ConfigurePersonalityCommonDeserializer(nVLAPAL000::tEventDescriptor& event,
                                                                               uint64_t commonAddress,
                                                                               uint64_t commonSize,
                                                                               uint64_t fifoAddress, uint64_t fifoSize,
                                                                               tStatus& status)
    : personality_(0), attributes_(0), refusalCode_(0), bitfile_{0, 0, 0} {
  if (status.isFatal()) return;
  readCommon(event, commonAddress, commonSize, status);
  if (fifoSize != 0) readFifos(event, fifoAddress, fifoSize, status);
}

ConfigurePersonalityCommonDeserializer::~ConfigurePersonalityCommonDeserializer() {
  nVLZUK220_tPageList_destroy(bitfile_.handle);
}

template <typename tRead>
void ConfigurePersonalityCommonDeserializer::readCopy(nVLAPAL000::tEventDescriptor& event, uint64_t address,
                                                      uint64_t size, uint64_t bound, tStatus& status, tRead read) {
  if (!nVLAPAL000::withinUserBound(size, bound, VL_SITE, status)) return;
  auto* copy = static_cast<uint8_t*>(nVLAPAL000::allocateWithStatus(size, status));
  if (copy == nullptr) return;
  nVLAPAL000::tUserBuffer(event, address, size, status).readFromBuffer(0, copy, size, status);
  if (status.isNotFatal()) {
    Deserializer in(copy, size);
    read(in);
  }
  nVLZUK100_free(copy);
}

void ConfigurePersonalityCommonDeserializer::readCommon(nVLAPAL000::tEventDescriptor& event, uint64_t address,
                                                        uint64_t size, tStatus& status) {
  readCopy(event, address, size, kMaxCommonBytes, status, [&](Deserializer& in) {
    registers_.deserialize(in, status);
    personality_ = in.readU32(status);
    attributes_ = in.readU32(status);
    refusalCode_ = in.readI32(status);
    const uint32_t zero = 0;
    while (signature_.size() < kSignatureWords) signature_.push_back(zero);
    for (uint64_t word = 0; word < kSignatureWords; ++word) signature_[word] = in.readU32(status);
  });
}

void ConfigurePersonalityCommonDeserializer::readFifos(nVLAPAL000::tEventDescriptor& event, uint64_t address,
                                                       uint64_t size, tStatus& status) {
  readCopy(event, address, size, kMaxFifoListBytes, status, [&](Deserializer& in) {
    while (in.bytesLeft() != 0 && status.isNotFatal()) {
      FifoInfo fifo;
      fifo.deserialize(in, status);
      if (status.isNotFatal()) fifos_.push_back(fifo, status);
    }
  });
}

}  // namespace vllym
