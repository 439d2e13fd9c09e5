#include "vornak/MeshIndex.h"

#include <climits>
#include <cstring>
#include <string.h>

namespace vornak_engine {

namespace {

// Inside a token only these white-space characters can occur: blank and newline
// separate tokens, and atoi skips the rest.
inline bool isInnerSpace(char c)
{
    return c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

inline bool isSeparator(char c)
{
    return c == ' ' || c == '\n';
}

inline bool isDigit(char c)
{
    return static_cast<unsigned char>(c - '0') < 10;
}

// Sign and digits from p; p is left on the first character not taken.
inline int digitsToInt(const char*& p, const char* end)
{
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    long long value = 0;
    for (; p < end && isDigit(*p); ++p) {
        // Stop growing once past INT_MAX + 1: the result clamps anyway.
        if (value <= static_cast<long long>(INT_MAX) + 1)
            value = value * 10 + (*p - '0');
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

inline int minusOne(int index)
{
    return static_cast<int>(static_cast<unsigned>(index) - 1u);
}

} // namespace

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
    while (begin < end && (isSeparator(*begin) || isInnerSpace(*begin)))
        ++begin;
    return digitsToInt(begin, end);
}

// One pass over the line, no copy: the reader calls this for every face line.
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
