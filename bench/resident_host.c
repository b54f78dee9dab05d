/* A small C host of the shared library: its resident memory before loading
   the library, once loaded, after the first thousand operations and after
   100,000. The operations need no device and never wait: searches and their
   results, staging, key reads, data-channel sends and message pumps.
   Prints table rows. usage: vandrel-resident LIBRARY [OPERATIONS] */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "vandrel.h"

static long ResidentKiB(void) {
    FILE *f = fopen("/proc/self/status", "r");
    char line[256];
    long kib = -1;
    while (f && fgets(line, sizeof line, f))
        if (strncmp(line, "VmRSS:", 6) == 0) kib = strtol(line + 6, NULL, 10);
    if (f) fclose(f);
    return kib;
}

struct Exports {
    int32_t (*search)(const char *);
    int32_t (*take)(char *, char *, char *, uint8_t *, uint8_t *, uint32_t *);
    int32_t (*stage)(const char *, const char *);
    int32_t (*unstage)(void);
    int32_t (*value)(char *, char *);
    int32_t (*send)(const void *, int32_t);
    int32_t (*pump)(int32_t);
};

static void Operate(const struct Exports *e, long count) {
    char ip[VD_IP_LEN], version[VD_VERSION_LEN], mac[VD_MAC_LEN], key[VD_KEY_LEN], value[VD_VALUE_LEN];
    uint8_t code1, code2;
    uint32_t port;
    for (long i = 0; i < count; ++i) {
        switch (i % 5) {
        case 0:
            e->search("127.0.0.1");
            while (e->take(ip, version, mac, &code1, &code2, &port) == VD_OK) {
            }
            break;
        case 1:
            e->stage("IP", "10.0.0.1");
            e->unstage();
            break;
        case 2:
            strcpy(key, "VERSION");
            e->value(key, value);
            break;
        case 3:
            e->send("x", 1);
            break;
        default:
            e->pump(0);
            break;
        }
    }
}

int main(int argc, char **argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s LIBRARY [OPERATIONS]\n", argv[0]);
        return 2;
    }
    const long operations = argc > 2 ? atol(argv[2]) : 100000;
    const long before = ResidentKiB();
    void *library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        fprintf(stderr, "%s\n", dlerror());
        return 1;
    }
    const long loaded = ResidentKiB();
    struct Exports e;
    *(void **)&e.search = dlsym(library, "VD_Search");
    *(void **)&e.take = dlsym(library, "VD_GetSearchDev");
    *(void **)&e.stage = dlsym(library, "VD_SetModifyConfigUDP");
    *(void **)&e.unstage = dlsym(library, "VD_ResetModifyConfigUDP");
    *(void **)&e.value = dlsym(library, "VD_GetDevConfigUDP");
    *(void **)&e.send = dlsym(library, "VD_TCPSend");
    *(void **)&e.pump = dlsym(library, "VD_PumpMessages");
    Operate(&e, 1000);
    const long warm = ResidentKiB();
    Operate(&e, operations);
    const long after = ResidentKiB();
    printf("| resident memory added by loading | %ld KiB | 1024 KiB (limit) | %.3f |\n", loaded - before,
           (loaded - before) / 1024.0);
    printf("| resident memory added after %ld operations | %ld KiB | 1024 KiB (limit) | %.3f |\n",
           operations + 1000, after - before, (after - before) / 1024.0);
    printf("| resident growth over %ld operations (after the first 1000) | %ld KiB | | |\n", operations,
           after - warm);
    return 0;
}
