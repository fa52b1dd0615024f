#include "../runtime/CppRunTime.h"
#include "EntryPoints.h"

namespace nVLAPAL000 {
namespace {

nVLZUK_tDriverRecord* gDriverRecord = nullptr;

}  // namespace

nVLZUK_tDriverRecord* getDriverRecord() { return gDriverRecord; }
void setDriverRecord(nVLZUK_tDriverRecord* record) { gDriverRecord = record; }

}  // namespace nVLAPAL000

extern "C" int32_t nVLAPAL200_driverEntry(nVLZUK_tDriverRecord* record) {
  using namespace nVLAPAL000;
  initializeCPPRunTime();
  record->moduleName = "vl9738k";
  record->open = kernelOpen;
  record->close = kernelClose;
  record->read = kernelRead;
  record->write = kernelWrite;
  record->ioctl = kernelIoctl;
  record->unload = nVL9738K_24_0::driverUnload;
  record->addDevice = nVL9738K_24_0::driverAddDevice;
  record->removeDevice = kernelRemoveDevice;
  record->mapMemory = kernelMapMemory;
  record->unmapMemory = kernelUnmapMemory;
  record->deleteDevice = kernelDeleteDevice;
  setDriverRecord(record);
  const int32_t result = nVLZUK200_registerDriver(record);
  if (result >= 0) return result;
  // A refused driver is never used again: take its statics down now.
  setDriverRecord(nullptr);
  finalizeCPPRunTime();
  return result;
}
