// io_convert_test.cpp - number <-> text conversions and substrings.
#include <cfloat>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

#include "engine/io/convert.h"

namespace {

struct IntCase {
    const char* text;
    int expected;
};

TEST(IoConvert, StringToIntTable) {
    const IntCase cases[] = {
        /* 1*/ {"-42", -42},
        /* 2*/ {"$ff", 255},
        /* 3*/ {"$FF", 255},
        /* 4*/ {"%101", 5},
        /* 5*/ {"+", 0},
        /* 6*/ {"-", 0},
        /* 7*/ {"  12 ", 12},
        /* 8*/ {"12abc", 12},
        /* 9*/ {"abc", 0},
        /*10*/ {" 7", 7},
        /*11*/ {"3.9", 3},
        /*12*/ {"", 0},
        /*13*/ {" \t\n\v\f\r", 0},
        /*14*/ {"\t\r\n-8", -8},
        /*15*/ {"+17", 17},
        /*16*/ {"-$10", -16},
        /*17*/ {"%", 0},
        /*18*/ {"$", 0},
        /*19*/ {"%1021", 2}, // stops at the first non-binary digit
        /*20*/ {"$1g", 1},   // stops at the first non-hex digit
        /*21*/ {"- 5", 0},   // no blanks after the sign
        /*22*/ {"--5", 0},   // one sign only
        /*23*/ {"2147483647", INT_MAX},
        /*24*/ {"2147483648", INT_MIN}, // wraps at 32 bits
        /*25*/ {"-2147483648", INT_MIN},
        /*26*/ {"4294967296", 0}, // 2^32 wraps to 0
        /*27*/ {"4294967297", 1},
        /*28*/ {"$FFFFFFFF", -1},
        /*29*/ {"$100000001", 1},                    // bits above 32 fall away
        /*30*/ {"99999999999999999999", 1661992959}, // 10^20 mod 2^32
        /*31*/ {"0012", 12},
        /*32*/ {"1e3", 1},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(stringToInt(cases[i].text), cases[i].expected)
            << "case " << i + 1 << " '" << cases[i].text << "'";
}

TEST(IoConvert, StringToIntStopsAtEmbeddedNul) {
    EXPECT_EQ(stringToInt(std::string("12\0"
                                      "34",
                                      5)),
              12);
}

TEST(IoConvert, StringToFloatTable) {
    EXPECT_EQ(stringToFloat("1.5"), 1.5f);
    EXPECT_EQ(stringToFloat("  -2.25xyz"), -2.25f);
    EXPECT_EQ(stringToFloat("1e3"), 1000.0f);
    EXPECT_EQ(stringToFloat(".5"), 0.5f);
    EXPECT_EQ(stringToFloat("+7."), 7.0f);
    EXPECT_EQ(stringToFloat("abc"), 0.0f);
    EXPECT_EQ(stringToFloat(""), 0.0f);
    EXPECT_EQ(stringToFloat("1,5"), 1.0f); // the comma is no decimal point
    EXPECT_EQ(stringToFloat("0.100000001"), 0.1f);
    EXPECT_TRUE(std::isinf(stringToFloat("1e300"))); // too big for a float
}

TEST(IoConvert, StringToFloatReadsOnlyTheDecimalForm) {
    const struct {
        const char* text;
        float value;
    } cases[] = {
        {"0x20", 0.0f},       // 1: hexadecimal stops after the 0
        {"0X1p3", 0.0f},      // 2: hexadecimal with a binary exponent
        {"inf", 0.0f},        // 3
        {"-Infinity", 0.0f},  // 4
        {"nan", 0.0f},        // 5
        {"NAN(1)", 0.0f},     // 6
        {" +.e5", 0.0f},      // 7: no digit at all
        {"2e", 2.0f},         // 8: an exponent without digits is not part of it
        {"2.5E+x", 2.5f},     // 9
        {"-2.5e-1z", -0.25f}, // 10
        {"3.2\n", 3.2f},      // 11: a settings line
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(stringToFloat(cases[i].text), cases[i].value) << "case " << i + 1;
}

TEST(IoConvert, FloatToStringExamples) {
    EXPECT_EQ(floatToString(1.0f), "1.00000000");
    EXPECT_EQ(floatToString(1.5f), "1.50000000");
    EXPECT_EQ(floatToString(2.5f), "2.50000000");
    EXPECT_EQ(floatToString(3.0f), "3.00000000");
    EXPECT_EQ(floatToString(0.1f), "0.100000001");
    EXPECT_EQ(floatToString(1e10f), "1.00000000e+10");
    EXPECT_EQ(floatToString(-0.25f), "-0.250000000");
    EXPECT_EQ(floatToString(0.0f), "0.00000000");
    EXPECT_EQ(floatToString(1e-5f), "9.99999975e-06");
    EXPECT_EQ(stringToFloat(floatToString(1.5f)), 1.5f);
}

// Nine significant digits identify every float, so the text reads back exactly.
TEST(IoConvert, FloatTextRoundTrip) {
    const float samples[] = {0.1f,        1.0f / 3.0f, 2.5f,    3.2f,    -7.125f,
                             1e-20f,      3.4e38f,     FLT_MIN, FLT_MAX, FLT_TRUE_MIN,
                             16777217.0f, 123456.789f, -0.0f};
    for (float f : samples)
        EXPECT_EQ(stringToFloat(floatToString(f)), f) << floatToString(f);
    uint32_t bits = 0x3f800000; // walk a spread of bit patterns across the range
    for (int i = 0; i < 2000; ++i, bits += 0x00123457) {
        float f;
        uint32_t b = bits & 0x7f7fffff; // finite only
        std::memcpy(&f, &b, 4);
        EXPECT_EQ(stringToFloat(floatToString(f)), f) << floatToString(f);
    }
}

// A user locale with a decimal comma must not leak into the game's files.
TEST(IoConvert, IgnoresProcessLocale) {
    const char* names[] = {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE.utf8", "fr_FR.utf8"};
    std::string old = std::setlocale(LC_ALL, nullptr);
    const char* set = nullptr;
    for (const char* n : names)
        if ((set = std::setlocale(LC_ALL, n)) != nullptr) break;
    if (set == nullptr) GTEST_SKIP() << "no decimal-comma locale installed";
    const std::string printed = floatToString(2.5f);
    const float parsed = stringToFloat("2.5");
    std::setlocale(LC_ALL, old.c_str());
    EXPECT_EQ(printed, "2.50000000");
    EXPECT_EQ(parsed, 2.5f);
}

TEST(IoConvert, IntToString) {
    EXPECT_EQ(intToString(0), "0");
    EXPECT_EQ(intToString(42), "42");
    EXPECT_EQ(intToString(-7), "-7");
    EXPECT_EQ(intToString(INT_MIN), "-2147483648");
    EXPECT_EQ(intToString(INT_MAX), "2147483647");
    for (int v : {-1000000, -1, 5600, 2147483000})
        EXPECT_EQ(stringToInt(intToString(v)), v);
}

TEST(IoConvert, FloatToIntTruncatesAndClamps) {
    EXPECT_EQ(floatToInt(2.9), 2);
    EXPECT_EQ(floatToInt(-2.9), -2);
    EXPECT_EQ(floatToInt(-0.5), 0);
    EXPECT_EQ(floatToInt(0.999999), 0);
    EXPECT_EQ(floatToInt(2147483647.9), INT_MAX);
    EXPECT_EQ(floatToInt(-2147483648.9), INT_MIN);
    // Outside int or not a number: defined results instead of undefined behaviour.
    EXPECT_EQ(floatToInt(2147483648.0), INT_MAX);
    EXPECT_EQ(floatToInt(1e300), INT_MAX);
    EXPECT_EQ(floatToInt(std::numeric_limits<double>::infinity()), INT_MAX);
    EXPECT_EQ(floatToInt(-2147483649.0), INT_MIN);
    EXPECT_EQ(floatToInt(-std::numeric_limits<double>::infinity()), INT_MIN);
    EXPECT_EQ(floatToInt(std::nan("")), 0);
}

struct SubCase {
    int position, length;
    const char* expected;
};

TEST(IoConvert, SubStringTable) {
    const std::string text = "abcde";
    const SubCase cases[] = {
        /* 1*/ {2, 3, "bcd"},
        /* 2*/ {4, -1, "de"},
        /* 3*/ {6, -1, ""},
        /* 4*/ {6, 2, ""},
        /* 5*/ {1, 5, "abcde"},
        /* 6*/ {1, 99, "abcde"},
        /* 7*/ {3, 0, ""},
        /* 8*/ {0, 2, "a"}, // the length shrinks by the part before the text
        /* 9*/ {-1, 4, "ab"},
        /*10*/ {-5, 3, ""},
        /*11*/ {0, -1, "abcde"}, // before the start, no length: the whole text
        /*12*/ {5, 1, "e"},
        /*13*/ {INT_MIN, INT_MAX, ""},
        /*14*/ {2, INT_MAX, "bcde"},
        /*15*/ {INT_MAX, 1, ""},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(subString(text, cases[i].position, cases[i].length), cases[i].expected)
            << "case " << i + 1;
    EXPECT_EQ(subString(text, 2), "bcde"); // the default length runs to the end
}

TEST(IoConvert, LeftStringAndScrollerRotation) {
    const std::string text = "abcde";
    EXPECT_EQ(leftString(text, 9), "abcde");
    EXPECT_EQ(leftString(text, 2), "ab");
    EXPECT_EQ(leftString(text, 0), "");
    EXPECT_EQ(leftString(text, -3), "");
    EXPECT_EQ(leftString("", 3), "");
    const int len = static_cast<int>(text.size());
    EXPECT_EQ(subString(text, 2, len - 1) + leftString(text, 1), "bcdea");
}

} // namespace
