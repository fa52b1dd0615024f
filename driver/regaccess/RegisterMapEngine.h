// The one implementation of the register-map rules. A generated map is this
// engine plus its constant descriptor, its block of register records (the
// objects of its nested register classes) and its bus; composite maps also
// hand over their child maps. Per-family differences are settings in the
// descriptor, never cases in the code.
#ifndef VL9738K_REGACCESS_REGISTERMAPENGINE_H
#define VL9738K_REGACCESS_REGISTERMAPENGINE_H

#include <stdint.h>

#include "DynamicAccessInterfaceBase.h"
#include "IRegisterBus.h"
#include "RegisterMapDescriptor.h"
#include "driver/platform/status/tStatus.h"

namespace arm {

using tRegisterMapInterface = DynamicAccessInterfaceBase<nVLAPALS100::tStatus>;

class tRegisterMapEngine : public tRegisterMapInterface {
 public:
  using tStatus = nVLAPALS100::tStatus;

  void get(uint32_t id, uint64_t& value, tStatus& status, uint32_t context) override;
  void set(uint32_t id, uint64_t value, tStatus& status, uint32_t context) override;
  void read(uint32_t id, uint64_t& value, tStatus& status, uint32_t context) override;
  void write(uint32_t id, uint64_t value, bool force, tStatus& status, uint32_t context) override;
  void flush(uint32_t id, bool force, tStatus& status, uint32_t context) override;
  void refresh(uint32_t id, tStatus& status, uint32_t context) override;
  void getRegisterFormat(uint32_t id, uint32_t& count, FieldType* types, uint64_t* masks,
                         tStatus& status) const override;
  void flushRegMap(bool force, tStatus& status) override;
  void refreshRegMap(tStatus& status) override;
  void markDirtyRegMap() override;
  // Marks dirty this map's own shadowed registers (not its children's)
  // whose bus address lies in [first, last], and sets then clears those
  // bits of their run-may-overwrite flags; whether there was any.
  bool markDirtyWithin(uint32_t first, uint32_t last, uint8_t runSet = 0, uint8_t runClear = 0);
  const char* getVersion() const override { return descriptor_.settings.version; }
  const char* getOldestCompatibleVersion() const override { return descriptor_.settings.oldestCompatibleVersion; }
  ~tRegisterMapEngine() override {}
  void reinitialize() override;

  const tMapDescriptor& getDescriptor() const { return descriptor_; }
  IRegisterBus& getBus() const { return *bus_; }
  uint32_t getBase() const { return base_; }
  uint32_t getWindowStart() const { return windowStart_; }
  uint32_t getWindowSize() const { return windowSize_; }

  // Records `code` with the map's published source name.
  void recordFailure(int64_t code, tStatus& status, uint64_t line) const;

  // The entry of a lookup key (an item or register key of RegisterIds.h),
  // or null when the map has no such id: one hash and two loads.
  const tItemInfo* findItem(uint32_t key) const {
    const uint64_t hash = hashKey(key, bucketSeed_);
    const uint32_t slot = (static_cast<uint32_t>(hash >> 32) ^ bucketSeeds_[hash >> bucketShift_]) & slotMask_;
    const tItemInfo* item = &items_[slot];
    return item->id == key ? item : nullptr;
  }

 protected:
  // `records` is the map's block of register records, laid out as the
  // descriptor's record offsets say; `children` holds descriptor.childCount
  // maps. Nothing is touched here: the map calls reinitialize once its
  // records and bus exist.
  tRegisterMapEngine(const tMapDescriptor& descriptor, void* records, IRegisterBus* bus, uint32_t base,
                     uint32_t windowStart, uint32_t windowSize, tRegisterMapInterface* const* children);

  tRegisterMapEngine(const tRegisterMapEngine&) = delete;
  tRegisterMapEngine& operator=(const tRegisterMapEngine&) = delete;

 private:
  struct tSlot {
    void* record;
    const tRecordInfo* info;
  };

  tSlot slot(uint32_t recordIndex) const;
  // The item an operation acts on, or null after recording -52005.
  const tItemInfo* accepted(uint32_t key, uint8_t operation, tStatus& status) const;
  // The register a flush or refresh by `id` acts on, or null after -52005.
  const tItemInfo* acceptedRegister(uint32_t id, uint8_t operation, tStatus& status) const;
  // The record of an item, by element index where the map has arrays.
  bool element(const tItemInfo& item, uint32_t context, tSlot& slot, tStatus& status) const;
  void* elementRecord(const tItemInfo& item, uint32_t context, tStatus& status) const;
  void* arrayElement(const tItemInfo& item, uint32_t context, tStatus& status) const;
  // get and set of ids off the hot path: refused ones and array elements.
  void getElement(uint32_t id, uint64_t& value, tStatus& status, uint32_t context);
  void setElement(uint32_t id, uint64_t value, tStatus& status, uint32_t context);

  void flushSlot(const tSlot& slot, bool force, tStatus& status);
  void refreshSlot(const tSlot& slot, tStatus& status);
  uint64_t readDirect(const tSlot& slot, tStatus& status);
  void runPass(const uint16_t* steps, uint16_t count, bool flushing, bool force, tStatus& status);

  const tMapDescriptor& descriptor_;
  // The lookup's part of the descriptor, one load closer.
  const tItemInfo* items_;
  const uint32_t* bucketSeeds_;
  uint32_t bucketSeed_;
  uint32_t slotMask_;
  uint8_t bucketShift_;
  void* records_;
  IRegisterBus* bus_;
  tRegisterMapInterface* const* children_;
  uint32_t base_;
  uint32_t windowStart_;
  uint32_t windowSize_;
};

}  // namespace arm

#endif
