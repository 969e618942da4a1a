#include "core/mesh/numberScan.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

const double powersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                              1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

const float floatPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

// Converts one plain decimal ([+-]digits[.digits][(e|E)[+-]digits], followed by white space or
// the end) exactly as strtof would. Returns the end of the number, or nullptr when the text is
// not such a decimal or the fast path cannot prove its result.
const char* scanPlainDecimal(const char* p, float& value)
{
    bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;

    // up to 19 digits fit in 64 bits; leading zeros count too, so longer ones go to sscanf
    uint64_t mantissa = 0;
    const char* digitsStart = p;
    for (; isDigit(*p); ++p)
        mantissa = mantissa * 10 + uint64_t(*p - '0');
    int integerDigits = int(p - digitsStart);
    int decimalExponent = 0;
    if (*p == '.') {
        const char* fractionStart = ++p;
        for (; isDigit(*p); ++p)
            mantissa = mantissa * 10 + uint64_t(*p - '0');
        decimalExponent = -int(p - fractionStart);
    }
    int digits = integerDigits - decimalExponent;
    if (digits == 0 || digits > 19)
        return nullptr;
    if (*p == 'e' || *p == 'E') {
        ++p;
        bool negativeExponent = *p == '-';
        if (*p == '-' || *p == '+')
            ++p;
        if (!isDigit(*p))
            return nullptr;
        int exponent = 0;
        for (; isDigit(*p); ++p)
            if (exponent < 10000)
                exponent = exponent * 10 + (*p - '0');
        decimalExponent += negativeExponent ? -exponent : exponent;
    }
    if (*p != '\0' && !isSpace(*p))
        return nullptr;

    if (mantissa == 0) {
        value = negative ? -0.0f : 0.0f;
        return p;
    }
    // m < 2^24 and |e| <= 10: m and 10^|e| are exact floats, so one float operation rounds the
    // decimal correctly, with no double rounding
    if (mantissa <= (uint64_t(1) << 24) && decimalExponent >= -10 && decimalExponent <= 10) {
        float f = decimalExponent < 0 ? float(mantissa) / floatPowersOfTen[-decimalExponent]
                                      : float(mantissa) * floatPowersOfTen[decimalExponent];
        value = negative ? -f : f;
        return p;
    }
    // m < 2^53 and |e| <= 22: m and 10^|e| are exact doubles, so one multiply or divide is
    // the correctly rounded double of the decimal
    if (mantissa > (uint64_t(1) << 53) || decimalExponent < -22 || decimalExponent > 22)
        return nullptr;
    double d = decimalExponent < 0 ? double(mantissa) / powersOfTen[-decimalExponent]
                                   : double(mantissa) * powersOfTen[decimalExponent];
    // rounding the double to float again is exact unless the double sits on a float tie
    // (every result here is a normal float: 1e-22 <= d < 1e38)
    uint64_t bits;
    memcpy(&bits, &d, sizeof(bits));
    const uint64_t lowBits = (uint64_t(1) << 29) - 1;
    if ((bits & lowBits) == (uint64_t(1) << 28))
        return nullptr;
    float f = float(d);
    value = negative ? -f : f;
    return p;
}

int scanFloatsWithSscanf(const char* text, float* values, int count)
{
    // sscanf reads past a newline: give it the line alone
    std::string line;
    size_t length = strcspn(text, "\n");
    if (text[length] == '\n') {
        line.assign(text, length);
        text = line.c_str();
    }
    static const char* const formats[] = {"",          "%f",          "%f %f",         "%f %f %f",
                                          "%f %f %f %f", "%f %f %f %f %f", "%f %f %f %f %f %f"};
    float scanned[6];
    // the pointers past the format's conversions are not read
    int converted = sscanf(text, formats[count], &scanned[0], &scanned[1], &scanned[2], &scanned[3], &scanned[4],
                           &scanned[5]);
    if (converted < 0)
        converted = 0;
    for (int i = 0; i < converted; ++i)
        values[i] = scanned[i];
    return converted;
}

} // namespace

int scanFloats(const char* text, float* values, int count)
{
    float scanned[6];
    const char* p = text;
    for (int i = 0; i < count; ++i) {
        while (*p != '\n' && isSpace(*p))
            ++p;
        if (*p == '\0' || *p == '\n') {
            for (int k = 0; k < i; ++k)
                values[k] = scanned[k];
            return i;
        }
        p = scanPlainDecimal(p, scanned[i]);
        if (!p)
            return scanFloatsWithSscanf(text, values, count);
    }
    for (int k = 0; k < count; ++k)
        values[k] = scanned[k];
    return count;
}

const char* scanIndexGeneral(const char* text, IndexScan& status, int& value)
{
    const char* p = text;
    while (isSpace(*p))
        ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;

    unsigned base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') &&
        (isDigit(p[2]) || (p[2] >= 'a' && p[2] <= 'f') || (p[2] >= 'A' && p[2] <= 'F'))) {
        base = 16;
        p += 2;
    } else if (p[0] == '0') {
        base = 8;
    }

    const uint64_t limit = uint64_t(INT_MAX) + 1;  // |INT_MIN|
    uint64_t magnitude = 0;
    const char* digitsStart = p;
    for (;; ++p) {
        unsigned digit;
        if (isDigit(*p))
            digit = unsigned(*p - '0');
        else if (*p >= 'a' && *p <= 'f')
            digit = unsigned(*p - 'a' + 10);
        else if (*p >= 'A' && *p <= 'F')
            digit = unsigned(*p - 'A' + 10);
        else
            break;
        if (digit >= base)
            break;
        if (magnitude <= limit)  // saturate: anything past the limit is too large anyway
            magnitude = magnitude * base + digit;
    }
    if (p == digitsStart) {
        status = IndexScan::missing;
        return text;
    }
    if (magnitude > (negative ? limit : limit - 1)) {
        status = IndexScan::tooLarge;
        return p;
    }
    status = IndexScan::ok;
    value = negative ? int(-int64_t(magnitude)) : int(magnitude);
    return p;
}
