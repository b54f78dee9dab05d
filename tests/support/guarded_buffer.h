// A buffer whose last byte sits right before an inaccessible page, so that a
// write (or read) of even one byte past its size faults at once.
#ifndef VANDREL_TEST_GUARDED_BUFFER_H
#define VANDREL_TEST_GUARDED_BUFFER_H

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>

class GuardedBuffer {
public:
    explicit GuardedBuffer(size_t size) : m_size(size) {
        m_page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        m_pages = (size + m_page - 1) / m_page + 1;
        void *p = mmap(nullptr, m_pages * m_page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        m_base = p == MAP_FAILED ? nullptr : static_cast<char *>(p);
        if (m_base) mprotect(m_base + (m_pages - 1) * m_page, m_page, PROT_NONE);
        std::memset(data(), 0, size);
    }
    ~GuardedBuffer() {
        if (m_base) munmap(m_base, m_pages * m_page);
    }
    GuardedBuffer(const GuardedBuffer &) = delete;
    GuardedBuffer &operator=(const GuardedBuffer &) = delete;

    char *data() { return m_base + (m_pages - 1) * m_page - m_size; }
    size_t size() const { return m_size; }
    // Fills the buffer with a text (cut to fit, terminated).
    void Set(const char *text) {
        std::strncpy(data(), text, m_size - 1);
        data()[m_size - 1] = '\0';
    }

private:
    size_t m_size, m_page = 0, m_pages = 0;
    char *m_base = nullptr;
};

#endif
