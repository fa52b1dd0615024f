// The final board object: the board with the two managers this board does
// not have, flash download and peer-to-peer endpoints. They come with the
// FPGA session; until then the slots answer none.
#ifndef VL9738K_BOARD_LYMSUPPORT_H
#define VL9738K_BOARD_LYMSUPPORT_H

#include "BoardOstervane.h"

namespace nVL9738K_24_0 {

template <typename tDevice>
class LymSupport final : public BoardOstervane<tDevice> {
 public:
  using typename BoardOstervane<tDevice>::tStatus;

  LymSupport(tDevice& device, tStatus& status) : BoardOstervane<tDevice>(device, status) {}
  ~LymSupport() override {}

  vllym::P2PEndpointManagerNoP2P* getP2PEndpointManager() override { return nullptr; }
  vllym::FlashDownloadManagerNoFlash* getFlashDownloadManager() override { return nullptr; }
};

}  // namespace nVL9738K_24_0

#endif
