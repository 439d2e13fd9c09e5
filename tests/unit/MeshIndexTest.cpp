#include "vornak/MeshIndex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

namespace {

using vornak_engine::MeshIndex;

// The line constructor's record, held equal to the reader's one-pass path on the same line.
MeshIndex read(const std::string& line, int* corners = nullptr)
{
    char buffer[200] = {};
    std::strncpy(buffer, line.c_str(), sizeof buffer - 1);
    MeshIndex tokenised(buffer), scanned;
    const int n = MeshIndex::readFace(line.data(), line.data() + line.size(), scanned);
    EXPECT_EQ(std::memcmp(&tokenised, &scanned, sizeof scanned), 0) << line;
    if (corners)
        *corners = n;
    return tokenised;
}

TEST(MeshIndex, CornerTokensAndCounts)
{
    const struct { // 0 where the token sets nothing: "none"
        const char* token;
        int vertex, text, normal;
    } rows[] = {
        {"7", 7, 0, 0},        {"7/3", 7, 3, 0}, {"7/3/5", 7, 3, 5},   {"7//5", 7, 0, 5},
        {"7/", 7, 0, 0},       {"7//", 7, 0, 0}, {"7/3/5/9", 7, 3, 5}, {"-2/-3/-4", -2, -3, -4},
        {"7a/3b/5c", 7, 3, 5}, {"/3/5", 0, 3, 5}, {"\t7/\r3/\v5", 7, 3, 5}, {"7/3/5\r", 7, 3, 5},
    };
    for (const auto& row : rows) {
        for (int corner = 0; corner < 3; ++corner) {
            SCOPED_TRACE(std::string(row.token) + " at corner " + std::to_string(corner));
            std::string line = "f";
            for (int c = 0; c < 3; ++c)
                line += std::string(" ") + (c == corner ? row.token : "1/1/1");
            int corners = 0;
            const MeshIndex m = read(line, &corners);
            EXPECT_EQ(corners, 3);
            EXPECT_EQ(m.vertex[corner], row.vertex);
            EXPECT_EQ(m.text[corner], row.text);
            EXPECT_EQ(m.normal[corner], row.normal);
        }
    }
    // A quad keeps its first three corners; runs of blanks count as one; short lines leave the rest at 0.
    struct Row {
        const char* line;
        int corners;
        int vertex[3];
    } lines[] = {
        {"f  1   2 3 4  ", 3, {1, 2, 3}}, {"f", 0, {}}, {"f ", 0, {}}, {"f 1", 1, {1}}, {"f 1 2", 2, {1, 2}},
        {"f 1/2/3   4/5/6  ", 2, {1, 4}},
    };
    for (const Row& row : lines) {
        SCOPED_TRACE(row.line);
        int corners = -1;
        const MeshIndex m = read(row.line, &corners);
        EXPECT_EQ(corners, row.corners);
        EXPECT_TRUE(std::equal(row.vertex, row.vertex + 3, m.vertex));
    }
}

TEST(MeshIndex, ToIndexIsAtoiWithClamping)
{
    struct Row {
        const char* text;
        int value;
    } rows[] = {
        {"12", 12},  {"  \t\n\v\f\r12", 12}, {"+5", 5},   {"-7", -7},  {"12abc", 12},
        {"", 0},     {"abc", 0},             {"-", 0},    {"+-3", 0},  {"- 3", 0},
        {"007", 7},  {"2147483647", INT_MAX}, {"-2147483648", INT_MIN}, {"2147483648", INT_MAX},
        {"-2147483649", INT_MIN}, {"99999999999999999999999999", INT_MAX}, {"-99999999999999999999999999", INT_MIN},
    };
    for (const Row& row : rows)
        EXPECT_EQ(MeshIndex::toIndex(row.text, row.text + std::strlen(row.text)), row.value) << row.text;
    // The end bounds the reading even when digits follow.
    const char* digits = "12345";
    EXPECT_EQ(MeshIndex::toIndex(digits, digits + 2), 12);
}

} // namespace
