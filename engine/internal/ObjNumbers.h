#pragma once

// Needs: nothing: pure CPU.
//
// The numbers of OBJ lines, read exactly as atof (narrowed to float) and atoi
// (clamped where atoi itself is undefined) read them, only faster: plain decimals
// in one correctly rounded operation, everything else through strtod. The fast
// forms run on a buffer that ends in a 0 byte with kPadding more bytes readable.
// They are static inline: each unit gets its own copy, which the compiler inlines
// at its one call as it would a file-local helper; shared inline functions were left
// as calls, and the reader calls them for every number of a big file.

#include "vornak/internal/ObjSyntax.h"

#include <climits>
#include <cstdint>
#include <cstring>

namespace vornak_engine::obj {

// atof on the token [begin, end), narrowed to float: any spelling strtod takes.
float toFloat(const char* begin, const char* end);

// atoi on [begin, end): white space, sign, digits. Out-of-range values clamp to
// INT_MIN/INT_MAX the way strtol clamps.
int toIndex(const char* begin, const char* end);

// Sign and digits from p, clamped as toIndex; p is left on the first character not taken.
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

inline constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                     1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
inline constexpr double kInversePowers[] = {1e0,   1e-1,  1e-2,  1e-3,  1e-4,  1e-5,  1e-6,  1e-7,
                                            1e-8,  1e-9,  1e-10, 1e-11, 1e-12, 1e-13, 1e-14, 1e-15,
                                            1e-16, 1e-17, 1e-18, 1e-19, 1e-20, 1e-21, 1e-22};
constexpr std::uint64_t kExactMantissa = std::uint64_t(1) << 53;

// m × 10^exponent in one IEEE operation on exact operands: correctly rounded, as
// atof gives it, for m up to 2^53 and a power of ten up to 22.
static inline double scale(std::uint64_t mantissa, int exponent)
{
    const double m = static_cast<double>(mantissa);
    return exponent < 0 ? m / kPowers[-exponent] : m * kPowers[exponent];
}

// scale() narrowed to float, with a multiply where scale() divides. The product is
// within 3 units in the last place of the quotient scale() gives, so it narrows to the
// same float unless it lies that close to a point halfway between two floats; then
// the division decides.
static inline float scaleToFloat(std::uint64_t mantissa, int exponent)
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

// How many decimal digits (up to 8) start at p, and their value, from one 8-byte
// load: no loop and no branch on the length, which varies from number to number.
static inline unsigned leadingDigits(const char* p, std::uint64_t& value)
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
static inline long appendDigits(const char*& q, std::uint64_t& mantissa)
{
    static constexpr std::uint64_t kScale[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
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

// The number starting at p, as toFloat reads it, p left at the token's end. False
// (p unchanged) for what only toFloat reads: hex, inf, nan, long or far-scaled
// numbers, white space before the number.
static inline bool fastFloat(const char*& p, float& out)
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
// slash, blank or newline after it. False for what only toIndex reads: white space
// before the number, nine digits or more (clamping).
static inline bool fastIndex(const char*& p, int& out)
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

} // namespace vornak_engine::obj
