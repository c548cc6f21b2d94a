// SPDX-License-Identifier: MIT
#include "operations/numericvalue.h"

#include <cctype>
#include <cmath>
#include <locale>
#include <sstream>
#include <string>

namespace operations {

namespace {

// The value of c as a digit, or -1 when it is none in the base.
int digitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    return value < base ? value : -1;
}

bool isDigit(char c, int base) {
    return digitValue(c, base) >= 0;
}

// Digits in base 8 or 16, as many as stand there; their value may exceed any integer type.
double radixValue(const std::string &s, std::size_t i, int base) {
    double value = 0;
    for (; i < s.size() && isDigit(s[i], base); ++i)
        value = value * base + digitValue(s[i], base);
    return value;
}

// The longest prefix of s from i that reads as a decimal number: digits, point, exponent.
std::size_t decimalEnd(const std::string &s, std::size_t i) {
    const auto digits = [&s](std::size_t j) {
        while (j < s.size() && isDigit(s[j], 10))
            ++j;
        return j;
    };
    i = digits(i);
    if (i < s.size() && s[i] == '.')
        i = digits(i + 1);
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        if (j < s.size() && isDigit(s[j], 10))
            i = digits(j);
    }
    return i;
}

} // namespace

double numericValue(const QString &text) {
    std::string s;
    for (QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n'))
            continue;
        // Anything outside ASCII cannot continue a number; keep it as a stop mark.
        s += c.unicode() < 128 ? static_cast<char>(c.unicode()) : '\x7f';
    }
    std::size_t i = 0;
    double sign = 1;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        sign = s[i++] == '-' ? -1 : 1;
    if (i + 1 < s.size() && s[i] == '&') {
        const char radix = static_cast<char>(std::toupper(static_cast<unsigned char>(s[i + 1])));
        if (radix == 'H')
            return sign * radixValue(s, i + 2, 16);
        if (radix == 'O')
            return sign * radixValue(s, i + 2, 8);
        return 0;
    }
    const std::size_t end = decimalEnd(s, i);
    const std::string number = s.substr(i, end - i);
    // Read in the C form whatever the user's locale; an overflow gives the largest double,
    // an underflow 0, and no digits at all ("", ".") 0.
    std::istringstream in(number);
    in.imbue(std::locale::classic());
    double value = 0;
    in >> value;
    return sign * value;
}

std::optional<std::int16_t> roundedInt16(double value) {
    // -32768.5 rounds to the even -32768; 32767.5 to 32768, which does not fit.
    if (!(value >= -32768.5 && value < 32767.5))
        return std::nullopt;
    return static_cast<std::int16_t>(std::nearbyint(value));
}

} // namespace operations
