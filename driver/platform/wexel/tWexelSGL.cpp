#include "tWexelSGL.h"

#include <new>

#include "../memory/Memory.h"
#include "../zuk/ZukMemory.h"
#include "tWexelSGLLinkMemory.h"

namespace nVLAPAL000 {

using nVLAPALS100::tStatus;

namespace {

uint32_t load32(const uint8_t* at) {
  uint32_t value;
  __builtin_memcpy(&value, at, sizeof value);
  return value;
}

void store32(uint8_t* at, uint32_t value) { __builtin_memcpy(at, &value, sizeof value); }
void store64(uint8_t* at, uint64_t value) { __builtin_memcpy(at, &value, sizeof value); }

// The register-write descriptor's value, repeated across 32 bits, and its
// width bits, by width code.
bool encodeRegisterWrite(uint32_t value, uint32_t widthCode, uint32_t& word, uint32_t& widthBits) {
  switch (widthCode) {
    case 1:
      word = (value & 0xFF) * 0x01010101u;
      widthBits = 0x00000000;
      return true;
    case 2:
      word = (value & 0xFFFF) * 0x00010001u;
      widthBits = 0x08000000;
      return true;
    case 0:
    case 3:
      word = value;
      widthBits = 0x18000000;
      return true;
    default:
      return false;
  }
}

// Register offsets must stay clear of the width bits and the kind mark.
constexpr uint32_t kRegisterOffsetMask = 0x07FFFFFF;

}  // namespace

tWexelSGL::tWexelSGL() : linkSize_(0), head_(nullptr), tail_(nullptr), configuration_(nullptr), blocks_(nullptr) {}

tWexelSGL::~tWexelSGL() {
  freeAllLinks();
  releaseBlocks(nullptr);
}

uint32_t tWexelSGL::descriptorSize(const uint8_t* descriptor) {
  return (load32(descriptor + 4) & kRegisterDescriptorMark) != 0 ? kRegisterDescriptorSize : kAddressDescriptorSize;
}

uint32_t tWexelSGL::flagsOf(const tWexelSGLChunkyLink* link) { return load32(link->page + 4); }

void tWexelSGL::setFlags(tWexelSGLChunkyLink* link, uint32_t flags) { store32(link->page + 4, flags); }

void tWexelSGL::initialize(const tDMAConfiguration& configuration, uint32_t linkSize, tStatus& status) {
  if (status.isFatal()) return;
  freeAllLinks();
  releaseBlocks(nullptr);
  // A link must hold its header and at least one address descriptor, or
  // appending would never find room.
  if (linkSize < kHeaderSize + kAddressDescriptorSize) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return;
  }
  configuration_ = &configuration;
  linkSize_ = linkSize;
  appendLink(status);
}

void tWexelSGL::allocateLinkMemory(tStatus& status) {
  if (status.isFatal()) return;
  const uint64_t pageSize = nVLZUK100_getPageSize();
  const uint64_t bytes = (linkSize_ + pageSize - 1) / pageSize * pageSize;
  tLinkMemory* block = new (status, kAllocationKindPlain) tLinkMemory(*configuration_);
  if (block == nullptr) return;
  block->allocate(bytes, status);
  if (status.isFatal()) {
    delete block;
    return;
  }
  block->setOlder(blocks_);
  blocks_ = block;
}

tWexelSGLChunkyLink* tWexelSGL::appendLink(tStatus& status) {
  if (status.isFatal()) return nullptr;
  if (configuration_ == nullptr) {
    status.setCode(nVLAPALS100::kStatusAssemblyFailure, VL_SITE);
    return nullptr;
  }
  if (blocks_ == nullptr || blocks_->left() < linkSize_) allocateLinkMemory(status);
  if (status.isFatal()) return nullptr;
  void* storage = nVLZUK100_malloc(sizeof(tWexelSGLChunkyLink));
  if (storage == nullptr) {
    status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE);
    return nullptr;
  }
  auto* link = new (storage) tWexelSGLChunkyLink{
      kHeaderSize, tail_, nullptr, blocks_->nextBusAddress(), linkSize_, blocks_->nextKernelAddress()};
  setFlags(link, 0);
  blocks_->consume(linkSize_);
  if (tail_ != nullptr) {
    tail_->next = link;
  } else {
    head_ = link;
  }
  tail_ = link;
  return link;
}

uint8_t* tWexelSGL::reserveRoom(uint32_t size, bool startNewLink, tStatus& status) {
  if (status.isFatal()) return nullptr;
  if (tail_ == nullptr || (startNewLink && tail_->used > kHeaderSize) || tail_->capacity - tail_->used < size) {
    if (appendLink(status) == nullptr) return nullptr;
  }
  uint8_t* at = tail_->page + tail_->used;
  tail_->used += size;
  return at;
}

void tWexelSGL::addDMAMapSegments(tDMAMap& map, tStatus& status) {
  while (status.isNotFatal() && map.moreSGLSegments()) {
    const tSGLSegment segment = map.nextSGLSegment();
    addSegment(segment.busAddress, segment.size, status, false);
  }
}

