#include "vornak/internal/LargePages.h"

#include "vornak/Platform.h"

#ifdef VORNAK_LARGE_PAGES
#include <sys/mman.h>
#endif

#include <cstdint>

namespace vornak_engine {

void adviseLargePages(const void* data, std::size_t bytes)
{
#ifdef VORNAK_LARGE_PAGES
    constexpr std::uintptr_t kLarge = std::uintptr_t(2) << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t end = begin + bytes;
    const std::uintptr_t from = (begin + kLarge - 1) & ~(kLarge - 1), to = end & ~(kLarge - 1);
    if (to > from)
        ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE); // only advice: failure changes nothing
#else
    (void)data;
    (void)bytes;
#endif
}

} // namespace vornak_engine
