// Resources built once for every block of one kind in the FPGA's subsystem
// tree, found again by the block's context or by a path from the root.
//
// The factory decides which blocks it serves and builds their resources:
//   bool isSupportedUid(uint16_t uid, uint8_t subsystem) const;
//   tResources* createResources(const vlifw::ContextInterface* root,
//                               const vlifw::ContextInterface* block, tStatus&);
//   static void destroyResources(tResources*);
// createResources answers null only when it could not allocate; a block
// that fails in any other way keeps its failure in its resources.
#ifndef VL9738K_TIMING_SUBSYSTEMRESOURCESMAP_H
#define VL9738K_TIMING_SUBSYSTEMRESOURCESMAP_H

#include <stdint.h>

#include "driver/ifw/ContextInterface.h"
#include "driver/ifw/IfwStatusCodes.h"
#include "driver/listmode/PathElement.h"
#include "driver/platform/containers/Vector.h"
#include "driver/platform/containers/VlhtlMap.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"
#include "driver/timing/sync/ZelkSyncPathElement.h"

namespace qrtifwprim {

template <typename tResources, typename tFactory>
class SubsystemResourcesMap {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tContext = vlifw::ContextInterface;
  using tPath = vlhtl::Vector<vlifw::PathElement>;
  using tEntries = vlhtl::Map<const tContext*, tResources*>;

  // Walks the tree depth first from `root`. The blocks below a served
  // block belong to it and are not visited. Only an allocation failure
  // reaches `status`, and it ends the walk.
  SubsystemResourcesMap(const tContext* root, tFactory& factory, tStatus& status) : root_(root) {
    if (status.isFatal() || root == nullptr) return;
    typename tContext::tChildren stack;
    stack.push_back(root, status);
    while (status.isNotFatal() && stack.size() != 0) {
      const tContext* context = stack.back();
      stack.pop_back();
      tStatus local;
      const uint16_t uid = static_cast<uint16_t>(context->getInfo(local));
      uint8_t subsystem = 0;
      context->getSubsystemAndOffset(&subsystem, nullptr, local);
      if (factory.isSupportedUid(uid, subsystem)) {
        adopt(context, factory.createResources(root, context, status), status);
      } else {
        pushChildren(*context, stack, status);
      }
    }
  }

  ~SubsystemResourcesMap() {
    for (auto& entry : entries_) tFactory::destroyResources(entry.second);
  }
  SubsystemResourcesMap(const SubsystemResourcesMap&) = delete;
  SubsystemResourcesMap& operator=(const SubsystemResourcesMap&) = delete;

  // Null when the block has none; -52006 then when it must exist.
  tResources* find(const tContext* context, bool mustExist, tStatus& status) const {
    if (status.isFatal()) return nullptr;
    auto* entry = entries_.find(context);
    if (entry != nullptr) return entry->second;
    if (mustExist) status.setCode(nVLAPALS100::kStatusNotAccessible, VL_SITE);
    return nullptr;
  }

  // Each step looks among the children of the block the previous step
  // reached. A step that finds nothing fails the caller only when the
  // resources must exist.
  tResources* find(const tPath& path, bool mustExist, tStatus& status) const {
    if (status.isFatal()) return nullptr;
    if (path.size() == 0) {
      status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
      return nullptr;
    }
    const tContext* node = root_;
    for (const vlifw::PathElement& element : path) {
      tStatus step;
      node = node == nullptr ? nullptr : node->findChild(element.uid, element.instance, step);
      if (node == nullptr || step.isFatal()) {
        if (mustExist) status.merge(step);
        return nullptr;
      }
    }
    return find(node, mustExist, status);
  }

  // The same with 16-bit instances. The tree numbers its blocks with 8
  // bits: a wider instance names no block, rather than the block its low
  // bits would.
  tResources* find(const vlhtl::Vector<ZelkSyncPathElement>& path, bool mustExist, tStatus& status) const {
    if (status.isFatal()) return nullptr;
    if (path.size() == 0) {
      status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
      return nullptr;
    }
    const tContext* node = root_;
    for (const ZelkSyncPathElement& element : path) {
      tStatus step;
      if (element.instance > 0xFF) {
        step.setCode(vlifw::codes::kContextMissing, VL_SITE);
      } else if (node != nullptr) {
        node = node->findChild(element.uid, static_cast<uint8_t>(element.instance), step);
      }
      if (node == nullptr || step.isFatal()) {
        if (mustExist) status.merge(step);
        return nullptr;
      }
    }
    return find(node, mustExist, status);
  }

  const tEntries& entries() const { return entries_; }

 private:
  void adopt(const tContext* context, tResources* resources, tStatus& status) {
    if (resources == nullptr) return;
    if (!entries_.insert(context, resources, status).inserted) tFactory::destroyResources(resources);
  }

  static void pushChildren(const tContext& context, typename tContext::tChildren& stack, tStatus& status) {
    typename tContext::tChildren children;
    tStatus lookup;
    context.getChildren(children, lookup);
    // Listing children fails only for want of memory.
    status.merge(lookup);
    for (const tContext* child : children) stack.push_back(child, status);
  }

  const tContext* root_;
  tEntries entries_;
};

}  // namespace qrtifwprim

#endif
