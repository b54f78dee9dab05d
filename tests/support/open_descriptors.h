// How many file descriptors this process has open, for tests that check that
// nothing is left behind.
#ifndef VANDREL_TEST_OPEN_DESCRIPTORS_H
#define VANDREL_TEST_OPEN_DESCRIPTORS_H

#include <dirent.h>

inline int OpenDescriptors() {
    int count = 0;
    DIR *dir = opendir("/proc/self/fd");
    if (!dir) return -1;
    while (dirent *entry = readdir(dir))
        if (entry->d_name[0] != '.') ++count;
    closedir(dir);
    return count;  // includes the one opendir held while counting
}

#endif
