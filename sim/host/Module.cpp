#include "Module.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
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
constexpr char kEntryName[] = "nVLAPAL200_driverEntry";

using Image = std::vector<char>;

// The file's first `limit` bytes, or all of it.
Image readImage(const std::string& path, size_t limit = SIZE_MAX) {
  std::ifstream file(path, std::ios::binary);
  if (limit == SIZE_MAX) return Image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  Image image(limit);
  file.read(image.data(), static_cast<std::streamsize>(limit));
  image.resize(file ? limit : static_cast<size_t>(file.gcount()));
  return image;
}

bool within(const Image& image, uint64_t offset, uint64_t size) {
  return offset <= image.size() && size <= image.size() - offset;
}

// A record of the image at `offset`, copied out: the file may be any file,
// its offsets unaligned.
template <typename Record>
Record recordAt(const Image& image, uint64_t offset) {
  Record record;
  std::memcpy(&record, image.data() + offset, sizeof record);
  return record;
}

// The value of the symbol `name`, defined, in the image's symbol tables of
// `type` (SHT_SYMTAB: every symbol; SHT_DYNSYM: the exported ones). Every
// offset is checked, since the image may be any file.
std::optional<uint64_t> definedSymbol(const Image& image, uint32_t type, const std::string& name) {
  if (!within(image, 0, sizeof(Elf64_Ehdr))) return std::nullopt;
  const auto header = recordAt<Elf64_Ehdr>(image, 0);
  if (!within(image, header.e_shoff, uint64_t{header.e_shnum} * sizeof(Elf64_Shdr))) return std::nullopt;
  for (unsigned i = 0; i < header.e_shnum; ++i) {
    const auto table = recordAt<Elf64_Shdr>(image, header.e_shoff + i * sizeof(Elf64_Shdr));
    if (table.sh_type != type || table.sh_link >= header.e_shnum) continue;
    const auto strings = recordAt<Elf64_Shdr>(image, header.e_shoff + table.sh_link * sizeof(Elf64_Shdr));
    if (!within(image, table.sh_offset, table.sh_size) || !within(image, strings.sh_offset, strings.sh_size)) continue;
    for (uint64_t j = 0; j < table.sh_size / sizeof(Elf64_Sym); ++j) {
      const auto symbol = recordAt<Elf64_Sym>(image, table.sh_offset + j * sizeof(Elf64_Sym));
      if (symbol.st_shndx == SHN_UNDEF || symbol.st_name >= strings.sh_size) continue;
      const char* found = image.data() + strings.sh_offset + symbol.st_name;
      if (strnlen(found, strings.sh_size - symbol.st_name) == name.size() && name == found) return symbol.st_value;
    }
  }
  return std::nullopt;
}

// The machine this process was built for, from its own ELF header: a
// module built for another one maps nowhere here.
uint16_t ownMachine() {
  static const uint16_t machine = [] {
    const Image header = readImage("/proc/self/exe", sizeof(Elf64_Ehdr));
    return within(header, 0, sizeof(Elf64_Ehdr)) ? recordAt<Elf64_Ehdr>(header, 0).e_machine : uint16_t{EM_NONE};
  }();
  return machine;
}

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
  auto entry = reinterpret_cast<Entry>(dlsym(handle, kEntryName));
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
  const std::optional<uint64_t> value = definedSymbol(readImage(path_), SHT_SYMTAB, symbol);
  return value ? reinterpret_cast<void*>(map->l_addr + *value) : nullptr;
}

std::string Module::whyNotAModule(const std::string& path) {
  const Image header = readImage(path, sizeof(Elf64_Ehdr));
  if (header.size() < SELFMAG || std::memcmp(header.data(), ELFMAG, SELFMAG) != 0) return "it is not an ELF object";
  if (!within(header, 0, sizeof(Elf64_Ehdr)) || header[EI_CLASS] != ELFCLASS64) return "it is not a 64-bit ELF object";
  const uint16_t machine = recordAt<Elf64_Ehdr>(header, 0).e_machine;
  if (machine != ownMachine()) {
    return "it is an ELF object for another machine (ELF machine " + std::to_string(machine) + ", this one's " +
           std::to_string(ownMachine()) + ")";
  }
  if (recordAt<Elf64_Ehdr>(header, 0).e_type != ET_DYN) {
    return "it is an ELF object but not a shared one (this layer loads the module's shared object, libvl9738k.so)";
  }
  if (!definedSymbol(readImage(path), SHT_DYNSYM, kEntryName)) {
    return "it exports no nVLAPAL200_driverEntry";
  }
  return "";
}

Module::~Module() {
  unload();
  if (handle_ != nullptr) dlclose(handle_);
}

}  // namespace sim
