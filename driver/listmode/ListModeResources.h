// The list engines of one device that list-mode sessions asked for: one
// record per engine, with its transport, register map, command control and
// assembler, made when the first session of that engine is created and
// kept until the resources go. Every session of an engine shares that
// engine's command control and assembler, so sessions must be gone before
// the resources are.
#ifndef VL9738K_LISTMODE_LISTMODERESOURCES_H
#define VL9738K_LISTMODE_LISTMODERESOURCES_H

#include <stdint.h>

#include "CommandControl.h"
#include "PathElement.h"
#include "Session.h"
#include "driver/ifw/ContextInterface.h"
#include "driver/ifw/InstructionTarget.h"
#include "driver/ifw/InstructionTargetMXRM.h"
#include "driver/listmode/pcode/Assembler.h"
#include "driver/platform/containers/Vector.h"
#include "driver/platform/containers/VlitlMap.h"

namespace listmodek {

class ListModeResources {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tPath = vlhtl::Vector<vlifw::PathElement>;

  // UIDs under which the FPGA announces a list engine.
  static constexpr uint16_t kListEngineUid = 2404;
  static constexpr uint16_t kListEngineUidAlternate = 110;

  struct SubsystemResources {
    vlitl_RBNode mapNode;
    const vlifw::ContextInterface* key;
    vlifw::InstructionTargetMXRM* transport;
    CommandControl::tMap* map;
    CommandControl* commandControl;
    pcode::Assembler* assembler;
  };

  // Owns neither: all engine traffic goes through `target`, paths start
  // below `root`.
  ListModeResources(vlifw::InstructionTarget* target, const vlifw::ContextInterface* root)
      : target_(target), root_(root) {}
  ~ListModeResources();
  ListModeResources(const ListModeResources&) = delete;
  ListModeResources& operator=(const ListModeResources&) = delete;

  // A new session on the engine the path names, owned by the caller.
  // -52005 for an empty path or one that does not end in a list engine;
  // null with the status untouched for a path that names no node.
  Session* createSession(const tPath& path, tStatus& status);
  // Builds the parts of an engine's record in order, none once one failed.
  void createEngine(SubsystemResources& record, const vlifw::ContextInterface* context,
                    vlifw::InstructionTarget* target, tStatus& status);
  // Whether every engine that has a record reports its list done.
  bool allIdle(tStatus& status);
  static bool isListModeId(uint16_t uid) { return uid == kListEngineUid || uid == kListEngineUidAlternate; }

 private:
  using tRecords = vlitl::Map<const vlifw::ContextInterface*, SubsystemResources, &SubsystemResources::key,
                              &SubsystemResources::mapNode, vlitl::GenericLessFunctor>;

  const vlifw::ContextInterface* resolve(const tPath& path) const;
  static void destroy(SubsystemResources* record);

  vlifw::InstructionTarget* target_;
  const vlifw::ContextInterface* root_;
  tRecords records_;
};

}  // namespace listmodek

#endif
