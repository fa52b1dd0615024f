// The bus of a map over a write-only path, such as a clock buffer behind a
// serial port: its accessor offers only writeRegister(register number,
// value, status), and the register's address is its number. The generator
// lets no readable register onto this bus, so nothing ever reads through
// it; a read that got here anyway fails rather than invent a value. The
// accessor is not owned and may be swapped while the map lives.
#ifndef VL9738K_REGACCESS_REGISTERWRITERBUS_H
#define VL9738K_REGACCESS_REGISTERWRITERBUS_H

#include "IRegisterBus.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"
#include "driver/platform/status/tStatus.h"

namespace arm {

template <typename TWriter>
class tRegisterWriterBus final : public IRegisterBus {
 public:
  explicit tRegisterWriterBus(TWriter* writer) : writer_(writer) {}

  TWriter* getAccessor() const { return writer_; }
  void setAccessor(TWriter* writer) { writer_ = writer; }

  uint64_t readRegister(uint32_t, uint32_t, nVLAPALS100::tStatus& status) override {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT("RegisterWriterBus", __LINE__));
    return 0;
  }

  void writeRegister(uint32_t address, uint32_t, uint64_t value, nVLAPALS100::tStatus& status) override {
    writer_->writeRegister(address, static_cast<uint32_t>(value), status);
  }

 private:
  TWriter* writer_;
};

}  // namespace arm

#endif
