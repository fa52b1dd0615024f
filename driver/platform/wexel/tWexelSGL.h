// The scatter-gather chain a DMA channel of the bridge walks: link pages in
// DMA-able host memory, each a 16-byte header naming the next link and a
// run of descriptors (address descriptors for pieces of the transfer
// buffer, register-write descriptors for bridge registers to write on the
// way). The list is built while its channel is stopped, balanced, closed
// into a ring and handed to the device in one commit.
#ifndef VL9738K_PLATFORM_TWEXELSGL_H
#define VL9738K_PLATFORM_TWEXELSGL_H

#include <stdint.h>

#include "../dma/tDMAConfiguration.h"
#include "../dma/tDMAMap.h"
#include "../status/tStatus.h"

namespace nVLAPAL000 {

class tStandardDMAMap;

// One link page and where it lies; its flags word lives in the page.
struct tWexelSGLChunkyLink {
  uint32_t used;  // bytes, the 16-byte header included
  tWexelSGLChunkyLink* previous;
  tWexelSGLChunkyLink* next;
  uint64_t busAddress;
  uint32_t capacity;
  uint8_t* page;
};

// What a channel is started with.
struct tWexelSGLFirstLink {
  uint64_t busAddress;
  uint32_t size;
};

class tWexelSGL {
 public:
  static constexpr uint32_t kHeaderSize = 16;
  static constexpr uint32_t kAddressDescriptorSize = 16;
  static constexpr uint32_t kRegisterDescriptorSize = 8;
  static constexpr uint32_t kFlagLastLink = 0x80000000;
  static constexpr uint32_t kFlagRingOfTwo = 0x40000000;
  static constexpr uint32_t kRegisterDescriptorMark = 0x80000000;
  static constexpr uint64_t kLinkAlignment = 512;
  static constexpr uint32_t kLinkMemoryFlags = 5;

  template <typename tMap>
  class tDMALinkMemory;
  using tLinkMemory = tDMALinkMemory<tStandardDMAMap>;

  tWexelSGL();
  virtual ~tWexelSGL();
  tWexelSGL(const tWexelSGL&) = delete;
  tWexelSGL& operator=(const tWexelSGL&) = delete;

  void initialize(const tDMAConfiguration& configuration, uint32_t linkSize, nVLAPALS100::tStatus& status);
  void addDMAMapSegments(tDMAMap& map, nVLAPALS100::tStatus& status);
  void addSegment(uint64_t busAddress, uint64_t byteCount, nVLAPALS100::tStatus& status, bool startNewLink);
  // Width codes: 1 eight bits, 2 sixteen, 0 and 3 thirty-two. Returns the
  // link that holds the descriptor and its byte position there.
  tWexelSGLChunkyLink* addRegisterWrite(uint32_t offset, uint32_t value, uint32_t widthCode,
                                        nVLAPALS100::tStatus& status, bool startNewLink, uint32_t* position);
  // Balances and closes the list into a ring; a single link is first
  // unrolled over two links that repeat it.
  void finalize(nVLAPALS100::tStatus& status);
  // The same ring without the unrolling: a single link names itself.
  void finalizeRingWithoutUnrolling(nVLAPALS100::tStatus& status);
  // Balances and closes the list as a chain that ends at its tail.
  void finalizeChain(nVLAPALS100::tStatus& status);
  tWexelSGLFirstLink getFirstLinkAddress() const;
  // Back to one empty link in the oldest block of link memory.
  void reset();
  void freeLinks() { reset(); }
  virtual void allocateLinkMemory(nVLAPALS100::tStatus& status);

  const tWexelSGLChunkyLink* getHead() const { return head_; }
  const tWexelSGLChunkyLink* getTail() const { return tail_; }
  uint32_t getLinkSize() const { return linkSize_; }
  uint32_t countLinks() const;
  uint32_t countBlocks() const;

 private:
  static uint32_t descriptorSize(const uint8_t* descriptor);
  static uint32_t flagsOf(const tWexelSGLChunkyLink* link);
  static void setFlags(tWexelSGLChunkyLink* link, uint32_t flags);

  tWexelSGLChunkyLink* appendLink(nVLAPALS100::tStatus& status);
  uint8_t* reserveRoom(uint32_t size, bool startNewLink, nVLAPALS100::tStatus& status);
  uint32_t compact();
  void fillFrom(tWexelSGLChunkyLink* link, tWexelSGLChunkyLink* source);
  void cutAfter(tWexelSGLChunkyLink* link);
  void balance();
  void takeFromPredecessor(tWexelSGLChunkyLink* link, uint32_t target);
  void unrollSingleLink(nVLAPALS100::tStatus& status);
  bool prepareToClose(nVLAPALS100::tStatus& status);
  void closeRing();
  void commit();
  void freeLink(tWexelSGLChunkyLink* link);
  void freeAllLinks();
  void releaseBlocks(tLinkMemory* keep);

  uint32_t linkSize_;
  tWexelSGLChunkyLink* head_;
  tWexelSGLChunkyLink* tail_;
  const tDMAConfiguration* configuration_;
  tLinkMemory* blocks_;  // newest first
};

}  // namespace nVLAPAL000

#endif
