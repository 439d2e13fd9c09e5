#include "vornak/ObjReader.h"

#include "vornak/FileData.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace vornak_engine {

namespace {

// Whole lines are at most 199 characters, so the reader must see up to 200 to decide.
constexpr std::size_t kLineBuffer = 200;
// Bytes readable after the 0 that ends what is held: numbers are read 8 bytes at a time.
constexpr std::size_t kPadding = 8;

inline bool isSeparator(char c)
{
    return c == ' ' || c == '\n';
}

// White space strtod skips that can sit inside a token.
inline bool isInnerSpace(char c)
{
    return c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

inline bool isDigit(char c)
{
    return static_cast<unsigned char>(c - '0') < 10;
}

const double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                          1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr std::uint64_t kExactMantissa = std::uint64_t(1) << 53;

// m × 10^exponent in one IEEE operation on exact operands: correctly rounded, as
// atof gives it, for m up to 2^53 and a power of ten up to 22.
inline double scale(std::uint64_t mantissa, int exponent)
{
    const double m = static_cast<double>(mantissa);
    return exponent < 0 ? m / kPowers[-exponent] : m * kPowers[exponent];
}

const double kInversePowers[] = {1e0,   1e-1,  1e-2,  1e-3,  1e-4,  1e-5,  1e-6,  1e-7,
                                 1e-8,  1e-9,  1e-10, 1e-11, 1e-12, 1e-13, 1e-14, 1e-15,
                                 1e-16, 1e-17, 1e-18, 1e-19, 1e-20, 1e-21, 1e-22};

// scale() narrowed to float, with a multiply where scale() divides. The product is
// within 3 units in the last place of the quotient scale() gives, so it narrows to the
// same float unless it lies that close to a point halfway between two floats; then
// the division decides.
inline float scaleToFloat(std::uint64_t mantissa, int exponent)
{
    if (exponent >= 0)
        return static_cast<float>(static_cast<double>(mantissa) * kPowers[exponent]);
    const double product = static_cast<double>(mantissa) * kInversePowers[-exponent];
    std::uint64_t bits;
    std::memcpy(&bits, &product, sizeof bits);
    // The 29 bits a float drops; 2^28 is the halfway point.
    const std::uint64_t dropped = bits & ((std::uint64_t(1) << 29) - 1);
    if (dropped - ((std::uint64_t(1) << 28) - 4) <= 8)
        return static_cast<float>(scale(mantissa, exponent));
    return static_cast<float>(product);
}

float slowFloat(const char* begin, const char* end)
{
    char token[kLineBuffer];
    const std::size_t length = static_cast<std::size_t>(end - begin);
    std::memcpy(token, begin, length);
    token[length] = '\0';
    return static_cast<float>(std::strtod(token, nullptr));
}

// atof on the token [begin, end), narrowed to float: plain decimals exactly in one
// operation, everything else through strtod itself.
float toFloat(const char* begin, const char* end)
{
    const char* p = begin;
    while (p < end && isInnerSpace(*p))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (end - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))
        return slowFloat(begin, end);

    std::uint64_t mantissa = 0;
    int digits = 0;
    int exponent = 0;
    bool any = false;
    while (p < end && *p == '0') {
        ++p;
        any = true;
    }
    for (; p < end && isDigit(*p); ++p) {
        if (++digits > 19)
            return slowFloat(begin, end);
        mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
        any = true;
    }
    if (p < end && *p == '.') {
        ++p;
        if (digits == 0) {
            for (; p < end && *p == '0'; ++p) {
                --exponent;
                any = true;
            }
        }
        for (; p < end && isDigit(*p); ++p) {
            if (++digits > 19)
                return slowFloat(begin, end);
            mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
            --exponent;
            any = true;
        }
    }
    if (!any)
        return slowFloat(begin, end); // no digits: inf, nan or no number at all
    if (p < end && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        bool negativeExponent = false;
        if (q < end && (*q == '+' || *q == '-')) {
            negativeExponent = *q == '-';
            ++q;
        }
        if (q < end && isDigit(*q)) {
            int written = 0;
            for (; q < end && isDigit(*q); ++q) {
                if (written < 100000)
                    written = written * 10 + (*q - '0');
            }
            exponent += negativeExponent ? -written : written;
        }
    }
    double value = 0.0;
    if (mantissa != 0) {
        if (mantissa > kExactMantissa || exponent < -22 || exponent > 22)
            return slowFloat(begin, end);
        value = scale(mantissa, exponent);
    }
    return static_cast<float>(negative ? -value : value);
}

// The fast paths below run on a buffer that ends in a 0 byte: every loop stops at a
// 0, so none needs a bound. A 0 inside the text sends the line to the general path.

// How many decimal digits (up to 8) start at p, and their value, from one 8-byte
// load: no loop and no branch on the length, which varies from number to number.
inline unsigned leadingDigits(const char* p, std::uint64_t& value)
{
    std::uint64_t bytes;
    std::memcpy(&bytes, p, sizeof bytes);
    const std::uint64_t t = bytes ^ 0x3030303030303030ull; // digits become 0 to 9
    const std::uint64_t other =
        (t | ((t & 0x7F7F7F7F7F7F7F7Full) + 0x7676767676767676ull)) & 0x8080808080808080ull;
    const unsigned n = other ? static_cast<unsigned>(__builtin_ctzll(other)) >> 3 : 8;
    if (n == 0) {
        value = 0;
        return 0;
    }
    // The n digits to the top as if led by zeros, then pairs, fours, eight.
    std::uint64_t v = t << (64 - 8 * n);
    v = (v * 2561) >> 8;
    v = ((v & 0x00FF00FF00FF00FFull) * 6553601) >> 16;
    value = ((v & 0x0000FFFF0000FFFFull) * 42949672960001ull) >> 32;
    return n;
}

// Appends the digits at q to mantissa; returns how many there were. Past 19 digits
// the mantissa wraps, and the caller refuses such numbers.
inline long appendDigits(const char*& q, std::uint64_t& mantissa)
{
    static const std::uint64_t kScale[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
    long digits = 0;
    for (;;) {
        std::uint64_t value;
        const unsigned n = leadingDigits(q, value);
        mantissa = mantissa * kScale[n] + value;
        q += n;
        digits += n;
        if (n < 8 || digits > 19)
            return digits;
    }
}

// Moves p to the blank or newline that ends its token; false at a 0.
inline bool skipToken(const char*& p)
{
    while (!isSeparator(*p)) {
        if (*p == '\0')
            return false;
        ++p;
    }
    return true;
}

// The number starting at p, as toFloat reads it, p left at the token's end. False
// (p unchanged) for what only the general path reads: hex, inf, nan, long or
// far-scaled numbers, white space before the number.
inline bool fastFloat(const char*& p, float& out)
{
    const char* q = p;
    const bool negative = *q == '-';
    q += *q == '-' || *q == '+';
    const char* start = q;
    while (*q == '0')
        ++q;
    std::uint64_t mantissa = 0;
    long digits = appendDigits(q, mantissa);
    long exponent = 0;
    bool any = q != start;
    if (*q == '.') {
        const char* fraction = ++q;
        if (digits == 0) {
            while (*q == '0')
                ++q;
        }
        digits += appendDigits(q, mantissa);
        exponent = fraction - q;
        any = any || q != fraction;
    }
    if (!any || digits > 19 || isDigit(*q))
        return false;
    if ((*q | 0x20) == 'e') {
        const char* e = q + 1;
        const bool negativeExponent = *e == '-';
        e += *e == '-' || *e == '+';
        if (isDigit(*e)) {
            unsigned long written = 0; // wraps past 4 digits, which are refused below
            const char* first = e;
            for (; isDigit(*e); ++e)
                written = written * 10 + static_cast<unsigned>(*e - '0');
            if (e - first > 4)
                return false;
            exponent += negativeExponent ? -static_cast<long>(written) : static_cast<long>(written);
            q = e;
        }
    }
    if (!isSeparator(*q)) {
        if ((*q | 0x20) == 'x') // "0x": strtod reads hex
            return false;
        if (!skipToken(q)) // strtod ignores the rest of the token
            return false;
    }
    float value = 0.0f;
    if (mantissa != 0) {
        if (mantissa > kExactMantissa || exponent < -22 || exponent > 22)
            return false;
        value = scaleToFloat(mantissa, static_cast<int>(exponent));
    }
    out = negative ? -value : value;
    p = q;
    return true;
}

// One slash-separated piece of a face corner as atoi reads it; p is left on the
// slash, blank or newline after it. False for what only MeshIndex::readFace reads:
// white space before the number, nine digits or more (clamping).
inline bool fastIndex(const char*& p, int& out)
{
    const char* q = p;
    if (isInnerSpace(*q))
        return false;
    const bool negative = *q == '-';
    q += *q == '-' || *q == '+';
    std::uint64_t value;
    q += leadingDigits(q, value);
    if (isDigit(*q)) // nine digits or more: the general path clamps
        return false;
    while (*q != '/' && !isSeparator(*q)) {
        if (*q == '\0')
            return false;
        ++q;
    }
    out = negative ? -static_cast<int>(value) : static_cast<int>(value);
    p = q;
    return true;
}

// A line holds at most 199 characters, so at most 99 corners past the third.
constexpr int kMaxExtraCorners = 100;

inline bool anyRelative(const MeshIndex& face)
{
    int bits = 0;
    for (int c = 0; c < 3; ++c)
        bits |= face.vertex[c] | face.text[c] | face.normal[c];
    return bits < 0;
}

// Room for what the rest of the input will likely add, from what the last part
// added: lists then grow once, not by doubling and copying again and again.
template <typename T>
void reserveFor(std::vector<T>& list, std::size_t before, std::size_t partBytes, std::size_t bytesLeft)
{
    const std::size_t added = list.size() - before;
    if (added == 0 || partBytes == 0)
        return;
    const std::size_t expected = list.size() + static_cast<std::size_t>(static_cast<double>(added) * 1.05 *
                                                                        static_cast<double>(bytesLeft) /
                                                                        static_cast<double>(partBytes));
    if (expected > list.capacity() && list.capacity() - list.size() < 2 * added)
        list.reserve(std::max(expected, list.capacity() + list.capacity() / 2));
}

} // namespace

void ObjReader::Tally::add(const Tally& later, int lineOffset)
{
    if (later.count == 0)
        return;
    if (count == 0)
        firstLine = later.firstLine + lineOffset;
    count += later.count;
}

// ---- Reading lines ----------------------------------------------------------------

std::size_t ObjReader::readLines(const char* bytes, std::size_t size, bool atEnd, std::size_t stopAt)
{
    const char* const end = bytes + size;
    std::size_t used = 0;
    while (!ended && used < size && used < stopAt) {
        const char* line = bytes + used;
        const char* next = nullptr;
        ++lines;
        if (readLineFast(line, end, next)) {
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
            ended = true;
        } else if (atEnd) {
            lineEnd = end;
            used = size;
        } else {
            --lines;
            break;
        }
        // The line is a C string: a NUL in it ends what is seen of it.
        if (const void* nul = std::memchr(line, '\0', static_cast<std::size_t>(lineEnd - line)))
            lineEnd = static_cast<const char*>(nul);
        readLine(line, lineEnd);
    }
    return used;
}

namespace {

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

// The common lines read in one pass with no copy; false leaves the line, untouched,
// to the general path.
bool ObjReader::readLineFast(const char* line, const char* end, const char*& next)
{
    const char* p = line;
    if (p[0] == 'v') {
        int count;
        std::vector<float>* list;
        if (p[1] == ' ') {
            count = 3, list = &vertices, p += 2;
        } else if (p[1] == 't' && p[2] == ' ') {
            count = 2, list = &textCoords, p += 3;
        } else if (p[1] == 'n' && p[2] == ' ') {
            count = 3, list = &normals, p += 3;
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
        if (list == &textCoords)
            hasText = true;
        else if (list == &normals)
            hasNormals = true;
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
        if (keepPolygons) {
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
        addFace(face, more, moreCorners);
        next = p + 1;
        return true;
    }
    if (keepPolygons && (p[0] == 's' || p[0] == 'u' || p[0] == 'm'))
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

void ObjReader::readLine(const char* line, const char* end)
{
    const std::size_t length = static_cast<std::size_t>(end - line);
    if (length < 2)
        return;
    if (line[0] == 'v') {
        if (line[1] == ' ') {
            readValues(line, end, 3, vertices);
        } else if (line[1] == 't') {
            hasText = true;
            readValues(line, end, 2, textCoords);
        } else if (line[1] == 'n') {
            hasNormals = true;
            readValues(line, end, 3, normals);
        }
    } else if (line[0] == 'f' && line[1] == ' ') {
        MeshIndex face;
        if (MeshIndex::readFace(line, end, face) < 3) {
            shortFaces.add(lines);
        } else if (!keepPolygons) {
            addFace(face);
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
                        corner[piece] = MeshIndex::toIndex(start, p);
                    if (p == end || *p != '/')
                        break;
                    ++p;
                }
            }
            addFace(face, more, moreCorners);
        }
    } else if (keepPolygons) {
        readMark(line, end);
    }
}

bool ObjReader::readMark(const char* line, const char* end)
{
    MarkKind kind;
    const char* p;
    const std::size_t length = static_cast<std::size_t>(end - line);
    if (line[0] == 's' && (line[1] == ' ' || line[1] == '\t')) {
        kind = SMOOTHING, p = line + 2;
    } else if (length > 6 && std::memcmp(line, "usemtl", 6) == 0 && (line[6] == ' ' || line[6] == '\t')) {
        kind = USE_MATERIAL, p = line + 7;
    } else if (length > 6 && std::memcmp(line, "mtllib", 6) == 0 && (line[6] == ' ' || line[6] == '\t')) {
        kind = MATERIAL_LIBRARY, p = line + 7;
    } else {
        return false;
    }
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (p < end && blank(*p))
        ++p;
    while (end > p && blank(end[-1]))
        --end;
    int value;
    if (kind == SMOOTHING) {
        value = MeshIndex::toIndex(p, end); // "off" reads as 0, as atoi reads it
    } else {
        value = static_cast<int>(names.size());
        names.emplace_back(p, end);
    }
    marks.push_back({faces.size(), kind, value});
    return true;
}

// Skips the keyword and appends `count` values; missing ones are 0 so that every
// line adds one whole entry and later indices keep their meaning.
void ObjReader::readValues(const char* p, const char* end, int count, std::vector<float>& list)
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
        paddedLines.add(lines);
}

void ObjReader::addFace(const MeshIndex& face, const int* more, int moreCorners)
{
    if (moreCorners == 0) {
        addFace(face);
        return;
    }
    int bits = 0;
    for (int i = 0; i < 3 * moreCorners; ++i)
        bits |= more[i];
    if (bits < 0 && !anyRelative(face))
        relativeFaces.push_back({faces.size(), static_cast<long long>(vertices.size() / 3),
                                 static_cast<long long>(textCoords.size() / 2),
                                 static_cast<long long>(normals.size() / 3)});
    polygons.push_back({faces.size(), extraCorners.size() / 3, moreCorners});
    extraCorners.insert(extraCorners.end(), more, more + 3 * moreCorners);
    addFace(face);
}

void ObjReader::addFace(const MeshIndex& face)
{
    if (anyRelative(face))
        relativeFaces.push_back({faces.size(), static_cast<long long>(vertices.size() / 3),
                                 static_cast<long long>(textCoords.size() / 2),
                                 static_cast<long long>(normals.size() / 3)});
    faces.push_back(face);
    faceLines.push_back(lines);
}

// ---- Merging the readings of consecutive parts --------------------------------------

void ObjReader::append(ObjReader&& later)
{
    if (ended)
        return;
    const std::size_t faceOffset = faces.size();
    const long long positions = static_cast<long long>(vertices.size() / 3);
    const long long texts = static_cast<long long>(textCoords.size() / 2);
    const long long normalCount = static_cast<long long>(normals.size() / 3);
    auto add = [](auto& to, auto& from) {
        if (to.empty() && to.capacity() < from.size())
            to.swap(from);
        else
            to.insert(to.end(), from.begin(), from.end());
    };
    add(vertices, later.vertices);
    add(textCoords, later.textCoords);
    add(normals, later.normals);
    add(faces, later.faces);
    if (faceLines.capacity() < faces.capacity())
        faceLines.reserve(faces.capacity());
    const std::size_t firstLine = faceLines.size();
    faceLines.insert(faceLines.end(), later.faceLines.begin(), later.faceLines.end());
    for (std::size_t i = firstLine; i < faceLines.size(); ++i)
        faceLines[i] += lines;
    for (const ListCounts& counts : later.relativeFaces)
        relativeFaces.push_back({counts.face + faceOffset, counts.positions + positions, counts.texts + texts,
                                 counts.normals + normalCount});
    const std::size_t cornerOffset = extraCorners.size() / 3;
    add(extraCorners, later.extraCorners);
    for (const Polygon& polygon : later.polygons)
        polygons.push_back({polygon.face + faceOffset, polygon.first + cornerOffset, polygon.count});
    const int nameOffset = static_cast<int>(names.size());
    for (std::string& name : later.names)
        names.push_back(std::move(name));
    for (const Mark& mark : later.marks)
        marks.push_back({mark.face + faceOffset, mark.kind, mark.kind == SMOOTHING ? mark.value : mark.value + nameOffset});
    hasNormals = hasNormals || later.hasNormals;
    hasText = hasText || later.hasText;
    paddedLines.add(later.paddedLines, lines);
    shortFaces.add(later.shortFaces, lines);
    lines += later.lines;
    ended = later.ended;
}

void ObjReader::clear()
{
    vertices.clear();
    textCoords.clear();
    normals.clear();
    faces.clear();
    faceLines.clear();
    relativeFaces.clear();
    extraCorners.clear();
    polygons.clear();
    marks.clear();
    names.clear();
    hasNormals = hasText = false;
    paddedLines = shortFaces = Tally();
    lines = 0;
    ended = false;
}

// ---- Chunks and threads -----------------------------------------------------------

struct ObjReader::Chunks {
    // Where the bytes come from: a file read with pread, or memory.
    struct Source {
        int fd = -1;
        const char* memory = nullptr;
        std::size_t size = 0;

