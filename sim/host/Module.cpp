#include "Module.h"

#include <dlfcn.h>

#include <cstdlib>
#include <string>

#include "../kernel/FaultSite.h"

#ifndef VL9738K_MODULE_PATH
#define VL9738K_MODULE_PATH "libvl9738k.so"
#endif

namespace sim {
namespace {

std::string gLastError;

// Kernel-owned words of the record get a recognisable pattern, so a test
// can tell that the driver left them alone.
constexpr uint64_t kKernelWordPattern = 0x5A5A5A5A00000000ull;

}  // namespace

std::string Module::defaultPath() {
  const char* path = std::getenv("VL9738K_MODULE");
  return path != nullptr ? path : VL9738K_MODULE_PATH;
}

const char* Module::lastError() { return gLastError.c_str(); }

Module::Module(void* handle, Entry entry)
    : handle_(handle), record_(new nVLZUK_tDriverRecord{}), entryResult_(0), unloaded_(false) {
  for (uint64_t i = 0; i < 3; ++i) record_->kernelHead[i] = kKernelWordPattern | i;
  record_->kernelWord = kKernelWordPattern | 3;
  for (uint64_t i = 0; i < 4; ++i) record_->kernelTail[i] = kKernelWordPattern | (4 + i);
  entryResult_ = entry(record_.get());
}

std::unique_ptr<Module> Module::load(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    gLastError = dlerror();
    return nullptr;
  }
  auto entry = reinterpret_cast<Entry>(dlsym(handle, "nVLAPAL200_driverEntry"));
  if (entry == nullptr) {
    gLastError = "the module exports no nVLAPAL200_driverEntry";
    dlclose(handle);
    return nullptr;
  }
  return std::unique_ptr<Module>(new Module(handle, entry));
}

std::unique_ptr<Module> Module::enter(Entry entry) { return std::unique_ptr<Module>(new Module(nullptr, entry)); }

void Module::unload() {
  if (unloaded_ || entryResult_ < 0) return;
  unloaded_ = true;
  record_->unload(record_.get());
}

Module::~Module() {
  unload();
  if (handle_ != nullptr) dlclose(handle_);
}

}  // namespace sim
