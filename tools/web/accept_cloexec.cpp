// Every connection the server accepts is closed on exec. The HTTP library
// accepts with accept(), whose socket a worker started meanwhile would
// inherit: another client's connection, held open by a process of the
// tool. This definition takes the place of the C library's for the whole
// program (the HTTP library's calls reach it) and asks for the flag at
// once, leaving no moment without it.
#include <sys/socket.h>

extern "C" __attribute__((visibility("default"))) int accept(int socket, sockaddr *address, socklen_t *length) {
    return accept4(socket, address, length, SOCK_CLOEXEC);
}
