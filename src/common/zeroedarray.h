#pragma once

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

// A fixed-size array of plain values, all zero at first, whose memory the system hands over only
// where it is first written: a large array of search state costs nothing until a search gets
// there. (calloc gets such memory zeroed by the system; a std::vector writes every value, so its
// whole size is paid for at once: a million-node search's arrays took more time to make than the
// search itself.)
template <typename T> class ZeroedArray
{
    static_assert(std::is_trivially_copyable_v<T>);

public:
    ZeroedArray() = default;
    explicit ZeroedArray(std::size_t n)
        : values(static_cast<T *>(std::calloc(n > 0 ? n : 1, sizeof(T)))), count(n)
    {
        if (!values)
            throw std::bad_alloc();
    }
    T &operator[](std::size_t i) { return values.get()[i]; }
    const T &operator[](std::size_t i) const { return values.get()[i]; }
    std::size_t size() const { return count; }
    void clear() { std::memset(values.get(), 0, count * sizeof(T)); }

private:
    struct Free
    {
        void operator()(T *p) const { std::free(p); }
    };
    std::unique_ptr<T, Free> values;
    std::size_t count = 0;
};
