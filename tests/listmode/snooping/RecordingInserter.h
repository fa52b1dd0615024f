// An instruction inserter and an instruction target that log what reaches
// them as text, for the snooping objects' own cases.
#ifndef VL9738K_TESTS_LISTMODE_SNOOPING_RECORDING_INSERTER_H
#define VL9738K_TESTS_LISTMODE_SNOOPING_RECORDING_INSERTER_H

#include <string>
#include <vector>

#include "driver/ifw/InstructionTarget.h"
#include "driver/listmode/iListInstructionInserter.h"
#include "driver/platform/status/StatusSite.h"

namespace vltest {

using Log = std::vector<std::string>;

inline std::string entry(const char* what, uint64_t a, uint64_t b, uint64_t c = 0) {
  char text[96];
  snprintf(text, sizeof text, "%s %llx %llx %llx", what, (unsigned long long)a, (unsigned long long)b,
           (unsigned long long)c);
  return text;
}

class RecordingInserter final : public listmodek::iListInstructionInserter {
 public:
  explicit RecordingInserter(Log& log) : log_(log) {}
  int64_t failWrite = 0;  // code of the write that fails, at most once
  void emitWrite(uint8_t subsystem, uint32_t address, uint64_t value, tStatus& status) override {
    if (failWrite != 0 && log_.size() == 1) {
      status.setCode(failWrite, VL_SITE);
      return;
    }
    log_.push_back(entry("write", subsystem, address, value));
  }
  uint64_t readDuringCompile(uint8_t subsystem, uint64_t address, tStatus&) override {
    log_.push_back(entry("read", subsystem, address, field_));
    return 0xABCD12345678;
  }
  void emitWaitForBit(uint8_t, uint32_t, uint32_t, uint64_t, uint64_t, uint32_t, tStatus&) override {}
  void emitDelay(uint32_t time, tStatus&) override { log_.push_back(entry("delay", time, 0)); }
  void emitWaitForField(uint8_t, uint32_t, uint64_t, uint64_t, uint32_t, uint32_t, tStatus&) override {}
  void announceBitWaitRead(uint32_t, uint64_t, uint64_t, int32_t, uint64_t, tStatus&) override {}
  void clearBitWaitRead() override {}
  void announceFieldWaitRead(uint64_t mask, uint64_t expected, int32_t index, int32_t, uint64_t, tStatus&) override {
    field_ = mask << 16 | expected << 8 | static_cast<uint64_t>(index);
  }
  void clearFieldWaitRead() override { field_ = 0; }

 private:
  Log& log_;
  uint64_t field_ = 0;
};

class RecordingTarget final : public vlifw::InstructionTarget {
 public:
  using tStatus = nVLAPALS100::tStatus;
  explicit RecordingTarget(Log& log) : log_(log) {}
  void read(const vlifw::ReadInstruction& i, uint64_t* value, tStatus&, uint32_t) override {
    log_.push_back(entry("target.read", i.subsystem, i.address));
    *value = 0x1122334455667788;
  }
  void readMany(const vlifw::ReadInstruction*, uint64_t count, uint64_t*, tStatus&, uint32_t) override {
    log_.push_back(entry("target.readMany", count, 0));
  }
  void write(const vlifw::WriteInstruction& i, bool, tStatus&, uint32_t) override {
    log_.push_back(entry("target.write", i.subsystem, i.address, i.data));
  }
  void writeMany(const vlifw::WriteInstruction* list, uint64_t count, bool, tStatus&, uint32_t) override {
    log_.push_back(entry("target.writeMany", list[0].subsystem, count));
  }
  void flush(tStatus&) override { log_.push_back("target.flush"); }

 private:
  Log& log_;
};

}  // namespace vltest

#endif
