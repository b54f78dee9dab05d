// A search answer handed to a host, as VD_GetSearchDev and VF_TakeFound
// hand it out.
#ifndef VANDREL_API_SEARCH_RECORD_H
#define VANDREL_API_SEARCH_RECORD_H

#include <cstdint>

#include "codec/codec.h"

namespace vd {

// record into the host's buffers: ip VD_IP_LEN bytes at most, version
// VD_VERSION_LEN, mac VD_MAC_LEN; code1, code2 and port one value each.
// Any pointer may be null.
void CopySearchRecord(const DeviceRecord &record, char *ip, char *version, char *mac, uint8_t *code1,
                      uint8_t *code2, uint32_t *port);

}  // namespace vd

#endif
