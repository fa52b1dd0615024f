// The final board object: the board with the managers of what this board
// does not have, flash the FPGA session may program and peer-to-peer
// endpoints. Both refuse what cannot be done and live as long as the board.
#ifndef VL9738K_BOARD_LYMSUPPORT_H
#define VL9738K_BOARD_LYMSUPPORT_H

#include "BoardOstervane.h"
#include "driver/fpga/FlashDownloadManagerNoFlash.h"
#include "driver/fpga/P2PEndpointManagerNoP2P.h"

namespace nVL9738K_24_0 {

template <typename tDevice>
class LymSupport final : public BoardOstervane<tDevice> {
 public:
  using typename BoardOstervane<tDevice>::tStatus;

  LymSupport(tDevice& device, tStatus& status) : BoardOstervane<tDevice>(device, status) {}
  ~LymSupport() override {}

  vllym::P2PEndpointManagerNoP2P* getP2PEndpointManager() override { return &p2p_; }
  vllym::FlashDownloadManagerNoFlash* getFlashDownloadManager() override { return &flash_; }

 private:
  vllym::P2PEndpointManagerNoP2P p2p_;
  vllym::FlashDownloadManagerNoFlash flash_;
};

}  // namespace nVL9738K_24_0

#endif
