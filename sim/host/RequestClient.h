// User mode's typed view of the main interface: one call per request, with
// the request's own input and output blocks. Each call frames the request
// exactly as the user-mode driver does and sends it through the device
// file, so it runs the whole road: framing, decoding, guard, handler.
#ifndef VL9738K_SIM_HOST_REQUESTCLIENT_H
#define VL9738K_SIM_HOST_REQUESTCLIENT_H

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "DeviceFile.h"

namespace sim {

template <class Out>
struct TypedReply {
  const char* request;  // the request's published name
  int32_t status;       // the call's return: framing failures only
  int32_t resultField;  // the output bytes the driver returned
  Out out;              // the output block; out.status is the operation's

  int32_t outStatus() const { return out.status; }
};

class RequestClient {
 public:
  explicit RequestClient(DeviceFile& file) : file_(file) {}

  template <class Op>
  TypedReply<typename Op::Out> call(const typename Op::In& in = {}) {
    DeviceFile::Request request;
    request.code = Op::kCode;
    const auto* bytes = reinterpret_cast<const uint8_t*>(&in);
    request.input.assign(bytes, bytes + sizeof(in));
    request.outputSize = sizeof(typename Op::Out);
    const DeviceFile::Reply reply = file_.ioctl(request);
    TypedReply<typename Op::Out> typed{Op::kName, reply.status, reply.resultField, {}};
    std::memcpy(&typed.out, reply.output.data(), std::min(reply.output.size(), sizeof(typed.out)));
    return typed;
  }

  DeviceFile& file() { return file_; }

 private:
  DeviceFile& file_;
};

}  // namespace sim

#endif
