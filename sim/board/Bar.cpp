#include "Bar.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <new>

#include "LittleEndian.h"

namespace sim {
namespace {

constexpr std::align_val_t kPageAlignment{4096};

}  // namespace

Bar::Bar(uint64_t size) : memory_(static_cast<uint8_t*>(::operator new(size, kPageAlignment))), size_(size), claim_(0) {
  std::memset(memory_, 0, size);
  segment();
  claim_ = Registers::claim(memory_, size, *this);
}

Bar::~Bar() {
  Registers::release(claim_);
  ::operator delete(memory_, kPageAlignment);
}

void Bar::attach(uint64_t offset, uint64_t size, RegisterBlock& block) {
  assert(offset <= size_ && size <= size_ - offset);
  blocks_.push_back(Attached{offset, size, &block});
  segment();
}

void Bar::attach(Aperture& aperture) { apertures_.push_back(&aperture); }

Aperture* Bar::apertureAt(uint64_t offset, unsigned width) const {
  for (Aperture* aperture : apertures_) {
    if (aperture->decodes(offset, width)) return aperture;
  }
  return nullptr;
}

// A block attached inside a larger one (a register block inside a window
// that models the rest of it) answers for its own range; of equal ones,
// the first attached.
const Bar::Attached* Bar::innermost(uint64_t begin, uint64_t end) const {
  const Attached* found = nullptr;
  for (const Attached& attached : blocks_) {
    if (begin < attached.offset || end > attached.offset + attached.size) continue;
    if (found == nullptr || attached.size < found->size) found = &attached;
  }
  return found;
}

// Every block edge starts a segment, so a block holds a segment whole or
// not at all, and an access inside one segment has that segment's block.
void Bar::segment() {
  std::vector<uint64_t> edges{0, size_};
  for (const Attached& attached : blocks_) {
    edges.push_back(attached.offset);
    edges.push_back(attached.offset + attached.size);
  }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  segments_.clear();
  pageSegment_.clear();
  if (size_ == 0) return;
  for (size_t i = 0; i + 1 < edges.size(); ++i) {
    const Attached* found = innermost(edges[i], edges[i + 1]);
    segments_.push_back(Segment{edges[i], edges[i + 1], found == nullptr ? kNone : size_t(found - blocks_.data())});
  }
  pageSegment_.assign(((size_ - 1) >> kPageShift) + 1, 0);
  size_t first = 0;
  for (size_t page = 0; page < pageSegment_.size(); ++page) {
    while (segments_[first].end <= page << kPageShift) ++first;
    pageSegment_[page] = static_cast<uint32_t>(first);
  }
}

// A download or a flash program makes millions of accesses: the page
// names the first segment to look at, and only an access across an edge
// looks at every block.
const Bar::Attached* Bar::blockAt(uint64_t offset, unsigned width) const {
  if (offset >= size_) return innermost(offset, offset + width);
  size_t at = pageSegment_[offset >> kPageShift];
  while (segments_[at].end <= offset) ++at;
  const Segment& segment = segments_[at];
  if (offset + width > segment.end) return innermost(offset, offset + width);
  return segment.block == kNone ? nullptr : &blocks_[segment.block];
}

uint32_t Bar::mmioRead(uint64_t offset, unsigned width) {
  uint32_t value = 0;
  if (removed_) {
    value = 0xFFFFFFFFu >> (32 - 8 * width);
  } else if (const Attached* attached = blockAt(offset, width)) {
    value = attached->block->read(offset - attached->offset, width);
  } else if (Aperture* aperture = apertureAt(offset, width)) {
    value = aperture->read(offset, width);
  } else {
    value = static_cast<uint32_t>(loadLittle(memory_ + offset, width));
  }
  traffic_.add(BusAccess{BusAccess::Kind::Read, offset, width, value});
  return value;
}

void Bar::mmioWrite(uint64_t offset, unsigned width, uint32_t value) {
  traffic_.add(BusAccess{BusAccess::Kind::Write, offset, width, value});
  if (removed_) return;
  if (const Attached* attached = blockAt(offset, width)) {
    attached->block->write(offset - attached->offset, width, value);
  } else if (Aperture* aperture = apertureAt(offset, width)) {
    aperture->write(offset, width, value);
  } else {
    storeLittle(memory_ + offset, width, value);
  }
}

void Bar::internalWrite(uint64_t offset, unsigned width, uint32_t value) {
  if (const Attached* attached = blockAt(offset, width)) {
    attached->block->write(offset - attached->offset, width, value);
  } else if (Aperture* aperture = apertureAt(offset, width)) {
    aperture->write(offset, width, value);
  } else if (offset <= size_ && width <= size_ - offset) {
    storeLittle(memory_ + offset, width, value);
  }
}

uint32_t Bar::internalRead(uint64_t offset, unsigned width) {
  uint32_t value = 0;
  if (const Attached* attached = blockAt(offset, width)) {
    value = attached->block->read(offset - attached->offset, width);
  } else if (Aperture* aperture = apertureAt(offset, width)) {
    value = aperture->read(offset, width);
  } else if (offset <= size_ && width <= size_ - offset) {
    value = static_cast<uint32_t>(loadLittle(memory_ + offset, width));
  }
  return value;
}

uint64_t Bar::peek64(uint64_t offset) const {
  uint64_t value = 0;
  if (offset <= size_ && size_ - offset >= sizeof value) std::memcpy(&value, memory_ + offset, sizeof value);
  return value;
}

}  // namespace sim
