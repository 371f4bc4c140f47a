#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>
#include <utility>

// Pages of memory taken straight from the kernel, grown by remapping them and handed back whole when freed.
// A buffer that grows to hundreds of megabytes then never copies itself, and leaves no freed copies behind
// in the heap to count against the process. Throws std::bad_alloc when the kernel has no more.
class MappedPages
{
public:
    MappedPages() = default;
    ~MappedPages();
    MappedPages(MappedPages&& other) noexcept { swap(other); }
    MappedPages& operator=(MappedPages&& other) noexcept
    {
        MappedPages(std::move(other)).swap(*this);
        return *this;
    }
    MappedPages(const MappedPages&) = delete;
    MappedPages& operator=(const MappedPages&) = delete;

    void* data() const { return m_data; }
    std::size_t bytes() const { return m_bytes; }
    // Room for at least `bytes`, the content kept.
    void grow(std::size_t bytes);
    void release();
    void swap(MappedPages& other) noexcept
    {
        std::swap(m_data, other.m_data);
        std::swap(m_bytes, other.m_bytes);
    }

private:
    void* m_data = nullptr;
    std::size_t m_bytes = 0;
};

// A vector of plain values over mapped pages: appending, erasing and resizing as the list panes need them.
template <class T> class MappedVector
{
    static_assert(std::is_trivially_copyable_v<T>);

public:
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    T* data() { return static_cast<T*>(m_pages.data()); }
    const T* data() const { return static_cast<const T*>(m_pages.data()); }
    T& operator[](std::size_t i) { return data()[i]; }
    const T& operator[](std::size_t i) const { return data()[i]; }
    T* begin() { return data(); }
    T* end() { return data() + m_size; }
    const T* begin() const { return data(); }
    const T* end() const { return data() + m_size; }

    void reserve(std::size_t count)
    {
        if (count > m_pages.bytes() / sizeof(T))
            m_pages.grow(count * sizeof(T));
    }
    void push_back(T value) // by value: growing may move the values
    {
        if (m_size == m_pages.bytes() / sizeof(T))
            reserve(m_size * 2 + 1);
        data()[m_size++] = value;
    }
    void append(const T* values, std::size_t count)
    {
        if (count == 0)
            return;
        if (m_size + count > m_pages.bytes() / sizeof(T)) {
            // Values of this vector itself move with it.
            const bool own = values >= begin() && values < end();
            const std::size_t at = own ? std::size_t(values - begin()) : 0;
            reserve(std::max(m_size * 2, m_size + count));
            if (own)
                values = data() + at;
        }
        std::memcpy(data() + m_size, values, count * sizeof(T));
        m_size += count;
    }
    // Removes the values from `first` up to `last` (indexes), keeping the order of the rest.
    void erase(std::size_t first, std::size_t last)
    {
        std::memmove(data() + first, data() + last, (m_size - last) * sizeof(T));
        m_size -= last - first;
    }
    // Shrinks to the first `count` values.
    void truncate(std::size_t count) { m_size = std::min(m_size, count); }
    // Grows to `count` values, the new ones zero.
    void growZeroed(std::size_t count)
    {
        if (count <= m_size)
            return;
        reserve(count);
        std::memset(static_cast<void*>(data() + m_size), 0, (count - m_size) * sizeof(T));
        m_size = count;
    }
    // Empties the vector and hands its pages back.
    void clear()
    {
        m_pages.release();
        m_size = 0;
    }
    void swap(MappedVector& other) noexcept
    {
        m_pages.swap(other.m_pages);
        std::swap(m_size, other.m_size);
    }

private:
    MappedPages m_pages;
    std::size_t m_size = 0;
};
