// A board side for the FPGA FIFOs that logs every call ("<channel> <op>"),
// refuses control blocks outside a 4 KiB window as the real factory does,
// and lets an acquire block until bytes arrive or an abort comes.
#ifndef VL9738K_TESTS_FPGA_FPGAFIFODOUBLE_H
#define VL9738K_TESTS_FPGA_FPGAFIFODOUBLE_H

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "SessionWire.h"
#include "driver/fpga/fifo/FpgaFifoManager.h"

namespace vltest {

using nVLAPALS100::tStatus;

struct DoubleBuffer {
  uint64_t size;
  uint64_t offset;
  nVLAPAL000::tPageList pages;
};

class DoubleFifoFactory;

class DoubleFifo {
 public:
  DoubleFifo(DoubleFifoFactory& factory, uint32_t channel) : factory_(factory), channel_(channel) {}
  void setBuffer(const DoubleBuffer* buffer, tStatus& status);
  void start(tStatus& status) { log(status.isFatal() ? "" : "start"); }
  void stop(tStatus& status) { log(status.isFatal() ? "" : "stop"); }
  uint64_t waitForBytes(uint64_t bytes, uint32_t, uint8_t*, tStatus& status);
  void releaseBytes(uint64_t bytes, tStatus&) { log("release " + std::to_string(bytes)); }
  void setMode(int32_t mode, tStatus&) { log("mode " + std::to_string(mode)); }
  void abort(int32_t code);
  void clearError() { log("clearError"); }
  void arrive(uint64_t bytes);
  std::atomic<int> waiting{0};

 private:
  void log(const std::string& call);
  DoubleFifoFactory& factory_;
  uint32_t channel_;
  std::mutex mutex_;
  std::condition_variable changed_;
  uint64_t available_ = 0;
  int32_t abortCode_ = 0;
};

class DoubleFifoFactory {
 public:
  static constexpr uint32_t kWindow = 0x1000;
  DoubleFifo* createFifo(uint32_t channel, uint32_t control, uint32_t, tStatus& status) {
    if (control > kWindow - 12) {
      status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
      return nullptr;
    }
    live.push_back(new DoubleFifo(*this, channel));
    return live.back();
  }
  void destroyFifo(DoubleFifo* fifo) {
    std::erase(live, fifo);
    delete fifo;
  }
  std::vector<std::string> calls() {
    std::lock_guard<std::mutex> hold(mutex);
    return log;
  }

  std::vector<DoubleFifo*> live;
  bool refuseBuffers = false;
  std::mutex mutex;
  std::vector<std::string> log;
};

inline void DoubleFifo::log(const std::string& call) {
  if (call.empty()) return;
  std::lock_guard<std::mutex> hold(factory_.mutex);
  factory_.log.push_back(std::to_string(channel_) + " " + call);
}

inline void DoubleFifo::setBuffer(const DoubleBuffer* buffer, tStatus& status) {
  log(buffer == nullptr ? "unmap" : "map " + std::to_string(buffer->size));
  if (buffer != nullptr && factory_.refuseBuffers) status.setCode(-61072, VL_SITE);
}

inline uint64_t DoubleFifo::waitForBytes(uint64_t bytes, uint32_t, uint8_t*, tStatus& status) {
  std::unique_lock<std::mutex> hold(mutex_);
  ++waiting;
  changed_.wait(hold, [&] { return available_ >= bytes || abortCode_ != 0; });
  --waiting;
  log("woken");
  if (abortCode_ != 0) status.setCode(abortCode_, VL_SITE);
  return abortCode_ != 0 ? 0 : available_;
}

inline void DoubleFifo::abort(int32_t code) {
  log("abort");
  std::lock_guard<std::mutex> hold(mutex_);
  abortCode_ = code;
  changed_.notify_all();
}

inline void DoubleFifo::arrive(uint64_t bytes) {
  std::lock_guard<std::mutex> hold(mutex_);
  available_ += bytes;
  changed_.notify_all();
}

struct DoubleBoard {
  using Factory = DoubleFifoFactory;
  using Fifo = DoubleFifo;
  using Buffer = DoubleBuffer;
};

inline vlhtl::Vector<vllym::FifoInfo> recordsOf(const std::vector<FifoRecord>& fifos) {
  const std::vector<uint8_t> bytes = fifoList(fifos);
  vllym::Deserializer in(bytes.data(), bytes.size());
  vlhtl::Vector<vllym::FifoInfo> records;
  tStatus status;
  while (in.bytesLeft() != 0) {
    vllym::FifoInfo info;
    info.deserialize(in, status);
    records.push_back(info, status);
  }
  return records;
}

using DoubleManager = vllym::FpgaFifoManagerT<DoubleBoard>;
using DoubleFpgaFifo = vllym::FpgaFifoT<DoubleBoard>;

}  // namespace vltest

#endif
