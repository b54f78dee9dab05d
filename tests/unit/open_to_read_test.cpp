// Files the library opens (firmware images) are not inherited by a child
// process the host starts while they are open.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <string>

#include "net/platform.h"

namespace {

bool Inheritable(std::FILE *file) {
#ifdef _WIN32
    DWORD flags = 0;
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    return !GetHandleInformation(handle, &flags) || (flags & HANDLE_FLAG_INHERIT) != 0;
#else
    return (fcntl(fileno(file), F_GETFD) & FD_CLOEXEC) == 0;
#endif
}

}  // namespace

TEST(OpenToRead, ReadsTheBytesAndIsNotInherited) {
    const std::string path = testing::TempDir() + "vandrel-open-to-read.bin";
    std::FILE *made = std::fopen(path.c_str(), "wb");
    ASSERT_NE(made, nullptr);
    ASSERT_EQ(std::fwrite("APP", 1, 3, made), 3u);
    std::fclose(made);
    std::FILE *file = vd::net::OpenToRead(path);
    ASSERT_NE(file, nullptr);
    char bytes[4] = "";
    EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, file), 3u);
    EXPECT_EQ(std::string(bytes, 3), "APP");
    EXPECT_FALSE(Inheritable(file));
    std::fclose(file);
    std::remove(path.c_str());
    EXPECT_EQ(vd::net::OpenToRead(path), nullptr);
}
