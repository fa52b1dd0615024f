// The personality a session asks for, read from the three user blocks of
// its configure request: the 48-byte common block (register offsets, the
// personality and attribute words, the download refusal code and the
// expected signature), the FIFO records, and the bitfile, whose pages stay
// locked for the device until this record is destroyed.
#ifndef VL9738K_FPGA_SESSION_CONFIGUREPERSONALITYCOMMONDESERIALIZER_H
#define VL9738K_FPGA_SESSION_CONFIGUREPERSONALITYCOMMONDESERIALIZER_H

#include <stdint.h>

#include "driver/fpga/wire/CommonRegisterSet.h"
#include "driver/fpga/wire/FifoInfo.h"
#include "driver/platform/containers/FixedVector.h"
#include "driver/platform/containers/Vector.h"
#include "driver/platform/device/DeviceTypes.h"
#include "driver/platform/dma/tPageList.h"

namespace vllym {

using Signature = vlhtl::FixedVector<uint32_t, 4>;

class ConfigurePersonalityCommonDeserializer {
 public:
  using tStatus = nVLAPALS100::tStatus;

  static constexpr uint64_t kSignatureWords = 4;
  // The most bytes of the personality block and of the FIFO list that are
  // copied in (-52005 beyond): the block's fields take 48 bytes, a FIFO
  // record a few dozen, and the board has far fewer FIFOs than the list
  // could name.
  static constexpr uint64_t kMaxCommonBytes = 4096;
  static constexpr uint64_t kMaxFifoListBytes = 65536;

  // A required bitfile of size 0: -52003. Short blocks: -52003 at the first
  // field that does not fit. Bitfile pages that cannot be locked: -52001.
  ConfigurePersonalityCommonDeserializer(nVLAPAL000::tEventDescriptor& event, uint64_t commonAddress,
                                         uint64_t commonSize, uint64_t fifoAddress, uint64_t fifoSize,
                                         uint64_t bitfileAddress, uint64_t bitfileSize, tStatus& status,
                                         bool bitfileRequired);
  // Without a bitfile.
  ConfigurePersonalityCommonDeserializer(nVLAPAL000::tEventDescriptor& event, uint64_t commonAddress,
                                         uint64_t commonSize, uint64_t fifoAddress, uint64_t fifoSize, tStatus& status);
  ~ConfigurePersonalityCommonDeserializer();
  ConfigurePersonalityCommonDeserializer(const ConfigurePersonalityCommonDeserializer&) = delete;
  ConfigurePersonalityCommonDeserializer& operator=(const ConfigurePersonalityCommonDeserializer&) = delete;

  const CommonRegisterSet& getCommonRegisterSet() const { return registers_; }
  uint32_t getPersonalityWord() const { return personality_; }
  uint32_t getAttributes() const { return attributes_; }
  int32_t getDownloadRefusalCode() const { return refusalCode_; }
  const Signature& getSignature() const { return signature_; }
  const vlhtl::Vector<FifoInfo>& getFifos() const { return fifos_; }
  // Handle 0 when there is no bitfile.
  const nVLAPAL000::tPageList& getBitfile() const { return bitfile_; }

 private:
  void readCommon(nVLAPAL000::tEventDescriptor& event, uint64_t address, uint64_t size, tStatus& status);
  void readFifos(nVLAPAL000::tEventDescriptor& event, uint64_t address, uint64_t size, tStatus& status);
  // A kernel copy of a user block, freed again after `read` has seen it.
  template <typename tRead>
  void readCopy(nVLAPAL000::tEventDescriptor& event, uint64_t address, uint64_t size, uint64_t bound, tStatus& status,
                tRead read);

  CommonRegisterSet registers_;
  uint32_t personality_;
  uint32_t attributes_;
  int32_t refusalCode_;
  Signature signature_;
  vlhtl::Vector<FifoInfo> fifos_;
  nVLAPAL000::tPageList bitfile_;
};

}  // namespace vllym

#endif
