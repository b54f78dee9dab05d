// Files the library opens (firmware images) are not inherited by a child
// process the host starts while they are open.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "net/platform.h"

TEST(OpenToRead, ReadsTheBytesAndClosesOnExec) {
    char path[] = "/tmp/vandrel-open-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "APP", 3), 3);
    close(fd);
    std::FILE *file = vd::net::OpenToRead(path);
    ASSERT_NE(file, nullptr);
    char bytes[4] = "";
    EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, file), 3u);
    EXPECT_EQ(std::string(bytes, 3), "APP");
    EXPECT_NE(fcntl(fileno(file), F_GETFD) & FD_CLOEXEC, 0);
    std::fclose(file);
    unlink(path);
    EXPECT_EQ(vd::net::OpenToRead(path), nullptr);
}
