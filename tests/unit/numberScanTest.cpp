#include "core/mesh/numberScan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace {

// Compares scanFloats with sscanf on the same text, bit for bit.
void expectSameAsSscanf(const std::string& text)
{
    float expected[3] = {-7, -7, -7}, got[3] = {-7, -7, -7};
    int expectedCount = sscanf(text.c_str(), "%f %f %f", &expected[0], &expected[1], &expected[2]);
    if (expectedCount < 0)
        expectedCount = 0;
    int count = scanFloats(text.c_str(), got, 3);
    ASSERT_EQ(count, expectedCount) << "text: [" << text << "]";
    for (int i = 0; i < 3; ++i) {
        uint32_t a, b;
        memcpy(&a, &expected[i], 4);
        memcpy(&b, &got[i], 4);
        if (std::isnan(expected[i]))
            EXPECT_TRUE(std::isnan(got[i])) << "text: [" << text << "]";
        else
            EXPECT_EQ(a, b) << "text: [" << text << "] component " << i;
    }
}

std::string randomDecimal(std::mt19937& rng)
{
    std::string s;
    if (rng() % 3 == 0)
        s += (rng() % 2) ? '-' : '+';
    int intDigits = int(rng() % 8), fracDigits = int(rng() % 12);
    for (int i = 0; i < intDigits; ++i)
        s += char('0' + rng() % 10);
    if (fracDigits > 0 || intDigits == 0) {
        s += '.';
        for (int i = 0; i < fracDigits + (intDigits == 0); ++i)
            s += char('0' + rng() % 10);
    }
    if (rng() % 5 == 0)
        s += "e" + std::to_string(int(rng() % 60) - 30);
    return s;
}

} // namespace

TEST(ScanFloats, MatchesSscanfOnRandomDecimals)
{
    std::mt19937 rng(1234);
    for (int i = 0; i < 200000; ++i)
        expectSameAsSscanf(randomDecimal(rng) + " " + randomDecimal(rng) + "\t" + randomDecimal(rng) + "\r\n");
}

TEST(ScanFloats, MatchesSscanfOnExactFloatsAndTies)
{
    std::mt19937 rng(99);
    char text[64];
    for (int i = 0; i < 100000; ++i) {
        uint32_t bits = rng();
        float f;
        memcpy(&f, &bits, 4);
        if (!std::isfinite(f))
            continue;
        snprintf(text, sizeof(text), "%.9g", double(f));
        expectSameAsSscanf(text);
        // the halfway point between f and its neighbour, written out exactly
        double tie = (double(f) + double(std::nextafter(f, INFINITY))) / 2;
        snprintf(text, sizeof(text), "%.17g", tie);
        expectSameAsSscanf(text);
    }
}

TEST(ScanFloats, MatchesSscanfOnUnusualText)
{
    const char* cases[] = {
        // special values and forms the fast path hands over
        "inf -inf nan", "INFINITY 1 2", "0x1p3 0x1.8p1 -0x10", "1e999 -1e999 1e-999",
        "123456789012345678901234567890 1 2", "0.000000000000000000000000000000001 2 3",
        "1.5e 2 3", "1.5e+ 2", "1e5x 2 3", ".5 -.5 +.5", ". 1 2", "- 1 2", "1.5-2.5+3", "1,5 2 3",
        // fewer numbers, signs, zeros, white space
        "", "   ", "\r\n", "1", "1 2", "-0 -0.0 +0", "1\t\v\f2\r3", "   4   5   6   7", "abc", "1 abc 3",
        "00000000000000000000001.5 2 3", "9007199254740993 16777217 0.1",
        "3.4028235e38 3.4028236e38 1.17549435e-38", "1e-45 1e-46 7e-46",
    };
    for (const char* text : cases)
        expectSameAsSscanf(text);
}

TEST(ScanFloats, ConvertsOnlyAsManyAsAsked)
{
    float v[3] = {-1, -1, -1};
    EXPECT_EQ(scanFloats("0.25 0.75 9", v, 2), 2);
    EXPECT_EQ(v[0], 0.25f);
    EXPECT_EQ(v[1], 0.75f);
    EXPECT_EQ(v[2], -1.0f);
    EXPECT_EQ(scanFloats("7", v, 3), 1);
    EXPECT_EQ(v[0], 7.0f);
    EXPECT_EQ(v[1], 0.75f);  // untouched
}

TEST(ScanIndex, ReadsDecimalOctalAndHex)
{
    struct Case {
        const char* text;
        int value;
        size_t used;
    } cases[] = {
        {"12/", 12, 2}, {"010", 8, 3}, {"0x1F", 31, 4}, {"0X10 ", 16, 4}, {"-3", -3, 2}, {"+7", 7, 2},
        {"  \t5", 5, 4}, {"0", 0, 1}, {"09", 0, 1}, {"-0x10", -16, 5}, {"0xg", 0, 1}, {"2147483647", 2147483647, 10},
        {"-2147483648", -2147483647 - 1, 11}, {"017777777777", 2147483647, 12},
    };
    for (const Case& c : cases) {
        IndexScan status;
        int value = -99;
        const char* end = scanIndex(c.text, status, value);
        EXPECT_EQ(status, IndexScan::ok) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(size_t(end - c.text), c.used) << c.text;
        // sscanf's %i agrees wherever the value fits an int
        int reference = -99;
        ASSERT_EQ(sscanf(c.text, "%i", &reference), 1) << c.text;
        EXPECT_EQ(reference, c.value) << c.text;
    }
}

TEST(ScanIndex, RefusesMissingAndTooLarge)
{
    IndexScan status;
    int value = 0;
    for (const char* text : {"", " ", "/", "-", "x", "+/"}) {
        EXPECT_EQ(scanIndex(text, status, value), text);
        EXPECT_EQ(status, IndexScan::missing) << text;
    }
    // never wraps: 2^31, 2^32 + 1 and longer are too large
    for (const char* text : {"2147483648", "-2147483649", "4294967297", "0x80000000", "99999999999999999999999"}) {
        scanIndex(text, status, value);
        EXPECT_EQ(status, IndexScan::tooLarge) << text;
    }
}
