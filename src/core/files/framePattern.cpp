#include "core/files/framePattern.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The end of the integer field that starts at the '%' at p, or nullptr when it is not one.
const char* integerFieldEnd(const char* p)
{
    ++p;
    while (*p == '0' || *p == '-')
        ++p;
    for (int digits = 0; *p >= '0' && *p <= '9'; ++p)
        if (++digits > 3)
            return nullptr;
    return (*p == 'd' || *p == 'i' || *p == 'u') ? p + 1 : nullptr;
}

unsigned decimalWidth(unsigned n)
{
    unsigned width = 1;
    for (; n >= 10; n /= 10)
        ++width;
    return width;
}

} // namespace

FramePattern readFramePattern(const char* pattern)
{
    FramePattern read = {true, false};
    for (const char* p = pattern; *p; ++p) {
        if (*p != '%')
            continue;
        if (p[1] == '%') {
            ++p;
            continue;
        }
        const char* end = integerFieldEnd(p);
        if (!end || read.hasField)
            return FramePattern{false, read.hasField};
        read.hasField = true;
        p = end - 1;
    }
    return read;
}

bool frameFileName(const char* pattern, unsigned frame, unsigned frameCount, char* out, size_t size)
{
    FramePattern read = readFramePattern(pattern);
    if (!read.valid)
        return false;
    std::string name;
    if (read.hasField) {
        int written = snprintf(out, size, pattern, frame);  // the one field checked above
        return written >= 0 && size_t(written) < size;
    }
    // no field: "%%" is a '%' as printf would make it, and the number goes before the extension
    std::string plain;
    for (const char* p = pattern; *p; ++p) {
        plain += *p;
        if (p[0] == '%' && p[1] == '%')
            ++p;
    }
    size_t slash = plain.find_last_of('/');
    size_t base = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = plain.find_last_of('.');
    size_t stem = dot != std::string::npos && dot > base ? dot : plain.size();
    char number[16];
    snprintf(number, sizeof(number), "%0*u", int(decimalWidth(frameCount > 0 ? frameCount - 1 : 0)), frame);
    name = plain.substr(0, stem) + number + plain.substr(stem);
    if (name.size() + 1 > size)
        return false;
    memcpy(out, name.c_str(), name.size() + 1);
    return true;
}