void tWexelSGL::addSegment(uint64_t busAddress, uint64_t byteCount, tStatus& status, bool startNewLink) {
  if (status.isFatal()) return;
  // The descriptor holds 32 bits of count: a larger piece would be cut short.
  if (byteCount == 0 || byteCount > 0xFFFFFFFFu) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return;
  }
  uint8_t* descriptor = reserveRoom(kAddressDescriptorSize, startNewLink, status);
  if (descriptor == nullptr) return;
  store32(descriptor, static_cast<uint32_t>(byteCount));
  store32(descriptor + 4, 0);
  store64(descriptor + 8, busAddress);
}

tWexelSGLChunkyLink* tWexelSGL::addRegisterWrite(uint32_t offset, uint32_t value, uint32_t widthCode, tStatus& status,
                                                 bool startNewLink, uint32_t* position) {
  if (status.isFatal()) return nullptr;
  uint32_t word = 0;
  uint32_t widthBits = 0;
  if ((offset & ~kRegisterOffsetMask) != 0 || !encodeRegisterWrite(value, widthCode, word, widthBits)) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return nullptr;
  }
  uint8_t* descriptor = reserveRoom(kRegisterDescriptorSize, startNewLink, status);
  if (descriptor == nullptr) return nullptr;
  store32(descriptor, word);
  store32(descriptor + 4, offset | kRegisterDescriptorMark | widthBits);
  if (position != nullptr) *position = static_cast<uint32_t>(descriptor - tail_->page);
  return tail_;
}

tWexelSGLFirstLink tWexelSGL::getFirstLinkAddress() const {
  if (head_ == nullptr) return tWexelSGLFirstLink{0, 0};
  return tWexelSGLFirstLink{head_->busAddress, head_->used};
}

uint32_t tWexelSGL::countLinks() const {
  uint32_t count = 0;
  for (const tWexelSGLChunkyLink* link = head_; link != nullptr; link = link->next) {
    ++count;
    if (link == tail_) break;
  }
  return count;
}

uint32_t tWexelSGL::countBlocks() const {
  uint32_t count = 0;
  for (const tLinkMemory* block = blocks_; block != nullptr; block = block->older()) ++count;
  return count;
}

// Moves whole descriptors from the front of `source` to the end of `link`
// while the next one fits; the rest of `source` moves down.
void tWexelSGL::fillFrom(tWexelSGLChunkyLink* link, tWexelSGLChunkyLink* source) {
  uint32_t taken = kHeaderSize;
  while (taken < source->used) {
    const uint32_t size = descriptorSize(source->page + taken);
    if (link->used + (taken - kHeaderSize) + size > link->capacity) break;
    taken += size;
  }
  const uint32_t bytes = taken - kHeaderSize;
  if (bytes == 0) return;
  nVLZUK180_memCpy(link->page + link->used, source->page + kHeaderSize, bytes);
  link->used += bytes;
  nVLZUK180_memMove(source->page + kHeaderSize, source->page + taken, source->used - taken);
  source->used -= bytes;
}

// Everything after `link` is empty: `link` becomes the tail and takes over
// the old tail's successor.
void tWexelSGL::cutAfter(tWexelSGLChunkyLink* link) {
  tWexelSGLChunkyLink* successor = tail_->next;
  tWexelSGLChunkyLink* doomed = link->next;
  while (doomed != successor) {
    tWexelSGLChunkyLink* following = doomed == tail_ ? successor : doomed->next;
    freeLink(doomed);
    doomed = following;
  }
  link->next = successor;
  tail_ = link;
}

uint32_t tWexelSGL::compact() {
  for (tWexelSGLChunkyLink* link = head_; link != tail_; link = link->next) {
    for (tWexelSGLChunkyLink* source = link->next;; source = source->next) {
      fillFrom(link, source);
      if (source->used > kHeaderSize || source == tail_) break;
    }
  }
  uint32_t full = 0;
  for (tWexelSGLChunkyLink* link = head_; link != tail_; link = link->next) {
    if (link->next->used == kHeaderSize) {
      cutAfter(link);
      break;
    }
    ++full;
  }
  return full;
}

// Moves as many descriptors from the end of the predecessor to the front
// of `link` as bring it up to `target` bytes.
void tWexelSGL::takeFromPredecessor(tWexelSGLChunkyLink* link, uint32_t target) {
  tWexelSGLChunkyLink* giver = link->previous;
  uint32_t cut = giver->used;
  for (uint32_t at = kHeaderSize; at < giver->used; at += descriptorSize(giver->page + at)) {
    if (link->used + (giver->used - at) <= target) {
      cut = at;
      break;
    }
  }
  const uint32_t bytes = giver->used - cut;
  if (bytes == 0) return;
  nVLZUK180_memMove(link->page + kHeaderSize + bytes, link->page + kHeaderSize, link->used - kHeaderSize);
  nVLZUK180_memCpy(link->page + kHeaderSize, giver->page + cut, bytes);
  link->used += bytes;
  giver->used = cut;
}

