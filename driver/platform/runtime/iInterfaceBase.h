// The common root of objects that are only ever owned through an interface
// pointer: destroying through it runs the whole object's destructor and
// frees the object. Defined inline, so that code built with type
// information (tests) may derive from it too.
#ifndef VL9738K_PLATFORM_RUNTIME_IINTERFACE_BASE_H
#define VL9738K_PLATFORM_RUNTIME_IINTERFACE_BASE_H

namespace nVLAPAL000 {

class iInterfaceBase {
 public:
  virtual ~iInterfaceBase() = default;
};

}  // namespace nVLAPAL000

#endif
