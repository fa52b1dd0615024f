#include "ListEngineModel.h"

namespace sim {

ListEngineModel::ListEngineModel(uint32_t offset) : offset_(offset) {
  for (Register index : {kCapabilities, kStatus, kProgress, kErrorCount, kErrorInfo}) {
    define(offset + index, kRead, true);
  }
  for (Register index : {kControl, kListLocation}) define(offset + index, kWrite, true);
  for (Register index : {kRegister5, kRegister6}) define(offset + index, kReadWrite, true);
}

}  // namespace sim
