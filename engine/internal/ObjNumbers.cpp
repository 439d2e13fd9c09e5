#include "vornak/internal/ObjNumbers.h"

#include <cstdlib>

namespace vornak_engine::obj {

namespace {

float slowFloat(const char* begin, const char* end)
{
    char token[kLineBuffer];
    const std::size_t length = static_cast<std::size_t>(end - begin);
    std::memcpy(token, begin, length);
    token[length] = '\0';
    return static_cast<float>(std::strtod(token, nullptr));
}

} // namespace

// Plain decimals exactly in one operation, everything else through strtod itself.
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

int toIndex(const char* begin, const char* end)
{
    while (begin < end && (isSeparator(*begin) || isInnerSpace(*begin)))
        ++begin;
    return digitsToInt(begin, end);
}

} // namespace vornak_engine::obj
