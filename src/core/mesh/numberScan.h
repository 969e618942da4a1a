#pragma once
// Number conversion for OBJ records, with the results of sscanf's "%f" and "%i".

#include <cstdint>

// Scans up to `count` (at most 6) floats from the text, which ends at its first zero byte or
// newline, with the semantics of sscanf and the format "%f %f %f %f %f %f" cut to `count`
// conversions on that text. Returns how many were converted (0 when none); the others are left untouched. Plain
// decimals take a fast exact path; anything else (inf, nan, hexadecimal, more than 19 digits, a
// rounding tie) goes to sscanf itself, on a copy of the text when it ends at a newline.
int scanFloats(const char* text, float* values, int count);

enum class IndexScan {
    ok,
    missing,   // no digits where an index was expected
    tooLarge,  // outside the range of int
};

// Reads one index as "%i" does: leading white space, an optional sign, then hexadecimal after
// 0x or 0X, octal after a leading 0, decimal otherwise. Never wraps: a value outside int is
// tooLarge. Returns the position after the digits (text itself when missing).
const char* scanIndexGeneral(const char* text, IndexScan& status, int& value);

// The same as scanIndexGeneral, with the common case, a short positive decimal of at most nine
// digits after spaces, read inline.
inline const char* scanIndex(const char* text, IndexScan& status, int& value)
{
    const char* p = text;
    while (*p == ' ')
        ++p;
    if (*p >= '1' && *p <= '9') {
        int magnitude = *p++ - '0';
        for (int digits = 1; digits < 9 && *p >= '0' && *p <= '9'; ++digits)
            magnitude = magnitude * 10 + (*p++ - '0');
        if (!(*p >= '0' && *p <= '9')) {
            status = IndexScan::ok;
            value = magnitude;
            return p;
        }
    }
    return scanIndexGeneral(text, status, value);
}
