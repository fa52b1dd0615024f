#include "WexelConfigPortAccessor.h"

#include "driver/platform/poller/Poller.h"

namespace nVL9738K_24_0 {

WexelConfigPortAccessor::WexelConfigPortAccessor(tBaseMap* baseMap, tSPIMap* spiMap, uint32_t port,
                                                 uint32_t clockSelect, uint8_t bit15, const tBridgeWindowSpan& window,
                                                 uint8_t bit14, tStatus&)
    : baseMap_(baseMap),
      spiMap_(spiMap),
      dataWindow_(window.size, window.busAddress + window.offset, window.kernelAddress + window.offset, 0),
      clockSelect_(clockSelect),
      bit15_(bit15),
      bit14_(bit14),
      overheadNs_(0),
      timePerBitNs_(0),
      port_(port) {}

void WexelConfigPortAccessor::initialize(tStatus& status) {
  if (status.isFatal()) return;
  if (baseMap_ == nullptr || spiMap_ == nullptr) {
    status.setCode(nVLAPALS100::kStatusBadSelector, VL_SITE);
    return;
  }
  baseMap_->ConfigurationPortsMode.refresh(status);
  spiMap_->BusSettingsRegister.refresh(status);
  spiMap_->ReadWriteMode[0].refresh(status);
  spiMap_->ReadWriteMode[1].refresh(status);
  if (status.isFatal()) return;

  const uint64_t unitNs = clockSelect_ == 1 ? 32 : 8;
  const auto& settings = spiMap_->BusSettingsRegister;
  overheadNs_ = (uint64_t{settings.getBits13_8()} + settings.getBits21_16()) * unitNs;
  timePerBitNs_ = uint64_t{settings.getBits7_0()} * 2 * unitNs;

  if (port_ >= 8) {
    status.setCode(nVLAPALS100::kStatusBadSelector, VL_SITE);
    return;
  }
  auto& modes = baseMap_->ConfigurationPortsMode;
  const uint32_t shift = 4 * port_;
  modes.setValue((modes.getValue() & ~(uint32_t{0xF} << shift)) | uint32_t{4} << shift, status);
  modes.flush(status, false);

  spiMap_->BusSettingsRegister.setBit15(bit15_ != 0, status).setBit14(bit14_ != 0, status).setBit31(true, status);
  for (auto& mode : spiMap_->ReadWriteMode) {
    mode.setBits13_8(0, status).setBit14(true, status).setBits4_0(0, status).setBit5(true, status);
  }
  spiMap_->BusSettingsRegister.flush(status, false);
  spiMap_->ReadWriteMode[0].flush(status, false);
  spiMap_->ReadWriteMode[1].flush(status, false);
}

void WexelConfigPortAccessor::transfer(uint32_t windowOffset, uint32_t secondCount, uint32_t data, uint32_t bitCount,
                                       tStatus& status) {
  if (status.isFatal()) return;
  if (bitCount > kMaxBits || spiMap_ == nullptr || baseMap_ == nullptr) {
    status.setCode(nVLAPALS100::kStatusBadSelector, VL_SITE);
    return;
  }
  spiMap_->ReadWriteMode[1]
      .setBitCount(static_cast<uint8_t>(bitCount), status)
      .setBits21_16(static_cast<uint8_t>(secondCount), status)
      .flush(status, false);
  dataWindow_.write32(windowOffset, data, status);
  waitWhileBusy(transferTimeUs(bitCount + secondCount) + kBusySlackUs, status);
}

void WexelConfigPortAccessor::waitWhileBusy(uint64_t timeoutUs, tStatus& status) {
  // The shift takes microseconds: spin without giving the processor away.
  const atut::SpinningPoller poller(0, 0, nVLAPALS100::kStatusValueOutOfRange);
  poller.poll(
      baseMap_->SPIStatus, [](tBaseMap::tSPIStatus& reg, tStatus& s) { return reg.readRegister(s); }, 0u, 1u, timeoutUs,
      true, atut::SpinningPoller::kConditionBit0Clear, status);
}

}  // namespace nVL9738K_24_0
