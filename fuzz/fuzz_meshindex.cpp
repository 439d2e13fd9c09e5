// MeshIndex on arbitrary lines of up to 199 characters: the line constructor, the
// reader's one-pass path and a libc reference (strtok_r, strsep, clamped strtol)
// must give the same record.

#include "engine/MeshIndex.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string.h>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

int clampedAtoi(const char* s)
{
    const long value = std::strtol(s, nullptr, 10);
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

vornak_engine::MeshIndex libcReading(char* line, int& corners)
{
    vornak_engine::MeshIndex m;
    corners = 0;
    char* state = nullptr;
    if (!strtok_r(line, " \n", &state))
        return m;
    for (int c = 0; c < 3; ++c) {
        char* token = strtok_r(nullptr, " \n", &state);
        if (!token)
            return m;
        ++corners;
        char* piece = ::strsep(&token, "/");
        m.vertex[c] = clampedAtoi(piece);
        if ((piece = ::strsep(&token, "/")))
            m.text[c] = clampedAtoi(piece);
        if ((piece = ::strsep(&token, "/")))
            m.normal[c] = clampedAtoi(piece);
    }
    return m;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 199)
        return 0;
    char line[200];
    std::memcpy(line, data, size);
    line[size] = '\0';
    const std::size_t length = std::strlen(line); // as the buffer holds it: up to a NUL

    vornak_engine::MeshIndex scanned;
    const int scannedCorners = vornak_engine::MeshIndex::readFace(line, line + length, scanned);

    char forConstructor[200];
    std::memcpy(forConstructor, line, length + 1);
    vornak_engine::MeshIndex tokenised(forConstructor);

    char forLibc[200];
    std::memcpy(forLibc, line, length + 1);
    int libcCorners = 0;
    vornak_engine::MeshIndex expected = libcReading(forLibc, libcCorners);

    check(scannedCorners == libcCorners);
    check(std::memcmp(&scanned, &expected, sizeof expected) == 0);
    check(std::memcmp(&tokenised, &expected, sizeof expected) == 0);
    for (int c = 0; c < 3; ++c) {
        check(tokenised.getVertex(c) == static_cast<int>(static_cast<unsigned>(expected.vertex[c]) - 1u));
        check(tokenised.getText(c) == static_cast<int>(static_cast<unsigned>(expected.text[c]) - 1u));
        check(tokenised.getNormal(c) == static_cast<int>(static_cast<unsigned>(expected.normal[c]) - 1u));
    }
    return 0;
}