        // Up to n bytes from offset; fewer only at an error or an early end.
        std::size_t fill(std::size_t offset, char* to, std::size_t n) const
        {
            if (memory) {
                std::memcpy(to, memory + offset, n);
                return n;
            }
            std::size_t done = 0;
            while (done < n) {
                const ssize_t got = ::pread(fd, to + done, n - done, static_cast<off_t>(offset + done));
                if (got < 0 && errno == EINTR)
                    continue;
                if (got <= 0)
                    break;
                done += static_cast<std::size_t>(got);
            }
            return done;
        }
    };

    // Reads into `out` the lines that start in [from, to): a chunk owns the lines that
    // start in it, and reads on past its end to finish the last of them.
    static void readRange(const Source& source, std::size_t from, std::size_t to, std::size_t chunk,
                          std::vector<char>& buffer, ObjReader& out, bool reserve)
    {
        // A chunk, a line's worth more and the 0 that ends the bytes held; no more than
        // the input needs, so that small inputs stay cheap.
        const std::size_t size = std::min(chunk, source.size - from) + kLineBuffer + 1 + kPadding;
        if (buffer.size() < size)
            buffer.resize(size);
        char* const data = buffer.data();
        std::size_t at = from; // file offset of data[0]
        if (from > 0) {
            // The first line of this chunk follows the first newline at from - 1 or later.
            std::size_t search = from - 1;
            for (;;) {
                if (search + 1 >= to)
                    return; // no line starts here
                const std::size_t got = source.fill(search, data, std::min(chunk, to - 1 - search));
                if (got == 0)
                    return;
                if (const void* newline = std::memchr(data, '\n', got)) {
                    at = search + static_cast<std::size_t>(static_cast<const char*>(newline) - data) + 1;
                    break;
                }
                search += got;
            }
            if (at >= to)
                return;
        }
        const std::size_t total = source.size;
        std::size_t held = 0;
        for (;;) {
            const std::size_t room = buffer.size() - 1 - kPadding - held;
            const std::size_t wanted = std::min(room, total - std::min(total, at + held));
            const std::size_t got = wanted ? source.fill(at + held, data + held, wanted) : 0;
            held += got;
            const bool atEnd = got < wanted || at + held >= total;
            data[held] = '\0';
            const std::size_t before[4] = {out.vertices.size(), out.textCoords.size(), out.normals.size(),
                                           out.faces.size()};
            const std::size_t used = out.readLines(data, held, atEnd, to - at);
            at += used;
            if (out.ended || at >= to || atEnd)
                return;
            if (reserve) {
                const std::size_t left = total - at;
                reserveFor(out.vertices, before[0], used, left);
                reserveFor(out.textCoords, before[1], used, left);
                reserveFor(out.normals, before[2], used, left);
                reserveFor(out.faces, before[3], used, left);
                if (out.faceLines.capacity() < out.faces.capacity())
                    out.faceLines.reserve(out.faces.capacity());
            }
            std::memmove(data, data + used, held - used);
            held -= used;
        }
    }

