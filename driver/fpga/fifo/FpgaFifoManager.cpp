// The FIFOs and manager of this board, over board FIFOs on Wexel DMA.
#include "FpgaFifoManager.h"

#include "BoardFifoFactoryWexel.h"

namespace vllym {

template class FpgaFifoT<BoardFifoWexelSide>;
template class FpgaFifoManagerT<BoardFifoWexelSide>;

}  // namespace vllym
