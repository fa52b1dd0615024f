#include "RegisterPort.h"

#include "driver/ifw/IfwStatusCodes.h"
#include "driver/ifw/SourceSites.h"
#include "driver/ifw/YieldingPoll.h"
#include "driver/platform/debug/Vlsdbg.h"
#include "driver/platform/text/tVersionCompatibility.h"

namespace vlregport {
namespace {

using nVLAPALS100::tStatus;
using vlifw::sites::kInstructionTargetErrorHelper;
using vlifw::sites::kRegisterPort;
namespace codes = vlifw::codes;

constexpr uint32_t kLineSignature = 67;
constexpr uint32_t kLineReadTimedOut = 132;
constexpr uint32_t kLineReadManyArguments = 157;
constexpr uint32_t kLineWriteTimedOut = 197;
constexpr uint32_t kLineWriteManyArguments = 217;
constexpr uint32_t kLineResetTimedOut = 269;
constexpr uint32_t kLinePortFault = 358;
constexpr uint32_t kLineNoFreeSlot = 417;
constexpr uint32_t kLineInstructionError = 35;

constexpr vlsdbg_Location kReadTimedOutLocation{kRegisterPort, kLineReadTimedOut, ""};
constexpr vlsdbg_Location kWriteTimedOutLocation{kRegisterPort, kLineWriteTimedOut, ""};

// The error value the port leaves in its result registers: 1 is the
// framework's generic failure, a negative value is a status code of the
// block itself.
void recordErrorValue(uint32_t errorValue, tStatus& status) {
  int64_t code = codes::kUnknownInstructionError;
  if (errorValue == 1) {
    code = codes::kInstructionFailed;
  } else if (static_cast<int32_t>(errorValue) < 0) {
    code = static_cast<int32_t>(errorValue);
  }
  status.setCode(code, VL_SITE_AT(kInstructionTargetErrorHelper, kLineInstructionError));
}

}  // namespace

RegisterPort::RegisterPort(PCIRegisterAccessor* accessor, tStatus& status)
    : map_(accessor, 0, 0, 0xFFFFFFFFu), freeSlots_(0), sticky_(tStatus::kCodeOnlySize), notReady_(1) {
  status.merge(sticky_);
  if (status.isNotFatal()) {
    verify(status);
    reset(status);
  }
  if (status.isNotFatal()) notReady_ = 0;
  sticky_.merge(status);
}

RegisterPort::~RegisterPort() {}

void RegisterPort::verify(tStatus& status) {
  if (status.isFatal()) return;
  const uint32_t signature = map_.Signature.readRegister(status);
  if (status.isFatal()) return;
  if (signature != kSignature) {
    status.setCode(nVLAPALS100::kStatusNotAccessible, VL_SITE_AT(kRegisterPort, kLineSignature));
    return;
  }
  const uint32_t version = map_.CurrentVersion.readRegister(status);
  const uint32_t oldest = map_.OldestCompatibleVersion.readRegister(status);
  if (status.isFatal()) return;
  nVLAPAL000::tVersionCompatibility verdict;
  nVLAPAL000::checkVersionCompatibility(verdict, kVersion, kOldestCompatibleVersion, version, oldest,
                                        codes::kVersionTooOld, codes::kVersionTooNew, nVLAPALS100::kStatusBadSelector,
                                        nVLAPALS100::kStatusValueOutOfRange);
  if (verdict.getCode() != 0) status.setCode(verdict.getCode(), VL_SITE_AT(kRegisterPort, __LINE__));
}

// The reset bit is a strobe: the port clears it itself, and the shadow
// forgets it once written, so no later write of the control register
// resets the port again by accident.
void RegisterPort::reset(tStatus& status) {
  if (status.isFatal()) return;
  map_.ResetControl.setReset(true, status).flush(status, true);
  const bool idle = vlifw::pollYielding(
      kResetTimeoutMs,
      [this](tStatus& pollStatus) {
        map_.ResetControl.refresh(pollStatus);
        return pollStatus.isNotFatal() && !map_.ResetControl.getResetBusy();
      },
      status);
  if (!idle) status.setCode(codes::kResetTimedOut, VL_SITE_AT(kRegisterPort, kLineResetTimedOut));
}

RegisterPort::tEncodedInstruction RegisterPort::encode(uint32_t subsystem, uint64_t address, uint64_t data, bool isRead,
                                                       bool reportCompletion) {
  tEncodedInstruction encoded{};
  encoded.subsystemLow = static_cast<uint8_t>(subsystem & 0xF);
  encoded.subsystemHigh = static_cast<uint8_t>((subsystem >> 4) & 0xF);
  for (uint32_t i = 0; i < 4; ++i) {
    encoded.address[i] = static_cast<uint8_t>(address >> (8 * i));
    encoded.data[i] = static_cast<uint16_t>(data >> (16 * i));
  }
  encoded.isRead = isRead ? 1 : 0;
  encoded.reportCompletion = reportCompletion ? 1 : 0;
  return encoded;
}

void RegisterPort::waitForSlot(uint32_t timeoutMs, tStatus& status) {
  if (status.isFatal()) return;
  const bool available = vlifw::pollYielding(
      timeoutMs,
      [this](tStatus& pollStatus) {
        const uint32_t slots = map_.InstructionFifoSpace.readRegister(pollStatus);
        if (pollStatus.isFatal()) return false;
        freeSlots_ = slots;
        return slots != 0;
      },
      status);
  if (!available) status.setCode(codes::kNoFreeSlot, VL_SITE_AT(kRegisterPort, kLineNoFreeSlot));
}

// The port treats an extension word it was not sent as zero, so a word is
// written only when one of its parts is not; word 0 always goes last, as
// its write queues the instruction. Every word that goes out is forced:
// the port consumes the words, so an unchanged shadow proves nothing.
void RegisterPort::issue(const tEncodedInstruction& instruction, uint32_t timeoutMs, tStatus& status) {
  if (status.isFatal()) return;
  if (freeSlots_ == 0) waitForSlot(timeoutMs, status);
  if (instruction.address[3] != 0 || instruction.data[3] != 0) {
    map_.InstructionWord3.setAddressByte3(instruction.address[3], status)
        .setDataWord3(instruction.data[3], status)
        .flush(status, true);
  }
  if (instruction.address[2] != 0 || instruction.data[2] != 0) {
    map_.InstructionWord2.setAddressByte2(instruction.address[2], status)
        .setDataWord2(instruction.data[2], status)
        .flush(status, true);
  }
  if (instruction.subsystemHigh != 0 || instruction.address[1] != 0 || instruction.data[1] != 0) {
    map_.InstructionWord1.setSubsystemHigh(instruction.subsystemHigh, status)
        .setAddressByte1(instruction.address[1], status)
        .setDataWord1(instruction.data[1], status)
        .flush(status, true);
  }
  map_.InstructionWord0.setSubsystemLow(instruction.subsystemLow, status)
      .setAddressByte0(instruction.address[0], status)
      .setDataWord0(instruction.data[0], status)
      .setIsRead(instruction.isRead != 0, status)
      .setWaitForCompletion(instruction.reportCompletion != 0, status)
      .flush(status, true);
  if (status.isNotFatal()) --freeSlots_;
}

bool RegisterPort::waitForCompletion(uint32_t timeoutMs, bool& wide, tStatus& status) {
  if (status.isFatal()) return false;
  auto& state = map_.InstructionStatus;
  const bool ended = vlifw::pollYielding(
      timeoutMs,
      [&](tStatus& pollStatus) {
        state.refresh(pollStatus);
        if (pollStatus.isFatal()) return false;
        if (state.getFault()) {
          pollStatus.setCode(codes::kPortFault, VL_SITE_AT(kRegisterPort, kLinePortFault));
          if (!state.getError() && !state.getDone()) return true;
        }
        if (state.getError()) {
          reportInstructionError(state.getWideResult(), pollStatus);
          return true;
        }
        if (state.getDone()) {
          wide = state.getWideResult();
          return true;
        }
        return false;
      },
      status);
  return !ended && status.isNotFatal();
}

void RegisterPort::reportInstructionError(bool wide, tStatus& status) {
  const uint64_t errorValue = fetchReadData(wide, status);
  if (status.isFatal()) return;
  recordErrorValue(static_cast<uint32_t>(errorValue), status);
}

uint64_t RegisterPort::fetchReadData(bool wide, tStatus& status) {
  if (status.isFatal()) return 0;
  if (!wide) return map_.ReadDataLow.readRegister(status);
  const uint64_t high = map_.ReadDataHigh.readRegister(status);
  const uint64_t low = map_.ReadDataLow.readRegister(status);
  return high << 32 | low;
}

void RegisterPort::readOne(const vlifw::ReadInstruction& instruction, uint64_t* value, tStatus& status,
                           uint32_t timeoutMs) {
  if (status.isFatal()) return;
  if (value == nullptr) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(kRegisterPort, __LINE__));
    return;
  }
  issue(encode(instruction.subsystem, instruction.address, 0, true, false), timeoutMs, status);
  bool wide = false;
  if (waitForCompletion(timeoutMs, wide, status)) {
    vlsdbg_printf(kVlsdbgLevelError, &kReadTimedOutLocation,
                  "RegisterPort failure while issuing read instruction: { subsystem: 0x%x, address: 0x%lx }\n",
                  instruction.subsystem, instruction.address);
    status.setCode(codes::kReadTimedOut, VL_SITE_AT(kRegisterPort, kLineReadTimedOut));
  }
  const uint64_t data = fetchReadData(wide, status);
  if (status.isNotFatal()) *value = data;
}

