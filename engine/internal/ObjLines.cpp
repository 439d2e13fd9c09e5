#include "vornak/internal/ObjLines.h"

#include "vornak/internal/ObjNumbers.h"
#include "vornak/internal/ObjSyntax.h"

#include <algorithm>
#include <cstring>

namespace vornak_engine {

using namespace obj;

namespace {

inline bool anyRelative(const MeshIndex& face)
{
    int bits = 0;
    for (int c = 0; c < 3; ++c)
        bits |= face.vertex[c] | face.text[c] | face.normal[c];
    return bits < 0;
}

// Moves p to the line's newline; false when the line holds a NUL or is longer
// than the line buffer, which the general path handles.
inline bool reachLineEnd(const char*& p, const char* line)
{
    while (*p != '\n') {
        if (*p == '\0')
            return false;
        ++p;
    }
    return p - line < static_cast<long>(kLineBuffer);
}

} // namespace

std::size_t ObjLineReader::readLines(ObjReader& out, const char* bytes, std::size_t size, bool atEnd, std::size_t stopAt)
{
    const char* const end = bytes + size;
    std::size_t used = 0;
    while (!out.ended && used < size && used < stopAt) {
        const char* line = bytes + used;
        const char* next = nullptr;
        ++out.lines;
        if (readLineFast(out, line, end, next)) {
            used = static_cast<std::size_t>(next - bytes);
            continue;
        }
        const std::size_t left = size - used;
        const char* newline = static_cast<const char*>(std::memchr(line, '\n', std::min(left, kLineBuffer)));
        const char* lineEnd;
        if (newline) {
            lineEnd = newline;
            used += static_cast<std::size_t>(newline - line) + 1;
        } else if (left >= kLineBuffer) {
            // 199 characters fill the buffer and the next is no newline: the stream
            // fails, so this part is the last thing read.
            lineEnd = line + kLineBuffer - 1;
            out.ended = true;
        } else if (atEnd) {
            lineEnd = end;
            used = size;
        } else {
            --out.lines;
            break;
        }
        // The line is a C string: a NUL in it ends what is seen of it.
        if (const void* nul = std::memchr(line, '\0', static_cast<std::size_t>(lineEnd - line)))
            lineEnd = static_cast<const char*>(nul);
        readLine(out, line, lineEnd);
    }
    return used;
}

// The buffer ends in a 0 byte: every loop here stops at a 0, so none needs a bound.
// A 0 inside the text sends the line to the general path.
bool ObjLineReader::readLineFast(ObjReader& out, const char* line, const char* end, const char*& next)
{
    const char* p = line;
    if (p[0] == 'v') {
        int count;
        std::vector<float>* list;
        if (p[1] == ' ') {
            count = 3, list = &out.vertices, p += 2;
        } else if (p[1] == 't' && p[2] == ' ') {
            count = 2, list = &out.textCoords, p += 3;
        } else if (p[1] == 'n' && p[2] == ' ') {
            count = 3, list = &out.normals, p += 3;
        } else if (p[1] == 't' || p[1] == 'n') {
            return false;
        } else {
            goto skipped;
        }
        float values[3];
        for (int i = 0; i < count; ++i) {
            while (*p == ' ')
                ++p;
            if (!fastFloat(p, values[i]))
                return false;
        }
        if (!reachLineEnd(p, line))
            return false;
        if (list == &out.textCoords)
            out.hasText = true;
        else if (list == &out.normals)
            out.hasNormals = true;
        list->insert(list->end(), values, values + count);
        next = p + 1;
        return true;
    }
    if (p[0] == 'f' && p[1] == ' ') {
        p += 2;
        MeshIndex face;
        for (int c = 0; c < 3; ++c) {
            while (*p == ' ')
                ++p;
            if (*p == '\n' || !fastIndex(p, face.vertex[c]))
                return false;
            if (*p == '/') {
                ++p;
                if (!fastIndex(p, face.text[c]))
                    return false;
                if (*p == '/') {
                    ++p;
                    if (!fastIndex(p, face.normal[c]))
                        return false;
                    if (*p == '/' && !skipToken(p)) // pieces past the third are not read
                        return false;
                }
            }
        }
        int more[3 * kMaxExtraCorners];
        int moreCorners = 0;
        if (out.keepPolygons) {
            for (;;) {
                while (*p == ' ')
                    ++p;
                if (*p == '\n' || moreCorners == kMaxExtraCorners)
                    break;
                int* corner = more + 3 * moreCorners++;
                corner[1] = corner[2] = 0;
                if (!fastIndex(p, corner[0]))
                    return false;
                for (int piece = 1; *p == '/'; ++piece) {
                    ++p;
                    if (piece == 3) {
                        if (!skipToken(p))
                            return false;
                        break;
                    }
                    if (!fastIndex(p, corner[piece]))
                        return false;
                }
            }
        }
        if (!reachLineEnd(p, line))
            return false;
        addFace(out, face, more, moreCorners);
        next = p + 1;
        return true;
    }
    if (out.keepPolygons && (p[0] == 's' || p[0] == 'u' || p[0] == 'm'))
        return false; // smoothing and material lines: the general path reads them
skipped:
    // Any other line is skipped; only its length matters.
    const std::size_t left = static_cast<std::size_t>(end - line);
    const char* newline = static_cast<const char*>(std::memchr(line, '\n', std::min(left, kLineBuffer)));
    if (!newline)
        return false;
    next = newline + 1;
    return true;
}

void ObjLineReader::readLine(ObjReader& out, const char* line, const char* end)
{
    const std::size_t length = static_cast<std::size_t>(end - line);
    if (length < 2)
        return;
    if (line[0] == 'v') {
        if (line[1] == ' ') {
            readValues(out, line, end, 3, out.vertices);
        } else if (line[1] == 't') {
            out.hasText = true;
            readValues(out, line, end, 2, out.textCoords);
        } else if (line[1] == 'n') {
            out.hasNormals = true;
            readValues(out, line, end, 3, out.normals);
        }
    } else if (line[0] == 'f' && line[1] == ' ') {
        MeshIndex face;
        if (MeshIndex::readFace(line, end, face) < 3) {
            out.shortFaces.add(out.lines);
        } else if (!out.keepPolygons) {
            addFace(out, face);
        } else {
            // The corners after the third, read piece by piece as readFace reads them.
            const char* p = line;
            for (int token = 0; token < 4; ++token) {
                while (p < end && isSeparator(*p))
                    ++p;
                while (p < end && !isSeparator(*p))
                    ++p;
            }
            int more[3 * kMaxExtraCorners];
            int moreCorners = 0;
            for (;;) {
                // A lone carriage return after a blank is no corner.
                while (p < end && (isSeparator(*p) || isInnerSpace(*p)))
                    ++p;
                if (p == end || moreCorners == kMaxExtraCorners)
                    break;
                int* corner = more + 3 * moreCorners++;
                corner[0] = corner[1] = corner[2] = 0;
                for (int piece = 0;; ++piece) {
                    const char* start = p;
                    while (p < end && *p != '/' && !isSeparator(*p))
                        ++p;
                    if (piece < 3)
                        corner[piece] = toIndex(start, p);
                    if (p == end || *p != '/')
                        break;
                    ++p;
                }
            }
            addFace(out, face, more, moreCorners);
        }
    } else if (out.keepPolygons) {
        readMark(out, line, end);
    }
}

bool ObjLineReader::readMark(ObjReader& out, const char* line, const char* end)
{
    ObjReader::MarkKind kind;
    const char* p;
    const std::size_t length = static_cast<std::size_t>(end - line);
    if (line[0] == 's' && (line[1] == ' ' || line[1] == '\t')) {
        kind = ObjReader::SMOOTHING, p = line + 2;
    } else if (length > 6 && std::memcmp(line, "usemtl", 6) == 0 && (line[6] == ' ' || line[6] == '\t')) {
        kind = ObjReader::USE_MATERIAL, p = line + 7;
    } else if (length > 6 && std::memcmp(line, "mtllib", 6) == 0 && (line[6] == ' ' || line[6] == '\t')) {
        kind = ObjReader::MATERIAL_LIBRARY, p = line + 7;
    } else {
        return false;
    }
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (p < end && blank(*p))
        ++p;
    while (end > p && blank(end[-1]))
        --end;
    int value;
    if (kind == ObjReader::SMOOTHING) {
        value = toIndex(p, end); // "off" reads as 0, as atoi reads it
    } else {
        value = static_cast<int>(out.names.size());
        out.names.emplace_back(p, end);
    }
    out.marks.push_back({out.faces.size(), kind, value});
    return true;
}

// Skips the keyword and appends `count` values; missing ones are 0 so that every
// line adds one whole entry and later indices keep their meaning.
void ObjLineReader::readValues(ObjReader& out, const char* p, const char* end, int count, std::vector<float>& list)
{
    while (p < end && isSeparator(*p))
        ++p;
    while (p < end && !isSeparator(*p))
        ++p;
    bool padded = false;
    for (int i = 0; i < count; ++i) {
        while (p < end && isSeparator(*p))
            ++p;
        if (p == end) {
            list.push_back(0.0f);
            padded = true;
            continue;
        }
        const char* token = p;
        while (p < end && !isSeparator(*p))
            ++p;
        list.push_back(toFloat(token, p));
    }
    if (padded)
        out.paddedLines.add(out.lines);
}

void ObjLineReader::addFace(ObjReader& out, const MeshIndex& face, const int* more, int moreCorners)
{
    if (moreCorners == 0) {
        addFace(out, face);
        return;
    }
    int bits = 0;
    for (int i = 0; i < 3 * moreCorners; ++i)
        bits |= more[i];
    if (bits < 0 && !anyRelative(face))
        out.relativeFaces.push_back({out.faces.size(), static_cast<long long>(out.vertices.size() / 3),
                                     static_cast<long long>(out.textCoords.size() / 2),
                                     static_cast<long long>(out.normals.size() / 3)});
    out.polygons.push_back({out.faces.size(), out.extraCorners.size() / 3, moreCorners});
    out.extraCorners.insert(out.extraCorners.end(), more, more + 3 * moreCorners);
    addFace(out, face);
}

void ObjLineReader::addFace(ObjReader& out, const MeshIndex& face)
{
    if (anyRelative(face))
        out.relativeFaces.push_back({out.faces.size(), static_cast<long long>(out.vertices.size() / 3),
                                     static_cast<long long>(out.textCoords.size() / 2),
                                     static_cast<long long>(out.normals.size() / 3)});
    out.faces.push_back(face);
    out.faceLines.push_back(out.lines);
}

} // namespace vornak_engine
