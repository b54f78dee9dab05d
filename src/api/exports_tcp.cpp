// The TCP exports: the configuration session, the data channels and the IO
// operations (the receiver window is set where the platform's window type is
// known, api/posix or api/win32). None takes the context's lock.
#include <algorithm>
#include <cstring>

#include "api/library.h"
#include "command_packets/io_ops.h"
#include "vandrel.h"

using namespace vd;
using vd::net::ClientSocket;

namespace {

ClientSocket *Channel(void *handle) { return static_cast<ClientSocket *>(handle); }

}  // namespace

extern "C" {

int32_t VD_CALL VD_LoginTCP(int32_t type, const char *host, uint32_t port, const char *password) {
    return Guarded<int32_t>(VD_NO_CONNECTION, [&] {
        return DefaultContext().Session().Login(type, OrEmpty(host), port, OrEmpty(password));
    });
}

int32_t VD_CALL VD_GetDevConfigTCP(const char *key, char *value) {
    return Guarded<int32_t>(VD_FAIL, [&] {
        return DefaultContext().Session().GetValue(OrEmpty(key), value, value ? VD_VALUE_LEN : 0);
    });
}

int32_t VD_CALL VD_ModifyDevConfigTCP(const char *key, char *value) {
    return Guarded<int32_t>(VD_FAIL, [&] {
        // The host gives 16 bytes, or the length of its text + 1 if more.
        const size_t room = value ? std::max<size_t>(16, std::strlen(value) + 1) : 0;
        return DefaultContext().Session().SetValue(OrEmpty(key), value, room);
    });
}

int32_t VD_CALL VD_ResetDevTCP(void) {
    return Guarded<int32_t>(VD_NOT_SENT, [] { return DefaultContext().Session().Reset(); });
}

int32_t VD_CALL VD_ExitTCP(void) {
    return Guarded<int32_t>(VD_NOT_SENT, [] { return DefaultContext().Session().Exit(); });
}

int32_t VD_CALL VD_TCPConnect(const char *host, uint32_t port) {
    return Guarded<int32_t>(VD_FAIL, [&] {
        return DefaultContext().Channel().Open(net::SocketType::Stream, OrEmpty(host), port) ? VD_OK : VD_FAIL;
    });
}

int32_t VD_CALL VD_TCPSend(const void *data, int32_t len) {
    return Guarded<int32_t>(-1, [&] {
        if (!data || len <= 0) return 0;
        return DefaultContext().Channel().SendData(data, len);
    });
}

int32_t VD_CALL VD_TCPDisconnect(void) {
    return Guarded<int32_t>(VD_OK, [] {
        DefaultContext().Channel().Disconnect();
        return VD_OK;
    });
}

void *VD_CALL VD_TCPInit(const char *host, uint32_t port) {
    return Guarded<void *>(nullptr, [&]() -> void * {
        auto *channel = new ClientSocket;
        if (channel->Open(net::SocketType::Stream, OrEmpty(host), port)) return channel;
        delete channel;
        return nullptr;
    });
}

int32_t VD_CALL VD_TCPUninit(void *handle) {
    return Guarded<int32_t>(VD_OK, [&] {
        if (ClientSocket *channel = Channel(handle)) {
            channel->Disconnect();
            delete channel;
        }
        return VD_OK;
    });
}

int32_t VD_CALL VD_GetAD(void *handle, uint32_t *a, uint32_t *b) {
    return Guarded<int32_t>(VD_NO_CONNECTION, [&] {
        return handle ? GetAD(*Channel(handle), a, b) : VD_NO_CONNECTION;
    });
}

int32_t VD_CALL VD_GetIO(void *handle, uint8_t *a, uint8_t *b) {
    return Guarded<int32_t>(VD_NO_CONNECTION, [&] {
        return handle ? GetIO(*Channel(handle), a, b) : VD_NO_CONNECTION;
    });
}

int32_t VD_CALL VD_SetIODir(void *handle, uint8_t value) {
    return Guarded<int32_t>(VD_NO_CONNECTION, [&] {
        return handle ? SetIODir(*Channel(handle), value) : VD_NO_CONNECTION;
    });
}

int32_t VD_CALL VD_SetIOLevel(void *handle, uint8_t value) {
    return Guarded<int32_t>(VD_NO_CONNECTION, [&] {
        return handle ? SetIOLevel(*Channel(handle), value) : VD_NO_CONNECTION;
    });
}

}  // extern "C"
