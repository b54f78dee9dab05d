// The IO-module operations on a data channel. Reads are pipelined: each call
// first collects, without waiting, a reply to an earlier request, then sends
// a new request.
#ifndef VANDREL_COMMAND_PACKETS_IO_OPS_H
#define VANDREL_COMMAND_PACKETS_IO_OPS_H

#include <cstdint>

#include "net/client_socket.h"

namespace vd {

// Results are the export codes: 1 readings written, 0 none, 103 not sent.
int GetAD(net::ClientSocket &channel, uint32_t *a, uint32_t *b);
int GetIO(net::ClientSocket &channel, uint8_t *a, uint8_t *b);
// 1 sent, 103 not.
int SetIODir(net::ClientSocket &channel, uint8_t value);
int SetIOLevel(net::ClientSocket &channel, uint8_t value);

}  // namespace vd

#endif
