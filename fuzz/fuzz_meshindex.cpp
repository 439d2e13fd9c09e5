// MeshIndex on arbitrary lines of up to 199 characters: the line constructor, the
// reader's one-pass path and a libc reference (strtok_r, strsep, clamped strtol)
// must give the same record.

#include "vornak/MeshIndex.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 199)
        return 0;
    char line[200], forConstructor[200], forLibc[200];
    std::memcpy(line, data, size);
    line[size] = '\0'; // as the buffer holds it: up to a NUL
    std::strcpy(forConstructor, line);
    std::strcpy(forLibc, line);

    vornak_engine::MeshIndex scanned, tokenised(forConstructor), expected;
    const int scannedCorners = vornak_engine::MeshIndex::readFace(line, line + std::strlen(line), scanned);
    int corners = 0;
    char* state = nullptr;
    if (strtok_r(forLibc, " \n", &state)) {
        for (char* token; corners < 3 && (token = strtok_r(nullptr, " \n", &state)); ++corners) {
            int* slots[3] = {&expected.vertex[corners], &expected.text[corners], &expected.normal[corners]};
            for (int piece = 0; piece < 3 && token; ++piece) {
                const long value = std::strtol(::strsep(&token, "/"), nullptr, 10);
                *slots[piece] = value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
            }
        }
    }

    auto minusOne = [](int index) { return static_cast<int>(static_cast<unsigned>(index) - 1u); };
    bool ok = scannedCorners == corners && std::memcmp(&scanned, &expected, sizeof expected) == 0 &&
              std::memcmp(&tokenised, &expected, sizeof expected) == 0;
    for (int c = 0; c < 3; ++c)
        ok = ok && tokenised.getVertex(c) == minusOne(expected.vertex[c]) &&
             tokenised.getText(c) == minusOne(expected.text[c]) && tokenised.getNormal(c) == minusOne(expected.normal[c]);
    if (!ok)
        std::abort();
    return 0;
}
