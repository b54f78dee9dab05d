// The page's files (HTML, CSS, JavaScript), embedded into the tool when it
// is built, so that nothing is fetched at run time.
#ifndef VANDREL_WEB_PAGE_FILES_H
#define VANDREL_WEB_PAGE_FILES_H

#include <cstddef>

namespace vdweb {

struct PageFile {
    const char *path;  // "/index.html"
    const unsigned char *data;
    size_t size;
};

extern const PageFile kPageFiles[];
extern const size_t kPageFileCount;

}  // namespace vdweb

#endif
