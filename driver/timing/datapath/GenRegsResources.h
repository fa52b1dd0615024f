// Every generation engine block of the FPGA's subsystem tree with its own
// binding, register map and data-path control, found by the block's
// context or by a path from the root.
#ifndef VL9738K_TIMING_DATAPATH_GENREGSRESOURCES_H
#define VL9738K_TIMING_DATAPATH_GENREGSRESOURCES_H

#include <stdint.h>

#include "GenDataPathControl.h"
#include "driver/timing/SubsystemResourcesMap.h"

namespace qrtifwprim {

namespace internal {

// A block whose version this code cannot drive keeps its failure here,
// and gets no map or control.
struct GenRegsSubsystemResources {
  vlifw::InstructionTargetMXRM* target;
  nQRTGenerationRegisters::tQRTGenerationRegisters* map;
  GenDataPathControl* dataPath;
  nVLAPALS100::tStatus creationStatus;
};

// What every data-path control is handed besides its block.
struct DataPathServices {
  RegisterPoller::PollerStore* pollers;
  StatusRegisterCheck::StatusRegisterCheckPoolStore* pools;
  DeviceActivityAccess::tManager* manager;
};

class GenRegsSubsystemResourcesFactory {
 public:
  static constexpr uint16_t kUid = 2402;
  static constexpr uint16_t kVersion = 2;
  static constexpr uint16_t kOldestCompatibleVersion = 2;

  GenRegsSubsystemResourcesFactory(vlifw::InstructionTarget* target, const DataPathServices& services)
      : target_(target), services_(services) {}

  bool isSupportedUid(uint16_t uid, uint8_t) const { return uid == kUid; }
  GenRegsSubsystemResources* createResources(const vlifw::ContextInterface* root, const vlifw::ContextInterface* block,
                                             nVLAPALS100::tStatus& status);
  // The control goes first, then the map it uses, then the binding.
  static void destroyResources(GenRegsSubsystemResources* resources);

 private:
  vlifw::InstructionTarget* target_;
  DataPathServices services_;
};

// The engine instance a tree serves is in bits 23:16 of its root's info.
uint8_t engineInstance(const vlifw::ContextInterface* root, nVLAPALS100::tStatus& status);

}  // namespace internal

class GenRegsResources {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tMap = nQRTGenerationRegisters::tQRTGenerationRegisters;
  using tPath = vlhtl::Vector<ZelkSyncPathElement>;

  // Only a failure to allocate reaches `status`.
  GenRegsResources(vlifw::InstructionTarget* target, const vlifw::ContextInterface* root,
                   const internal::DataPathServices& services, tStatus& status)
      : factory_(target, services), resources_(root, factory_, status) {}
  virtual ~GenRegsResources() {}
  GenRegsResources(const GenRegsResources&) = delete;
  GenRegsResources& operator=(const GenRegsResources&) = delete;

  // Every block whose instructions go to `subsystem`.
  virtual void markDirty(uint8_t subsystem, tStatus& status);
  virtual tMap* getRegisterMap(const vlifw::ContextInterface* context, tStatus& status);
  virtual tMap* getRegisterMap(const tPath& path, tStatus& status);
  virtual GenDataPathControl* getDataPathControl(const tPath& path, tStatus& status);

  const auto& entries() const { return resources_.entries(); }

 private:
  internal::GenRegsSubsystemResources* found(internal::GenRegsSubsystemResources* resources, tStatus& status);

  internal::GenRegsSubsystemResourcesFactory factory_;
  SubsystemResourcesMap<internal::GenRegsSubsystemResources, internal::GenRegsSubsystemResourcesFactory> resources_;
};

}  // namespace qrtifwprim

#endif
