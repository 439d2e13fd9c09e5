#pragma once

// Needs: nothing: pure CPU, inline.
//
// The characters of an OBJ line as the reading sees them, for the reader, the face
// records and the number parser alike: a line buffer of 200 characters, tokens cut
// at blanks and newlines (as strtok_r with " \n" cuts them), and the other white
// space, which can sit inside a token and which atof and atoi skip in front.

#include <cstddef>

namespace vornak_engine::obj {

// Whole lines are at most 199 characters, so the reader must see up to 200 to decide.
constexpr std::size_t kLineBuffer = 200;
// Bytes readable after the 0 that ends what is held: numbers are read 8 bytes at a time.
constexpr std::size_t kPadding = 8;
// A line of at most 199 characters holds at most 100 corners past the third.
constexpr int kMaxExtraCorners = 100;
constexpr int kMaxCorners = 3 + kMaxExtraCorners;

inline bool isSeparator(char c)
{
    return c == ' ' || c == '\n';
}

// White space atof and atoi skip that can sit inside a token.
inline bool isInnerSpace(char c)
{
    return c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

inline bool isDigit(char c)
{
    return static_cast<unsigned char>(c - '0') < 10;
}

// Moves p to the blank or newline that ends its token; false at a 0. For buffers
// that end in a 0 byte, so the loop needs no bound.
inline bool skipToken(const char*& p)
{
    while (!isSeparator(*p)) {
        if (*p == '\0')
            return false;
        ++p;
    }
    return true;
}

} // namespace vornak_engine::obj
