// An instruction inserter that logs what reaches it as text.
#ifndef VL9738K_TESTS_SUPPORT_RECORDING_INSERTER_H
#define VL9738K_TESTS_SUPPORT_RECORDING_INSERTER_H

#include <functional>
#include <string>
#include <vector>

#include "driver/listmode/iListInstructionInserter.h"
#include "driver/platform/status/StatusSite.h"

namespace vltest {

using Log = std::vector<std::string>;

inline std::string entry(const char* what, uint64_t a, uint64_t b, uint64_t c = 0) {
  char text[96];
  snprintf(text, sizeof text, "%s %lx %lx %lx", what, a, b, c);
  return text;
}

// Reads answer 0xABCD12345678 and log the field wait announced for them;
// announced bit waits and their clearing are logged as they come.
class RecordingInserter final : public listmodek::iListInstructionInserter {
 public:
  explicit RecordingInserter(Log& log) : log_(log) {}
  int64_t failSecondWrite = 0;
  std::function<void()> onClear;
  void emitWrite(uint8_t subsystem, uint32_t address, uint64_t value, tStatus& status) override {
    if (failSecondWrite != 0 && log_.size() == 1) status.setCode(failSecondWrite, VL_SITE);
    if (status.isNotFatal()) log_.push_back(entry("write", subsystem, address, value));
  }
  uint64_t readDuringCompile(uint8_t subsystem, uint64_t address, tStatus&) override {
    log_.push_back(entry("read", subsystem, address, field_));
    return 0xABCD12345678;
  }
  void emitWaitForBit(uint8_t, uint32_t, uint32_t, uint64_t, uint64_t, uint32_t, tStatus&) override {}
  void emitDelay(uint32_t, tStatus&) override {}
  void emitWaitForField(uint8_t, uint32_t, uint64_t, uint64_t, uint32_t, uint32_t, tStatus&) override {}
  void announceBitWaitRead(uint32_t timeout, uint64_t mask, uint64_t expected, int32_t flag, uint64_t,
                           tStatus&) override {
    log_.push_back(entry("wait", timeout, mask << 8 | expected, static_cast<uint64_t>(flag)));
  }
  void clearBitWaitRead() override {
    log_.push_back("clear");
    if (onClear) onClear();
  }
  void announceFieldWaitRead(uint64_t mask, uint64_t expected, int32_t index, int32_t, uint64_t, tStatus&) override {
    field_ = mask << 16 | expected << 8 | static_cast<uint64_t>(index);
  }
  void clearFieldWaitRead() override { field_ = 0; }

 private:
  Log& log_;
  uint64_t field_ = 0;
};

}  // namespace vltest

#endif