void RegisterPort::writeOne(const vlifw::WriteInstruction& instruction, bool wait, tStatus& status,
                            uint32_t timeoutMs) {
  if (status.isFatal()) return;
  issue(encode(instruction.subsystem, instruction.address, instruction.data, false, wait), timeoutMs, status);
  if (!wait) return;
  bool wide = false;
  if (waitForCompletion(timeoutMs, wide, status)) {
    vlsdbg_printf(kVlsdbgLevelError, &kWriteTimedOutLocation,
                  "RegisterPort failure while issuing write instruction: { subsystem: 0x%x, address: 0x%lx, data: "
                  "0x%lx }\n",
                  instruction.subsystem, instruction.address, instruction.data);
    status.setCode(codes::kWriteTimedOut, VL_SITE_AT(kRegisterPort, kLineWriteTimedOut));
  }
}

void RegisterPort::read(const vlifw::ReadInstruction& instruction, uint64_t* value, tStatus& status,
                        uint32_t timeoutMs) {
  if (status.isFatal()) return;
  status.merge(sticky_);
  readOne(instruction, value, status, timeoutMs);
  sticky_.merge(status);
}

void RegisterPort::readMany(const vlifw::ReadInstruction* list, uint64_t count, uint64_t* values, tStatus& status,
                            uint32_t timeoutMs) {
  if (status.isFatal()) return;
  status.merge(sticky_);
  if (count != 0 && (list == nullptr || values == nullptr)) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(kRegisterPort, kLineReadManyArguments));
  }
  for (uint64_t i = 0; i < count && status.isNotFatal(); ++i) readOne(list[i], &values[i], status, timeoutMs);
  sticky_.merge(status);
}

void RegisterPort::write(const vlifw::WriteInstruction& instruction, bool wait, tStatus& status, uint32_t timeoutMs) {
  if (status.isFatal()) return;
  status.merge(sticky_);
  writeOne(instruction, wait, status, timeoutMs);
  sticky_.merge(status);
}

// All but the last instruction go out without waiting, so the port works
// on the batch while the rest of it is still being handed over.
void RegisterPort::writeMany(const vlifw::WriteInstruction* list, uint64_t count, bool wait, tStatus& status,
                             uint32_t timeoutMs) {
  if (status.isFatal()) return;
  status.merge(sticky_);
  if (count != 0 && list == nullptr) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(kRegisterPort, kLineWriteManyArguments));
  }
  for (uint64_t i = 0; i < count && status.isNotFatal(); ++i) {
    writeOne(list[i], i + 1 == count ? wait : false, status, timeoutMs);
  }
  sticky_.merge(status);
}

void RegisterPort::flush(tStatus& status) {
  if (status.isFatal()) return;
  if (notReady_ != 0) {
    status.merge(sticky_);
    return;
  }
  reset(status);
  sticky_.clear();
  sticky_.merge(status);
}

}  // namespace vlregport