void tWexelSGL::balance() {
  if (head_ == tail_) return;
  if (head_->next == tail_ && (flagsOf(tail_) & kFlagRingOfTwo) != 0) return;
  const uint32_t full = compact();
  // Compaction may leave the head alone: nothing to share out then.
  if (full == 0) return;
  if (tail_->used > linkSize_ / 2) return;
  const uint32_t share = ((linkSize_ - tail_->used) / kAddressDescriptorSize) / full;
  const uint32_t target = linkSize_ - kAddressDescriptorSize * (share > 1 ? share : 1);
  if (tail_->used >= target || tail_ == head_) return;
  for (tWexelSGLChunkyLink* link = tail_;; link = link->previous) {
    takeFromPredecessor(link, target);
    if (link->previous->used >= target || link->previous == head_) break;
  }
}

// A ring of one link would have the channel refetch the link it is still
// working on: the link's descriptors are repeated over two links instead.
void tWexelSGL::unrollSingleLink(tStatus& status) {
  tWexelSGLChunkyLink* head = head_;
  const uint32_t data = head->used - kHeaderSize;
  tWexelSGLChunkyLink* second = appendLink(status);
  if (second == nullptr) return;
  const uint8_t* copy = head->page + kHeaderSize;
  while (head->capacity - head->used >= data) {
    nVLZUK180_memCpy(head->page + head->used, copy, data);
    head->used += data;
  }
  uint32_t split = 0;
  while (split < data && head->used + split + descriptorSize(copy + split) <= head->capacity) {
    split += descriptorSize(copy + split);
  }
  nVLZUK180_memCpy(head->page + head->used, copy, split);
  head->used += split;
  nVLZUK180_memCpy(second->page + second->used, copy + split, data - split);
  second->used += data - split;
  while (second->capacity - second->used >= data) {
    nVLZUK180_memCpy(second->page + second->used, copy, data);
    second->used += data;
  }
}

bool tWexelSGL::prepareToClose(tStatus& status) {
  if (status.isFatal()) return false;
  // Without a single descriptor there is nothing to repeat or to ring.
  if (head_ == nullptr || (head_ == tail_ && head_->used == kHeaderSize)) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return false;
  }
  balance();
  return true;
}

void tWexelSGL::closeRing() {
  tail_->next = head_;
  if (head_ != tail_ && head_->next == tail_) setFlags(tail_, flagsOf(tail_) | kFlagRingOfTwo);
  commit();
}

void tWexelSGL::finalize(tStatus& status) {
  if (!prepareToClose(status)) return;
  if (head_ == tail_) unrollSingleLink(status);
  if (status.isFatal()) return;
  closeRing();
}

void tWexelSGL::finalizeRingWithoutUnrolling(tStatus& status) {
  if (!prepareToClose(status)) return;
  closeRing();
}

// The channel stops after the tail: it names no next link and says so.
void tWexelSGL::finalizeChain(tStatus& status) {
  if (!prepareToClose(status)) return;
  tail_->next = nullptr;
  setFlags(tail_, flagsOf(tail_) | kFlagLastLink);
  commit();
}

void tWexelSGL::commit() {
  for (tWexelSGLChunkyLink* link = head_;; link = link->next) {
    const tWexelSGLChunkyLink* next = link->next;
    store32(link->page, next != nullptr ? next->used : 0);
    store64(link->page + 8, next != nullptr ? next->busAddress : 0);
    if (link == tail_) break;
  }
  for (tLinkMemory* block = blocks_; block != nullptr; block = block->older()) block->commit();
}

void tWexelSGL::reset() {
  if (head_ == nullptr) return;
  tWexelSGLChunkyLink* link = head_ != tail_ ? head_->next : nullptr;
  while (link != nullptr) {
    tWexelSGLChunkyLink* next = link == tail_ ? nullptr : link->next;
    freeLink(link);
    link = next;
  }
  head_->used = kHeaderSize;
  head_->previous = nullptr;
  head_->next = nullptr;
  setFlags(head_, 0);
  tail_ = head_;
  tLinkMemory* oldest = blocks_;
  while (oldest->older() != nullptr) oldest = oldest->older();
  releaseBlocks(oldest);
  oldest->reset();
  oldest->consume(linkSize_);
}

void tWexelSGL::freeLink(tWexelSGLChunkyLink* link) {
  link->~tWexelSGLChunkyLink();
  nVLZUK100_free(link);
}

void tWexelSGL::freeAllLinks() {
  tWexelSGLChunkyLink* link = head_;
  while (link != nullptr) {
    tWexelSGLChunkyLink* next = link == tail_ ? nullptr : link->next;
    freeLink(link);
    link = next;
  }
  head_ = nullptr;
  tail_ = nullptr;
}

// Releases every block but `keep`, which stays as the only one.
void tWexelSGL::releaseBlocks(tLinkMemory* keep) {
  tLinkMemory* block = blocks_;
  while (block != nullptr) {
    tLinkMemory* older = block->older();
    if (block != keep) delete block;
    block = older;
  }
  blocks_ = keep;
  if (keep != nullptr) keep->setOlder(nullptr);
}

}  // namespace nVLAPAL000
