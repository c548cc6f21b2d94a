// SPDX-License-Identifier: MIT
#include "gpibsim/pyformat/pythonformat.h"

#include "gpibsim/pyformat/presentation.h"
#include "gpibsim/text/text.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace gpibsim::pyformat {

namespace {

constexpr std::string_view kIntegerCodes = "bcdoxXn";

bool isOneOf(char code, std::string_view codes) {
    return code != 0 && codes.find(code) != std::string_view::npos;
}

// Digits, exponents, inf and nan in capitals, without the C locale's lookup.
void toUpper(std::string &text) {
    for (char &c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
}

// Characters, not bytes, of UTF-8 text: what Python's widths and precisions count.
std::size_t characterCount(std::string_view text) {
    return static_cast<std::size_t>(std::ranges::count_if(
        text, [](char c) { return !isContinuation(c); }));
}

// The digits at `at`, as a width or a precision.
std::optional<int> readNumber(std::string_view text, std::size_t &at) {
    const std::size_t first = at;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])))
        ++at;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data() + first, text.data() + at, value);
    if (first == at || error != std::errc())
        return std::nullopt;
    return value;
}

std::string repeated(const std::string &fill, std::size_t count) {
    std::string text;
    text.reserve(fill.size() * count);
    for (std::size_t i = 0; i < count; ++i)
        text += fill;
    return text;
}

std::string padded(std::string text, const FormatSpec &spec, char align) {
    const std::size_t length = characterCount(text);
    const auto width = static_cast<std::size_t>(spec.width);
    if (length >= width)
        return text;
    const std::size_t missing = width - length;
    const std::size_t before = align == '>' ? missing : align == '^' ? missing / 2 : 0;
    return repeated(spec.fill, before) + text + repeated(spec.fill, missing - before);
}

// A number cut where Python's alignment and grouping need it.
struct Number {
    bool negative = false;
    std::string prefix{}; // 0x, 0o, 0b
    std::string digits{}; // the integer part
    std::string rest{};   // point, fraction, exponent and '%'; or inf, nan; or a character
    std::size_t groupSize = 3;
};

std::string grouped(const std::string &digits, char separator, std::size_t size) {
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % size == 0)
            text += separator;
        text += digits[i];
    }
    return text;
}

// Zero padding with grouping pads with grouped zeros, as far as the width asks.
std::string assembled(Number number, const FormatSpec &spec) {
    const std::string sign = number.negative    ? "-"
                             : spec.sign == '+' ? "+"
                             : spec.sign == ' ' ? " "
                                                : "";
    const char align = spec.align != 0 ? spec.align : spec.zeroPadded ? '=' : '>';
    if (spec.grouping != 0 && !number.digits.empty()) {
        const std::size_t around = sign.size() + number.prefix.size() + number.rest.size();
        const bool zeroFilled = align == '=' && spec.fill == "0";
        const std::size_t least =
            zeroFilled && static_cast<std::size_t>(spec.width) > around ? spec.width - around : 0;
        std::string digits = grouped(number.digits, spec.grouping, number.groupSize);
        while (digits.size() < least) {
            number.digits.insert(0, 1, '0');
            digits = grouped(number.digits, spec.grouping, number.groupSize);
        }
        number.digits = std::move(digits);
    }
    if (align != '=')
        return padded(sign + number.prefix + number.digits + number.rest, spec, align);
    const std::string body = number.digits + number.rest;
    const std::size_t length = sign.size() + number.prefix.size() + characterCount(body);
    const auto width = static_cast<std::size_t>(spec.width);
    return sign + number.prefix + repeated(spec.fill, width > length ? width - length : 0) + body;
}

