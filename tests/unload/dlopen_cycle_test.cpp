// Loads and unloads the shipped shared object many times in one process, as
// a host that loads it on demand would, and checks that nothing is left
// behind: no file descriptor, no heap memory, and the object really goes
// away each time. Deliberately not linked with the library's archive.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

#include "support/open_descriptors.h"
#include "vandrel.h"

namespace {

constexpr int kCycles = 1000;
constexpr uint16_t kPort = 8801;

size_t HeapInUse() { return mallinfo2().uordblks; }

int Listener() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(kPort);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || listen(fd, 64) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

template <typename F>
F Find(void *library, const char *name) {
    return reinterpret_cast<F>(dlsym(library, name));
}

// One load, some use of the sockets (datagram searches, now and then a TCP
// connection left open for the unload to close), one unload.
void Cycle(int index, int listener) {
    void *library = dlopen(VANDREL_SO_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto searchAll = Find<int32_t (*)()>(library, "VD_SearchAll");
    auto search = Find<int32_t (*)(const char *)>(library, "VD_Search");
    auto pump = Find<int32_t (*)(int32_t)>(library, "VD_PumpMessages");
    auto connect = Find<int32_t (*)(const char *, uint32_t)>(library, "VD_TCPConnect");
    ASSERT_TRUE(searchAll && search && pump && connect);
    searchAll();
    search("127.0.0.1");
    pump(0);
    if (index % 50 == 0) {
        EXPECT_EQ(connect("127.0.0.1", kPort), 1);
        const int accepted = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (accepted >= 0) close(accepted);
    }
    ASSERT_EQ(dlclose(library), 0);
    EXPECT_EQ(dlopen(VANDREL_SO_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr) << "still loaded after dlclose";
}

TEST(DlopenCycle, ThousandLoadsLeakNoDescriptorAndNoMemory) {
    const int listener = Listener();
    ASSERT_GE(listener, 0);
    // The first cycles load the C++ runtime's and the resolver's own one-time state.
    for (int i = 1; i <= 20; ++i) ASSERT_NO_FATAL_FAILURE(Cycle(i, listener));
    const int descriptors = OpenDescriptors();
    const size_t heap = HeapInUse();
    for (int i = 0; i < kCycles; ++i) ASSERT_NO_FATAL_FAILURE(Cycle(i, listener));
    malloc_trim(0);
    const long growth = long(HeapInUse()) - long(heap);
    std::printf("descriptors %d -> %d, heap growth %ld bytes over %d cycles\n", descriptors,
                OpenDescriptors(), growth, kCycles);
    EXPECT_EQ(OpenDescriptors(), descriptors);
    // Less than 64 bytes a cycle: any object left behind per load would show.
    EXPECT_LT(growth, 64L * kCycles);
    close(listener);
}

}  // namespace
