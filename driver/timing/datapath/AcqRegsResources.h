// Every acquisition engine block of the FPGA's subsystem tree with its
// own binding, register map, data-path control and scale-by-two switch.
#ifndef VL9738K_TIMING_DATAPATH_ACQREGSRESOURCES_H
#define VL9738K_TIMING_DATAPATH_ACQREGSRESOURCES_H

#include <stdint.h>

#include "AcqDataPathControl.h"
#include "DSPScaleDataByTwoControl.h"
#include "GenRegsResources.h"

namespace qrtifwprim {

namespace internal {

struct AcqRegsSubsystemResources {
  vlifw::InstructionTargetMXRM* target;
  nQRTAcquisitionRegisters::tQRTAcquisitionRegisters* map;
  AcqDataPathControl* dataPath;
  DSPScaleDataByTwoControl<>* scaleByTwo;
  nVLAPALS100::tStatus creationStatus;
};

// Blocks from version 2 on work with this code, unlike the engine
// resources, which need exactly version 2.
class AcqRegsSubsystemResourcesFactory {
 public:
  static constexpr uint16_t kUid = 2403;
  static constexpr uint16_t kVersion = 3;
  static constexpr uint16_t kOldestCompatibleVersion = 2;

  AcqRegsSubsystemResourcesFactory(vlifw::InstructionTarget* target, const DataPathServices& services)
      : target_(target), services_(services) {}

  bool isSupportedUid(uint16_t uid, uint8_t) const { return uid == kUid; }
  AcqRegsSubsystemResources* createResources(const vlifw::ContextInterface* root, const vlifw::ContextInterface* block,
                                             nVLAPALS100::tStatus& status);
  static void destroyResources(AcqRegsSubsystemResources* resources);

 private:
  vlifw::InstructionTarget* target_;
  DataPathServices services_;
};

}  // namespace internal

class AcqRegsResources {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tMap = nQRTAcquisitionRegisters::tQRTAcquisitionRegisters;
  using tPath = vlhtl::Vector<ZelkSyncPathElement>;

  AcqRegsResources(vlifw::InstructionTarget* target, const vlifw::ContextInterface* root,
                   const internal::DataPathServices& services, tStatus& status)
      : factory_(target, services), resources_(root, factory_, status) {}
  virtual ~AcqRegsResources() {}
  AcqRegsResources(const AcqRegsResources&) = delete;
  AcqRegsResources& operator=(const AcqRegsResources&) = delete;

  virtual void markDirty(uint8_t subsystem, tStatus& status);
  virtual tMap* getRegisterMap(const vlifw::ContextInterface* context, tStatus& status);
  virtual tMap* getRegisterMap(const tPath& path, tStatus& status);
  virtual AcqDataPathControl* getDataPathControl(const tPath& path, tStatus& status);
  virtual DSPScaleDataByTwoControl<>* getDSPScaleDataByTwoControl(const tPath& path, tStatus& status);

  const auto& entries() const { return resources_.entries(); }

 private:
  internal::AcqRegsSubsystemResources* found(internal::AcqRegsSubsystemResources* resources, tStatus& status);

  internal::AcqRegsSubsystemResourcesFactory factory_;
  SubsystemResourcesMap<internal::AcqRegsSubsystemResources, internal::AcqRegsSubsystemResourcesFactory> resources_;
};

}  // namespace qrtifwprim

#endif