    static void read(const Source& source, const Options& options, ObjReader& out)
    {
        const std::size_t chunk = std::max<std::size_t>(options.chunkBytes, 1);
        const std::size_t total = source.size;
        const std::size_t count = total / chunk + (total % chunk != 0);
        const unsigned threads = static_cast<unsigned>(std::min<std::size_t>(std::max(options.threads, 1u), count));
        out.keepPolygons = options.polygons;
        if (threads <= 1) {
            std::vector<char> buffer;
            readRange(source, 0, total, chunk, buffer, out, true);
            return;
        }

        // Chunks go to whichever thread is free; each is read into lists of its own,
        // then appended in file order by whichever thread finds the next one done.
        std::atomic<std::size_t> nextChunk{0};
        std::atomic<std::size_t> endedAt{count}; // the first chunk whose reading ended
        std::atomic<bool> failed{false};
        std::mutex mutex;
        std::vector<std::unique_ptr<ObjReader>> done(count);
        std::vector<std::unique_ptr<ObjReader>> spare;
        std::size_t nextAppend = 0;
        bool appending = false;
        std::exception_ptr failure;

        auto work = [&] {
            try {
                std::vector<char> buffer;
                for (;;) {
                    const std::size_t k = nextChunk.fetch_add(1);
                    if (k >= count || k > endedAt.load() || failed.load())
                        return;
                    std::unique_ptr<ObjReader> part;
                    {
                        std::lock_guard<std::mutex> lock(mutex);
                        if (!spare.empty()) {
                            part = std::move(spare.back());
                            spare.pop_back();
                        }
                    }
                    if (!part) {
                        part = std::make_unique<ObjReader>();
                        part->keepPolygons = options.polygons;
                    }
                    readRange(source, k * chunk, std::min(total, (k + 1) * chunk), chunk, buffer, *part, false);
                    if (part->ended) {
                        std::size_t seen = endedAt.load();
                        while (k < seen && !endedAt.compare_exchange_weak(seen, k)) {
                        }
                    }
                    std::unique_lock<std::mutex> lock(mutex);
                    done[k] = std::move(part);
                    if (appending)
                        continue;
                    appending = true;
                    while (nextAppend < count && done[nextAppend]) {
                        std::unique_ptr<ObjReader> next = std::move(done[nextAppend]);
                        lock.unlock();
                        const std::size_t before[4] = {out.vertices.size(), out.textCoords.size(),
                                                       out.normals.size(), out.faces.size()};
                        out.append(std::move(*next));
                        const std::size_t end = std::min(total, (nextAppend + 1) * chunk);
                        reserveFor(out.vertices, before[0], chunk, total - end);
                        reserveFor(out.textCoords, before[1], chunk, total - end);
                        reserveFor(out.normals, before[2], chunk, total - end);
                        reserveFor(out.faces, before[3], chunk, total - end);
                        next->clear();
                        lock.lock();
                        spare.push_back(std::move(next));
                        ++nextAppend;
                    }
                    appending = false;
                }
            } catch (...) {
                std::lock_guard<std::mutex> lock(mutex);
                if (!failure)
                    failure = std::current_exception();
                failed = true;
            }
        };

        std::vector<std::thread> helpers;
        for (unsigned i = 1; i < threads; ++i) {
            try {
                helpers.emplace_back(work);
            } catch (const std::system_error&) {
                break; // no more threads: the ones there are read it all
            }
        }
        work();
        for (std::thread& helper : helpers)
            helper.join();
        if (failure)
            std::rethrow_exception(failure);
    }
};

bool ObjReader::readFile(const char* path, const Options& options, std::string& error)
{
    Chunks::Source source;
    source.fd = openRegularFile(path, source.size, error);
    if (source.fd < 0)
        return false;
    try {
        Chunks::read(source, options, *this);
    } catch (...) {
        ::close(source.fd);
        throw;
    }
    ::close(source.fd);
    return true;
}

void ObjReader::readBytes(const char* bytes, std::size_t size, const Options& options)
{
    Chunks::Source source;
    source.memory = bytes;
    source.size = size;
    Chunks::read(source, options, *this);
}

} // namespace vornak_engine
