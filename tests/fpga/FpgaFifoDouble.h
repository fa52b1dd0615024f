// The board side of the FPGA FIFOs as a double: it logs each call as
// "<channel> <call>", refuses control blocks outside a 4 KiB window as the
// real factory does, and blocks a wait until an abort.
#ifndef VL9738K_TESTS_FPGA_FPGAFIFODOUBLE_H
#define VL9738K_TESTS_FPGA_FPGAFIFODOUBLE_H

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "SessionWire.h"
#include "driver/fpga/fifo/FpgaFifoManager.h"

namespace vltest {

using nVLAPALS100::tStatus;
using Calls = std::vector<std::string>;

struct DoubleBuffer {
  uint64_t size, offset;
  nVLAPAL000::tPageList pages;
};

struct DoubleLog {
  std::mutex mutex;
  Calls calls;
  bool refuseBuffers = false;
  void add(uint32_t channel, const std::string& call) {
    std::lock_guard<std::mutex> hold(mutex);
    calls.push_back(std::to_string(channel) + " " + call);
  }
};

struct DoubleFifo {
  DoubleFifo(DoubleLog& log, uint32_t channel) : log(log), channel(channel) {}
  DoubleLog& log;
  uint32_t channel;
  std::mutex mutex;
  std::condition_variable aborted;
  int32_t abortCode = 0;
  std::atomic<int> waiting{0};
  std::function<void()> onStop;

  void setBuffer(const DoubleBuffer* buffer, tStatus& status) {
    log.add(channel, buffer == nullptr ? "unmap" : "map " + std::to_string(buffer->size));
    if (buffer != nullptr && log.refuseBuffers) status.setCode(-61072, VL_SITE);
  }
  void start(tStatus&) { log.add(channel, "start"); }
  void stop(tStatus&) {
    log.add(channel, "stop");
    if (onStop) onStop();
  }
  void releaseBytes(uint64_t bytes, tStatus&) { log.add(channel, "release " + std::to_string(bytes)); }
  void setMode(int32_t mode, tStatus&) { log.add(channel, "mode " + std::to_string(mode)); }
  void clearError() { log.add(channel, "clearError"); }
  uint64_t waitForBytes(uint64_t, uint32_t, uint8_t*, tStatus& status) {
    std::unique_lock<std::mutex> hold(mutex);
    ++waiting;
    aborted.wait(hold, [&] { return abortCode != 0; });
    log.add(channel, "woken");
    status.setCode(abortCode, VL_SITE);
    return 0;
  }
  void abort(int32_t code) {
    log.add(channel, "abort");
    std::lock_guard<std::mutex> hold(mutex);
    abortCode = code;
    aborted.notify_all();
  }
};

struct DoubleFifoFactory {
  static constexpr uint32_t kWindow = 0x1000;
  std::vector<DoubleFifo*> live;
  DoubleLog log;

  DoubleFifo* createFifo(uint32_t channel, uint32_t control, uint32_t, tStatus& status) {
    if (control > kWindow - 12) {
      status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
      return nullptr;
    }
    return live.emplace_back(new DoubleFifo(log, channel));
  }
  void destroyFifo(DoubleFifo* fifo) {
    std::erase(live, fifo);
    delete fifo;
  }
  Calls calls() {
    std::lock_guard<std::mutex> hold(log.mutex);
    return log.calls;
  }
};

struct DoubleBoard {
  using Factory = DoubleFifoFactory;
  using Fifo = DoubleFifo;
  using Buffer = DoubleBuffer;
};
using DoubleManager = vllym::FpgaFifoManagerT<DoubleBoard>;
using DoubleFpgaFifo = vllym::FpgaFifoT<DoubleBoard>;

inline vlhtl::Vector<vllym::FifoInfo> recordsOf(const std::vector<FifoRecord>& fifos) {
  const std::vector<uint8_t> bytes = fifoList(fifos);
  vllym::Deserializer in(bytes.data(), bytes.size());
  vlhtl::Vector<vllym::FifoInfo> records;
  tStatus status;
  while (in.bytesLeft() != 0) {
    records.push_back(vllym::FifoInfo(), status);
    records.back().deserialize(in, status);
  }
  return records;
}

}  // namespace vltest

#endif
