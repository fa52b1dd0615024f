// Loads the packaged driver module the way the kernel layer does: map the
// object, call its one exported entry with a fresh driver record, and keep
// the record for the callbacks. Unload calls the module's own unload entry.
#ifndef VL9738K_SIM_MODULE_H
#define VL9738K_SIM_MODULE_H

#include <cstdint>
#include <memory>
#include <string>

#include "../../driver/platform/zuk/ZukDriver.h"

namespace sim {

class Module {
 public:
  using Entry = int32_t (*)(nVLZUK_tDriverRecord*);

  // The module built next to the tests (VL9738K_MODULE overrides the path).
  static std::string defaultPath();
  // Maps the module and runs its driver entry. Returns null when the object
  // cannot be mapped; otherwise the module, whose entryResult() tells
  // whether the driver registered (a refused module is already unmapped of
  // its statics and only waits to be released).
  static std::unique_ptr<Module> load(const std::string& path = defaultPath());
  // A driver linked into the test itself, entered through `entry`.
  static std::unique_ptr<Module> enter(Entry entry);

  ~Module();
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  int32_t entryResult() const { return entryResult_; }
  bool registered() const { return entryResult_ >= 0 && !unloaded_; }
  const nVLZUK_tDriverRecord& record() const { return *record_; }
  nVLZUK_tDriverRecord& record() { return *record_; }
  // Runs the unload entry (once) of a registered module.
  void unload();
  static const char* lastError();
  // Why the file at `path` is not a module this layer could load, without
  // loading it: not a 64-bit ELF shared object for this machine, or one
  // that exports no driver entry. Empty when it looks like one.
  static std::string whyNotAModule(const std::string& path);

  // Whether the object at `path` is mapped in this process now: a released
  // module must be gone, so that its next load starts from the file's own
  // static data.
  static bool isMapped(const std::string& path = defaultPath());
  // The address, in this mapping, of one of the module's local objects,
  // found by its symbol name in the file's symbol table; null if absent.
  void* localObject(const std::string& symbol) const;

 private:
  Module(void* handle, Entry entry, std::string path);

  void* handle_;
  std::string path_;
  std::unique_ptr<nVLZUK_tDriverRecord> record_;
  int32_t entryResult_;
  bool unloaded_;
};

}  // namespace sim

#endif
