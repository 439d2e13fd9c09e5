#pragma once

// Needs: nothing.
//
// Advice that a big list be backed by 2 MB pages. A big model's vertices and
// indices are tens of megabytes written once, front to back: faulted in 4 KB at a
// time they make the whole assembly some 40% slower. Only advice: where the
// platform has no such pages, or the kernel ignores it, nothing changes.

#include <cstddef>
#include <vector>

namespace vornak_engine {

// For the whole 2 MB pages inside [data, data + bytes).
void adviseLargePages(const void* data, std::size_t bytes);

// For the list's whole capacity; call it again after the list moves.
template <typename T>
void preferLargePages(const std::vector<T>& list)
{
    adviseLargePages(list.data(), list.capacity() * sizeof(T));
}

} // namespace vornak_engine
