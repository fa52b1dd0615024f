#include "SignatureRegisterCommon.h"

namespace vllym {

// The design shifts its signature out of one register: four reads of the
// same offset (stride 0) give the four words.
Signature SignatureRegisterCommon::readSignature(tStatus& status) {
  uint32_t words[ConfigurePersonalityCommonDeserializer::kSignatureWords] = {};
  if (status.isNotFatal()) {
    fpga_->readBlock(offset_, reinterpret_cast<uint8_t*>(words), sizeof(words), sizeof(uint32_t), 0, status);
  }
  Signature signature;
  signature.insert_(signature.end(), words, words + ConfigurePersonalityCommonDeserializer::kSignatureWords);
  return signature;
}

}  // namespace vllym