Number integerNumber(std::int64_t value, const FormatSpec &spec) {
    const IntegerType *named = integerType(spec.type);
    // c and n write decimal digits here, as d does.
    const IntegerType &type = named != nullptr ? *named : *integerType('d');
    const int base = type.base;
    const std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, magnitude, base);
    Number number{.negative = value < 0,
                  .digits = std::string(buffer, end),
                  .groupSize = base == 10 ? 3u : 4u};
    if (type.code == 'X')
        toUpper(number.digits);
    if (spec.alternate && base != 10)
        number.prefix = std::string("0") + type.code;
    return number;
}

// The character of a code point in UTF-8; nothing outside Unicode or for a surrogate.
std::optional<std::string> character(std::int64_t code) {
    if (code < 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return std::nullopt;
    const auto point = static_cast<std::uint32_t>(code);
    std::string text;
    if (point < 0x80) {
        text += static_cast<char>(point);
    } else if (point < 0x800) {
        text += static_cast<char>(0xC0 | point >> 6);
        text += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        text += static_cast<char>(0xE0 | point >> 12);
        text += static_cast<char>(0x80 | (point >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | point >> 18);
        text += static_cast<char>(0x80 | (point >> 12 & 0x3F));
        text += static_cast<char>(0x80 | (point >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (point & 0x3F));
    }
    return text;
}

std::string exponentText(int exponent) {
    return fmt::format("e{}{:02}", exponent < 0 ? '-' : '+', std::abs(exponent));
}

// A magnitude with no type code, as Python writes it: repr() without a precision; with one, like
// 'g' but switching to an exponent one place earlier. Either way a fixed form keeps a digit
// after the point.
std::string pointedGeneral(double magnitude, std::optional<int> precision, bool alternate) {
    std::string scientific;
    if (precision) {
        scientific = fmt::format("{:.{}e}", magnitude, std::max(*precision, 1) - 1);
    } else {
        char buffer[32];
        const auto [end, error] =
            std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
        scientific.assign(buffer, end);
    }
    const std::size_t e = scientific.find('e');
    std::string digits = scientific.substr(0, e);
    std::erase(digits, '.');
    const std::string_view exponent = std::string_view(scientific).substr(e + 1);
    int point = 0;
    std::from_chars(exponent.data() + (exponent.front() == '+' ? 1 : 0),
                    exponent.data() + exponent.size(), point);
    ++point;
    if (!(alternate && precision))
        while (digits.size() > 1 && digits.back() == '0')
            digits.pop_back();

    const int lastFixed = precision ? std::max(*precision, 1) - 1 : 16;
    if (point <= -4 || point > lastFixed) {
        std::string mantissa = digits.substr(0, 1);
        if (digits.size() > 1 || alternate)
            mantissa += '.' + digits.substr(1);
        return mantissa + exponentText(point - 1);
    }
    if (point <= 0)
        return "0." + std::string(static_cast<std::size_t>(-point), '0') + digits;
    const auto whole = static_cast<std::size_t>(point);
    if (whole >= digits.size())
        return digits + std::string(whole - digits.size(), '0') + ".0";
    return digits.substr(0, whole) + '.' + digits.substr(whole);
}

std::string withoutTrailingZeros(std::string digits) {
    if (digits.find('.') == std::string::npos)
        return digits;
    while (digits.back() == '0')
        digits.pop_back();
    if (digits.back() == '.')
        digits.pop_back();
    return digits;
}

// Python's 'g': `precision` significant digits, fixed while the exponent after rounding lies in
// -4 .. precision - 1, else with an exponent; trailing zeros go, unless alternate, which keeps
// them and the point. fmt's alternate form keeps one more zero than Python's ("65.0" for 65.).
std::string general(double magnitude, int precision, bool alternate) {
    precision = std::max(precision, 1);
    const std::string scientific = fmt::format("{:.{}e}", magnitude, precision - 1);
    const std::size_t e = scientific.find('e');
    const int exponent = std::stoi(scientific.substr(e + 1));
    if (exponent < -4 || exponent >= precision) {
        std::string mantissa = scientific.substr(0, e);
        if (alternate && mantissa.find('.') == std::string::npos)
            mantissa += '.';
        return (alternate ? mantissa : withoutTrailingZeros(mantissa)) + exponentText(exponent);
    }
    const int decimals = precision - 1 - exponent;
    if (alternate)
        return fmt::format("{:#.{}f}", magnitude, decimals);
    return withoutTrailingZeros(fmt::format("{:.{}f}", magnitude, decimals));
}

std::string typedFloat(double magnitude, char type, int precision, bool alternate) {
    switch (type) {
    case 'e':
        return alternate ? fmt::format("{:#.{}e}", magnitude, precision)
                         : fmt::format("{:.{}e}", magnitude, precision);
    case 'g':
        return general(magnitude, precision, alternate);
    default:
        return alternate ? fmt::format("{:#.{}f}", magnitude, precision)
                         : fmt::format("{:.{}f}", magnitude, precision);
    }
}

Number floatNumber(double value, const FormatSpec &spec) {
    const char type = spec.type == 'n' ? 'g' : spec.type;
    double magnitude = std::abs(value);
    if (type == '%')
        magnitude *= 100;
    std::string text;
    if (std::isnan(magnitude))
        text = "nan";
    else if (std::isinf(magnitude))
        text = "inf";
    else if (type == 0)
        text = pointedGeneral(magnitude, spec.precision, spec.alternate);
    else
        text = typedFloat(magnitude, static_cast<char>(std::tolower(type)),
                          spec.precision.value_or(6), spec.alternate);
    if (type == 'E' || type == 'F' || type == 'G')
        toUpper(text);

    Number number{.negative = std::signbit(value) && !std::isnan(value)};
    const bool finite = std::isfinite(magnitude);
    const std::string_view mantissa = std::string_view(text).substr(0, text.find_first_of("eE"));
    if (spec.noNegativeZero && finite && mantissa.find_first_of("123456789") == mantissa.npos)
        number.negative = false;
    const std::size_t integerEnd = finite ? text.find_first_not_of("0123456789") : 0;
    number.digits = text.substr(0, integerEnd);
    number.rest = integerEnd == std::string::npos ? "" : text.substr(integerEnd);
    if (type == '%')
        number.rest += '%';
    return number;
}

std::string unknownCode(char code, ValueType type) {
    return fmt::format("unknown format code '{}' for a {} value", code, typeName(type));
}

std::string notAllowed(std::string_view what, ValueType type) {
    return fmt::format("{} not allowed with a {} value", what, typeName(type));
}

} // namespace

ParsedSpec parseFormatSpec(std::string_view text) {
    ParsedSpec parsed;
    FormatSpec &spec = parsed.spec;
    std::size_t at = 0;
    const auto next = [&] {
        return at < text.size() ? text[at] : '\0';
    };
    const std::size_t fill = firstCharacter(text);
    const bool fillGiven = fill < text.size() && isAlign(text[fill]);
    if (fillGiven) {
        spec.fill = text.substr(0, fill);
        spec.align = text[fill];
        at = fill + 1;
    } else if (isAlign(next())) {
        spec.align = text[at++];
    }
    if (next() == '+' || next() == '-' || next() == ' ')
        spec.sign = text[at++];
    if (next() == 'z') {
        spec.noNegativeZero = true;
        ++at;
    }
    if (next() == '#') {
        spec.alternate = true;
        ++at;
    }
    if (next() == '0' && !fillGiven) {
        spec.fill = "0";
        spec.zeroPadded = true;
        ++at;
    }
    if (std::isdigit(static_cast<unsigned char>(next()))) {
        const std::optional<int> width = readNumber(text, at);
        if (!width || *width > kLongestField) {
            parsed.error = fmt::format("width above {}", kLongestField);
            return parsed;
        }
        spec.width = *width;
    }
    if (next() == ',' || next() == '_') {
        spec.grouping = text[at++];
        if (next() == ',' || next() == '_') {
            parsed.error = next() == spec.grouping ? fmt::format("'{}' given twice", spec.grouping)
                                                   : std::string("both ',' and '_' given");
            return parsed;
        }
    }
    if (next() == '.') {
        ++at;
        const std::optional<int> precision = readNumber(text, at);
        if (!precision || *precision > kLongestField) {
            parsed.error = precision || std::isdigit(static_cast<unsigned char>(next()))
                               ? fmt::format("precision above {}", kLongestField)
                               : std::string("precision missing after '.'");
            return parsed;
        }
        spec.precision = precision;
    }
    if (text.size() - at > 1) {
        parsed.error = fmt::format("invalid format specifier '{}'", text);
        return parsed;
    }
    if (at < text.size())
        spec.type = text[at];
    // Python allows grouping with decimal and float codes only, and '_' also every four
    // digits of binary, octal and hexadecimal.
    const bool groupsDecimal = spec.type == 0 || isOneOf(spec.type, "deEfFgG%");
    const bool groupsByFour = spec.grouping == '_' && isOneOf(spec.type, "boxX");
    if (spec.grouping != 0 && !groupsDecimal && !groupsByFour)
        parsed.error = fmt::format("'{}' not allowed with '{}'", spec.grouping, spec.type);
    return parsed;
}

std::string formatError(const FormatSpec &spec, ValueType type) {
    const char code = spec.type;
    switch (type) {
    case ValueType::Text:
        if (code != 0 && code != 's')
            return unknownCode(code, type);
        if (spec.sign != 0)
            return notAllowed("a sign", type);
        if (spec.noNegativeZero)
            return notAllowed("'z'", type);
        if (spec.alternate)
            return notAllowed("'#'", type);
        if (spec.align == '=')
            return notAllowed("'=' alignment", type);
        if (spec.grouping != 0)
            return notAllowed(fmt::format("'{}'", spec.grouping), type);
        return {};
    case ValueType::Int:
        // An int formatted with a float's code is formatted as a float.
        if (isOneOf(code, kFloatCodes))
            return {};
        if (code != 0 && !isOneOf(code, kIntegerCodes))
            return unknownCode(code, type);
        if (spec.precision)
            return notAllowed("a precision", type);
        if (spec.noNegativeZero)
            return notAllowed("'z'", type);
        if (code == 'c' && (spec.sign != 0 || spec.alternate))
            return notAllowed(spec.sign != 0 ? "a sign with 'c'" : "'#' with 'c'", type);
        return {};
    case ValueType::Float:
        if (code != 0 && code != 'n' && !isOneOf(code, kFloatCodes))
            return unknownCode(code, type);
        return {};
    case ValueType::Container:
        // object.__format__ takes only the empty specifier, and gives str().
        if (!(spec == FormatSpec{}))
            return "a list or dict takes no format specifier";
        return {};
    }
    return {};
}

std::optional<std::string> formatValue(const Value &value, const FormatSpec &spec) {
    if (!formatError(spec, typeOf(value)).empty())
        return std::nullopt;
    if (const auto *text = std::get_if<std::string>(&value)) {
        std::string_view shown = *text;
        if (spec.precision) {
            std::size_t end = 0;
            for (int kept = 0; end < shown.size() && kept < *spec.precision; ++kept)
                end += firstCharacter(shown.substr(end));
            shown = shown.substr(0, end);
        }
        return padded(std::string(shown), spec, spec.align != 0 ? spec.align : '<');
    }
    if (const auto *integer = std::get_if<std::int64_t>(&value)) {
        if (isOneOf(spec.type, kFloatCodes))
            return assembled(floatNumber(static_cast<double>(*integer), spec), spec);
        if (spec.type != 'c')
            return assembled(integerNumber(*integer, spec), spec);
        std::optional<std::string> shown = character(*integer);
        if (!shown)
            return std::nullopt;
        return assembled(Number{.rest = std::move(*shown)}, spec);
    }
    if (const auto *number = std::get_if<double>(&value))
        return assembled(floatNumber(*number, spec), spec);
    return str(value);
}

} // namespace gpibsim::pyformat
