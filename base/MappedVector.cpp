#include "base/MappedVector.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <new>

namespace {

std::size_t pageSize()
{
    static const std::size_t size = std::size_t(::sysconf(_SC_PAGESIZE));
    return size;
}

} // namespace

MappedPages::~MappedPages()
{
    release();
}

void MappedPages::grow(std::size_t bytes)
{
    if (bytes <= m_bytes)
        return;
    const std::size_t page = pageSize();
    if (bytes > SIZE_MAX - page)
        throw std::bad_alloc();
    const std::size_t rounded = (bytes + page - 1) / page * page;
    void* data = m_data ? ::mremap(m_data, m_bytes, rounded, MREMAP_MAYMOVE)
                        : ::mmap(nullptr, rounded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED)
        throw std::bad_alloc();
    m_data = data;
    m_bytes = rounded;
}

void MappedPages::release()
{
    if (m_data)
        ::munmap(m_data, m_bytes);
    m_data = nullptr;
    m_bytes = 0;
}
