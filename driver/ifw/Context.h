// A node of the FPGA's subsystem tree, built once by the subsystem map
// and never changed afterwards, so any thread may read it. The contexts
// themselves live in the map's array; a context owns only the array of
// pointers to its children.
#ifndef VL9738K_IFW_CONTEXT_H
#define VL9738K_IFW_CONTEXT_H

#include <stdint.h>

#include "ContextInterface.h"

namespace vlifw {

class Context final : public ContextInterface {
 public:
  Context() = default;
  ~Context() override;
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

  // Takes over `children` (an array from new[]) and frees the one it held.
  void initialize(uint8_t subsystem, uint64_t offset, uint16_t uid, uint8_t instance, uint16_t version,
                  uint16_t oldestCompatible, Context** children, uint64_t childCount);

  ReadInstruction contextualizeRead(uint64_t offset, nVLAPALS100::tStatus& status) const override;
  WriteInstruction contextualizeWrite(uint64_t offset, uint64_t data, nVLAPALS100::tStatus& status) const override;
  uint64_t getInfo(nVLAPALS100::tStatus& status) const override;
  void getSubsystemAndOffset(uint8_t* subsystem, uint64_t* offset, nVLAPALS100::tStatus& status) const override;
  void checkVersion(uint16_t version, uint16_t oldestCompatible, bool failIfIncompatible, bool* tooOld, bool* tooNew,
                    nVLAPALS100::tStatus& status) const override;
  const ContextInterface* findChild(uint16_t uid, uint8_t instance, nVLAPALS100::tStatus& status) const override;
  void getChildrenWithUid(uint16_t uid, tChildren& out, nVLAPALS100::tStatus& status) const override;
  void getChildren(tChildren& out, nVLAPALS100::tStatus& status) const override;

  uint8_t getSubsystem() const { return subsystem_; }
  uint64_t getOffset() const { return offset_; }
  uint16_t getUid() const { return uid_; }
  uint8_t getInstance() const { return instance_; }
  uint16_t getVersion() const { return version_; }
  uint16_t getOldestCompatibleVersion() const { return oldestCompatible_; }
  uint64_t getChildCount() const { return childCount_; }
  const Context* getChild(uint64_t index) const { return children_[index]; }

 private:
  uint8_t subsystem_ = 0;
  uint64_t offset_ = 0;
  uint16_t uid_ = 0;
  uint8_t instance_ = 0;
  uint16_t version_ = 0;
  uint16_t oldestCompatible_ = 0;
  Context** children_ = nullptr;
  uint64_t childCount_ = 0;
};

}  // namespace vlifw

#endif
