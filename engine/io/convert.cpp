// convert.cpp - number <-> text conversions and substrings.
//
//   stringToInt("$ff") == 255; floatToString(1.5f) == "1.50000000";
//   stringToFloat(floatToString(x)) == x for every finite float x.
//
// Everything here ignores the process locale: the settings file written on
// one machine must read back the same on any other.
#include "engine/io/convert.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace {

locale_t cLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

int stringToInt(const std::string& text) {
    size_t i = 0, n = text.size();
    while (i < n && isBlank(text[i]))
        ++i;
    if (i == n) return 0;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
    if (i == n) return 0;

    // Unsigned arithmetic wraps at 32 bits without undefined behaviour.
    uint32_t value = 0;
    if (text[i] == '%') {
        for (++i; i < n && (text[i] == '0' || text[i] == '1'); ++i)
            value = value * 2u + static_cast<uint32_t>(text[i] - '0');
    } else if (text[i] == '$') {
        for (++i; i < n && hexDigit(text[i]) >= 0; ++i)
            value = value * 16u + static_cast<uint32_t>(hexDigit(text[i]));
    } else {
        for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i)
            value = value * 10u + static_cast<uint32_t>(text[i] - '0');
    }
    if (negative) value = 0u - value;
    return static_cast<int>(value); // two's complement reinterpretation (C++20)
}

float stringToFloat(const std::string& text) {
    // Only the decimal form: strtod alone would also take hexadecimal, "inf"
    // and "nan", so the longest decimal prefix is cut out first. c_str()
    // stops at an embedded NUL, which ends the number like any other non-digit.
    const char* p = text.c_str();
    while (isBlank(*p))
        ++p;
    const char* start = p;
    if (*p == '+' || *p == '-') ++p;
    const auto digits = [&p] {
        const char* from = p;
        while (*p >= '0' && *p <= '9')
            ++p;
        return p - from;
    };
    auto count = digits();
    if (*p == '.') {
        ++p;
        count += digits();
    }
    if (count == 0) return 0.0f;
    if (*p == 'e' || *p == 'E') {
        const char* mantissaEnd = p;
        ++p;
        if (*p == '+' || *p == '-') ++p;
        if (digits() == 0) p = mantissaEnd;
    }
    const std::string number(start, p);
    return static_cast<float>(strtod_l(number.c_str(), nullptr, cLocale()));
}

std::string intToString(int value) {
    return std::to_string(value);
}

std::string floatToString(float value) {
    char buf[64];
    locale_t previous = uselocale(cLocale());
    std::snprintf(buf, sizeof buf, "%#.9g", static_cast<double>(value));
    uselocale(previous);
    return buf;
}

int floatToInt(double value) {
    // Truncation of NaN or of a value outside int is undefined in C++; pin them down.
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0) return INT_MAX;
    if (value <= -2147483649.0) return INT_MIN;
    return static_cast<int>(value);
}

std::string subString(const std::string& text, int position, int length) {
    const int64_t len = static_cast<int64_t>(text.size());
    int64_t p = static_cast<int64_t>(position) - 1;
    if (p >= len) return {};
    int64_t end = len;
    if (length >= 0) {
        int64_t count = length;
        if (p < 0) {
            count += p;
            p = 0;
        }
        end = std::min(p + count, len);
    } else if (p < 0) {
        p = 0; // a position before the first character reads from the start
    }
    if (end <= p) return {};
    return text.substr(static_cast<size_t>(p), static_cast<size_t>(end - p));
}

std::string leftString(const std::string& text, int count) {
    if (count <= 0) return {};
    return text.substr(0, std::min(static_cast<size_t>(count), text.size()));
}
