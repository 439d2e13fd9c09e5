#include "vornak/MeshIndex.h"

#include "vornak/internal/ObjIndex.h"
#include "vornak/internal/ObjNumbers.h"
#include "vornak/internal/ObjSyntax.h"

#include <cstring>
#include <string.h>

namespace vornak_engine {

using namespace obj;

MeshIndex::MeshIndex() : vertex{0, 0, 0}, text{0, 0, 0}, normal{0, 0, 0}
{
}

MeshIndex::MeshIndex(char* line) : MeshIndex()
{
    char separators[] = " \n";
    char slash[] = "/";
    char* state = nullptr;
    if (!strtok_r(line, separators, &state))
        return;
    for (int c = 0; c < 3; ++c) {
        char* token = strtok_r(nullptr, separators, &state);
        if (!token)
            return;
        char* cursor = token;
        char* piece = strsep(&cursor, slash);
        vertex[c] = toIndex(piece, piece + std::strlen(piece));
        if ((piece = strsep(&cursor, slash)))
            text[c] = toIndex(piece, piece + std::strlen(piece));
        if ((piece = strsep(&cursor, slash)))
            normal[c] = toIndex(piece, piece + std::strlen(piece));
    }
}

int MeshIndex::getVertex(int corner) const
{
    return minusOne(vertex[corner]);
}

int MeshIndex::getText(int corner) const
{
    return minusOne(text[corner]);
}

int MeshIndex::getNormal(int corner) const
{
    return minusOne(normal[corner]);
}

char* MeshIndex::strsep(char** cursor, char* delimiters)
{
    char* start = *cursor;
    if (!start)
        return nullptr;
    char* cut = std::strpbrk(start, delimiters);
    if (cut) {
        *cut = '\0';
        *cursor = cut + 1;
    } else {
        *cursor = nullptr;
    }
    return start;
}

int MeshIndex::toIndex(const char* begin, const char* end)
{
    return obj::toIndex(begin, end);
}

// One pass over the line, no copy: the reader calls this for every face line it
// does not read on its fast path.
int MeshIndex::readFace(const char* p, const char* end, MeshIndex& out)
{
    out = MeshIndex();
    while (p < end && isSeparator(*p))
        ++p;
    if (p == end)
        return 0;
    while (p < end && !isSeparator(*p))
        ++p;
    for (int c = 0; c < 3; ++c) {
        while (p < end && isSeparator(*p))
            ++p;
        if (p == end)
            return c;
        int* slots[3] = {&out.vertex[c], &out.text[c], &out.normal[c]};
        for (int piece = 0;; ++piece) {
            while (p < end && isInnerSpace(*p))
                ++p;
            if (piece < 3)
                *slots[piece] = digitsToInt(p, end);
            while (p < end && *p != '/' && !isSeparator(*p))
                ++p;
            if (p == end || *p != '/')
                break;
            ++p;
        }
    }
    return 3;
}

} // namespace vornak_engine
