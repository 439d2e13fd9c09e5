#include "engine/MeshIndex.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

using vornak_engine::MeshIndex;

// The line constructor and the reader's one-pass path on the same line.
struct Both {
    MeshIndex tokenised;
    MeshIndex scanned;
    int corners;
};

Both readBoth(const std::string& line)
{
    char buffer[200] = {};
    std::strncpy(buffer, line.c_str(), sizeof buffer - 1);
    Both both{MeshIndex(buffer), MeshIndex(), 0};
    both.corners = MeshIndex::readFace(line.data(), line.data() + line.size(), both.scanned);
    return both;
}

void expectSame(const MeshIndex& a, const MeshIndex& b)
{
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(a.vertex[c], b.vertex[c]) << "corner " << c;
        EXPECT_EQ(a.text[c], b.text[c]) << "corner " << c;
        EXPECT_EQ(a.normal[c], b.normal[c]) << "corner " << c;
    }
}

TEST(MeshIndex, CornerTokenTable)
{
    // 0 where the token sets nothing: the record starts at 0, which means "none".
    struct Row {
        const char* token;
        int vertex, text, normal;
    } rows[] = {
        {"7", 7, 0, 0},       {"7/3", 7, 3, 0}, {"7/3/5", 7, 3, 5},   {"7//5", 7, 0, 5},
        {"7/", 7, 0, 0},      {"7//", 7, 0, 0}, {"7/3/5/9", 7, 3, 5}, {"-2/-3/-4", -2, -3, -4},
        {"7a/3b/5c", 7, 3, 5}, {"/3/5", 0, 3, 5}, {"\t7/\r3/\v5", 7, 3, 5}, {"7/3/5\r", 7, 3, 5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.token);
        for (int corner = 0; corner < 3; ++corner) {
            SCOPED_TRACE(corner);
            std::string line = "f";
            for (int c = 0; c < 3; ++c)
                line += std::string(" ") + (c == corner ? row.token : "1/1/1");
            Both both = readBoth(line);
            EXPECT_EQ(both.corners, 3);
            EXPECT_EQ(both.tokenised.vertex[corner], row.vertex);
            EXPECT_EQ(both.tokenised.text[corner], row.text);
            EXPECT_EQ(both.tokenised.normal[corner], row.normal);
            expectSame(both.tokenised, both.scanned);
        }
    }
}

TEST(MeshIndex, FaceLinesAndGetters)
{
    Both full = readBoth("f 3/1/2 6/4/5 9/7/8");
    const int vertex[3] = {3, 6, 9}, text[3] = {1, 4, 7}, normal[3] = {2, 5, 8};
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(full.tokenised.vertex[c], vertex[c]);
        EXPECT_EQ(full.tokenised.text[c], text[c]);
        EXPECT_EQ(full.tokenised.normal[c], normal[c]);
        EXPECT_EQ(full.tokenised.getVertex(c), vertex[c] - 1);
        EXPECT_EQ(full.tokenised.getText(c), text[c] - 1);
        EXPECT_EQ(full.tokenised.getNormal(c), normal[c] - 1);
    }

    Both noText = readBoth("f 1//4 2//5 3//6");
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(noText.tokenised.getText(c), -1);
        EXPECT_EQ(noText.tokenised.normal[c], 4 + c);
    }

    // A quad keeps its first three corners; runs of blanks count as one.
    Both quad = readBoth("f  1   2 3 4  ");
    EXPECT_EQ(quad.corners, 3);
    EXPECT_EQ(quad.tokenised.vertex[0], 1);
    EXPECT_EQ(quad.tokenised.vertex[1], 2);
    EXPECT_EQ(quad.tokenised.vertex[2], 3);
    expectSame(quad.tokenised, quad.scanned);

    // Short lines leave the missing corners at 0 and say how many there were.
    struct Short {
        const char* line;
        int corners;
    } shorts[] = {{"f", 0}, {"f ", 0}, {"f 1", 1}, {"f 1 2", 2}, {"f 1/2/3   4/5/6  ", 2}};
    for (const Short& s : shorts) {
        SCOPED_TRACE(s.line);
        Both both = readBoth(s.line);
        EXPECT_EQ(both.corners, s.corners);
        for (int c = s.corners; c < 3; ++c)
            EXPECT_EQ(both.tokenised.vertex[c], 0);
        expectSame(both.tokenised, both.scanned);
    }

    // The getters wrap instead of overflowing on the smallest index.
    MeshIndex extreme;
    extreme.vertex[0] = INT_MIN;
    EXPECT_EQ(extreme.getVertex(0), INT_MAX);
}

TEST(MeshIndex, StrsepCutsInPlace)
{
    MeshIndex m;
    char slash[] = "/";

    char text[] = "7//5";
    char* cursor = text;
    EXPECT_STREQ(m.strsep(&cursor, slash), "7");
    EXPECT_STREQ(m.strsep(&cursor, slash), "");
    EXPECT_STREQ(m.strsep(&cursor, slash), "5");
    EXPECT_EQ(cursor, nullptr);
    EXPECT_EQ(m.strsep(&cursor, slash), nullptr);

    // An empty remainder is one empty piece, then the end.
    char empty[] = "";
    cursor = empty;
    char* piece = m.strsep(&cursor, slash);
    ASSERT_NE(piece, nullptr);
    EXPECT_STREQ(piece, "");
    EXPECT_EQ(m.strsep(&cursor, slash), nullptr);

    char two[] = "a-b/c";
    char delimiters[] = "/-";
    cursor = two;
    EXPECT_STREQ(m.strsep(&cursor, delimiters), "a");
    EXPECT_STREQ(m.strsep(&cursor, delimiters), "b");
    EXPECT_STREQ(m.strsep(&cursor, delimiters), "c");
    EXPECT_EQ(m.strsep(&cursor, delimiters), nullptr);
}

TEST(MeshIndex, ToIndexIsAtoiWithClamping)
{
    struct Row {
        const char* text;
        int value;
    } rows[] = {
        {"12", 12},
        {"  \t\n\v\f\r12", 12},
        {"+5", 5},
        {"-7", -7},
        {"12abc", 12},
        {"", 0},
        {"abc", 0},
        {"-", 0},
        {"+-3", 0},
        {"- 3", 0},
        {"007", 7},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", INT_MAX},
        {"-2147483649", INT_MIN},
        {"99999999999999999999999999", INT_MAX},
        {"-99999999999999999999999999", INT_MIN},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(MeshIndex::toIndex(row.text, row.text + std::strlen(row.text)), row.value);
    }
    // The end bounds the reading even when digits follow.
    const char* digits = "12345";
    EXPECT_EQ(MeshIndex::toIndex(digits, digits + 2), 12);
}

} // namespace
