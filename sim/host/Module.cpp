#include "Module.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

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

Module::Module(void* handle, Entry entry, std::string path)
    : handle_(handle), path_(std::move(path)), record_(new nVLZUK_tDriverRecord{}), entryResult_(0), unloaded_(false) {
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
  return std::unique_ptr<Module>(new Module(handle, entry, path));
}

std::unique_ptr<Module> Module::enter(Entry entry) { return std::unique_ptr<Module>(new Module(nullptr, entry, {})); }

void Module::unload() {
  if (unloaded_ || entryResult_ < 0) return;
  unloaded_ = true;
  record_->unload(record_.get());
}

bool Module::isMapped(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  dlclose(handle);
  return true;
}

// Local symbols are not visible to dlsym, but the file's full symbol table
// still names them; their values are offsets from the mapping's base.
void* Module::localObject(const std::string& symbol) const {
  link_map* map = nullptr;
  if (handle_ == nullptr || dlinfo(handle_, RTLD_DI_LINKMAP, &map) != 0) return nullptr;
  std::ifstream file(path_, std::ios::binary);
  const std::vector<char> image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (image.size() < sizeof(Elf64_Ehdr)) return nullptr;
  const auto* header = reinterpret_cast<const Elf64_Ehdr*>(image.data());
  const auto* sections = reinterpret_cast<const Elf64_Shdr*>(image.data() + header->e_shoff);
  for (unsigned i = 0; i < header->e_shnum; ++i) {
    if (sections[i].sh_type != SHT_SYMTAB) continue;
    const char* names = image.data() + sections[sections[i].sh_link].sh_offset;
    const auto* symbols = reinterpret_cast<const Elf64_Sym*>(image.data() + sections[i].sh_offset);
    for (uint64_t j = 0; j < sections[i].sh_size / sizeof(Elf64_Sym); ++j) {
      if (symbols[j].st_shndx != SHN_UNDEF && symbol == names + symbols[j].st_name) {
        return reinterpret_cast<void*>(map->l_addr + symbols[j].st_value);
      }
    }
  }
  return nullptr;
}

Module::~Module() {
  unload();
  if (handle_ != nullptr) dlclose(handle_);
}

}  // namespace sim
