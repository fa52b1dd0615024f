#include "WexelConfigPortRegMapFactory.h"

#include "driver/platform/memory/Memory.h"

namespace nVL9738K_24_0 {

using nVLAPAL000::kAllocationKindPlain;

namespace {

constexpr uint32_t kWholeWindow = 0xFFFFFFFF;

void misuse(nVLAPALS100::tStatus& status, int line) {
  status.setCode(nVLAPALS100::kStatusBadSelector, VL_SITE_AT(__FILE__, line));
}

}  // namespace

WexelConfigPortRegMapFactory::WexelConfigPortRegMapFactory()
    : coreMap_(nullptr),
      baseMap_(nullptr),
      spiAccessors_{},
      spiMaps_{},
      parallelAccessors_{},
      parallelMaps_{},
      busAddress_(0),
      kernelAddress_(0),
      flag_(0),
      portCount_(0) {}

WexelConfigPortRegMapFactory::~WexelConfigPortRegMapFactory() { release(); }

void WexelConfigPortRegMapFactory::release() {
  for (uint32_t port = 0; port < kMaxPorts; ++port) {
    delete spiMaps_[port];
    delete spiAccessors_[port];
    delete parallelMaps_[port];
    delete parallelAccessors_[port];
    spiMaps_[port] = nullptr;
    spiAccessors_[port] = nullptr;
    parallelMaps_[port] = nullptr;
    parallelAccessors_[port] = nullptr;
  }
  delete baseMap_;
  baseMap_ = nullptr;
}

void WexelConfigPortRegMapFactory::initialize(vllym::IoAccessorMappedPci& boardAccessor, tCoreMap& coreMap,
                                              tStatus& status) {
  if (status.isFatal()) return;
  if (coreMap_ != nullptr) {
    misuse(status, __LINE__);
    return;
  }
  busAddress_ = boardAccessor.getBusAddress();
  kernelAddress_ = boardAccessor.getMapping()->mappedAddress;
  flag_ = boardAccessor.getFlag();
  baseMap_ = new (status, kAllocationKindPlain) tBaseMap(&boardAccessor, 0, 0, kWholeWindow);
  portCount_ = coreMap.ConfigPortResource.readRegister(status) >> 24;
  if (status.isFatal()) {
    release();
    portCount_ = 0;
    return;
  }
  coreMap_ = &coreMap;
}

WexelConfigPortRegMapFactory::tBaseMap* WexelConfigPortRegMapFactory::getBaseRegMap(tStatus& status) {
  if (status.isFatal()) return nullptr;
  if (coreMap_ == nullptr) misuse(status, __LINE__);
  return baseMap_;
}

bool WexelConfigPortRegMapFactory::portServes(uint32_t port, uint8_t pinFunction, tStatus& status) {
  if (status.isFatal()) return false;
  if (coreMap_ == nullptr || port >= portCount_ || port >= kMaxPorts) {
    misuse(status, __LINE__);
    return false;
  }
  const uint32_t modes = baseMap_->ConfigurationPortsMode.readRegister(status);
  if (status.isFatal()) return false;
  if (((modes >> (4 * port)) & 0xF) != pinFunction) {
    misuse(status, __LINE__);
    return false;
  }
  return true;
}

vllym::IoAccessorMappedPci* WexelConfigPortRegMapFactory::newPortAccessor(uint32_t port, tStatus& status) {
  const uint32_t offset = kPortWindows + kPortWindowSize * port;
  return new (status, kAllocationKindPlain)
      vllym::IoAccessorMappedPci(kPortWindowSize, busAddress_ + offset, kernelAddress_ + offset, flag_);
}

// A failed allocation caches nothing, so a later call tries again.
template <typename tMap>
static tMap* makePortMap(vllym::IoAccessorMappedPci*& accessorSlot, tMap*& mapSlot,
                         vllym::IoAccessorMappedPci* accessor, nVLAPALS100::tStatus& status, int line) {
  nVLAPALS100::tStatus local;
  tMap* map = accessor == nullptr ? nullptr : new (local, kAllocationKindPlain) tMap(accessor, 0, 0, kWholeWindow);
  if (map == nullptr) {
    delete accessor;
    misuse(status, line);
    return nullptr;
  }
  accessorSlot = accessor;
  mapSlot = map;
  return map;
}

WexelConfigPortRegMapFactory::tSPIMap* WexelConfigPortRegMapFactory::getSPIRegMap(uint32_t port, tStatus& status) {
  if (!portServes(port, kPinFunctionSPI, status)) return nullptr;
  if (spiMaps_[port] != nullptr) return spiMaps_[port];
  nVLAPALS100::tStatus local;
  return makePortMap(spiAccessors_[port], spiMaps_[port], newPortAccessor(port, local), status, __LINE__);
}

WexelConfigPortRegMapFactory::tParallelMap* WexelConfigPortRegMapFactory::getParallelRegMap(uint32_t port,
                                                                                            tStatus& status) {
  if (!portServes(port, kPinFunctionParallel, status)) return nullptr;
  if (parallelMaps_[port] != nullptr) return parallelMaps_[port];
  nVLAPALS100::tStatus local;
  return makePortMap(parallelAccessors_[port], parallelMaps_[port], newPortAccessor(port, local), status, __LINE__);
}

}  // namespace nVL9738K_24_0
