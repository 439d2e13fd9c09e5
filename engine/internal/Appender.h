#pragma once

// Needs: nothing.
//
// Appends to a list through a pointer. The list grows by resize() a block at a
// time, so its zero-fill runs just ahead of the writes, in cache, and each append
// is one compare; finish() cuts the list to what was written. Nothing else may
// change the list until then.

#include "vornak/internal/LargePages.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace vornak_engine {

template <typename T>
class Appender {
public:
    explicit Appender(std::vector<T>& list) : list(list), next(list.data() + list.size()), limit(next) {}
    T* take(std::size_t n)
    {
        if (static_cast<std::size_t>(limit - next) < n)
            grow(n);
        T* taken = next;
        next += n;
        return taken;
    }
    std::size_t size() const { return static_cast<std::size_t>(next - list.data()); }
    void finish() { list.resize(size()); }

private:
    void grow(std::size_t n)
    {
        constexpr std::size_t kBlock = (std::size_t(64) << 10) / sizeof(T);
        const std::size_t used = size();
        const T* const before = list.data();
        list.resize(std::max(std::min(list.capacity(), used + kBlock), used + n));
        if (list.data() != before)
            preferLargePages(list); // outgrew its reserve
        next = list.data() + used;
        limit = list.data() + list.size();
    }

    std::vector<T>& list;
    T* next;
    T* limit;
};

} // namespace vornak_engine
