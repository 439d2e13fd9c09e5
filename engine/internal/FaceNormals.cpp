#include "vornak/internal/FaceNormals.h"

#include "vornak/internal/LargePages.h"

namespace vornak_engine::obj {

void SmoothingSums::start()
{
    head.reserve(positionCount);
    preferLargePages(head);
    head.assign(positionCount, -1);
    // At most one sum per position and group: mostly one per position.
    sums.reserve(positionCount);
    preferLargePages(sums);
}

void SmoothingSums::normaliseAll()
{
    for (Sum& sum : sums)
        normalise(sum.normal);
}

} // namespace vornak_engine::obj
