// SPDX-License-Identifier: MIT
#include "gpibsim/pyformat/value.h"

#include "gpibsim/pyformat/pythonformat.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace gpibsim::definitions {

namespace {

std::string_view strip(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// The text without the underscores Python allows between two digits; nothing when one stands
// anywhere else.
std::optional<std::string> withoutUnderscores(std::string_view text) {
    std::string kept;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '_') {
            kept += text[i];
            continue;
        }
        const bool between = i > 0 && i + 1 < text.size() &&
                             std::isdigit(static_cast<unsigned char>(text[i - 1])) &&
                             std::isdigit(static_cast<unsigned char>(text[i + 1]));
        if (!between)
            return std::nullopt;
    }
    return kept;
}

// from_chars takes no '+'.
std::string_view withoutPlus(std::string_view text) {
    if (text.starts_with('+') && text.size() > 1 && text[1] != '-')
        text.remove_prefix(1);
    return text;
}

} // namespace

std::optional<ValueType> typeNamed(std::string_view name) {
    if (name == "int")
        return ValueType::Int;
    if (name == "float")
        return ValueType::Float;
    if (name == "str")
        return ValueType::Text;
    return std::nullopt;
}

const char *typeName(ValueType type) {
    switch (type) {
    case ValueType::Int:
        return "int";
    case ValueType::Float:
        return "float";
    case ValueType::Text:
        break;
    }
    return "str";
}

std::optional<std::int64_t> parseInt(std::string_view text) {
    const std::optional<std::string> digits = withoutUnderscores(strip(text));
    if (!digits)
        return std::nullopt;
    const std::string_view number = withoutPlus(*digits);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size())
        return std::nullopt;
    return value;
}

std::optional<double> parseFloat(std::string_view text) {
    const std::optional<std::string> digits = withoutUnderscores(strip(text));
    if (!digits)
        return std::nullopt;
    const std::string_view number = withoutPlus(*digits);
    // from_chars also reads hexadecimal digits after "0x" as a float's; Python does not.
    if (number.find_first_of("xXpP(") != std::string_view::npos)
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (end != number.data() + number.size() ||
        (error != std::errc() && error != std::errc::result_out_of_range))
        return std::nullopt;
    // Python rounds a literal beyond the range to infinity, and one too small to zero.
    if (error == std::errc::result_out_of_range) {
        const std::size_t exponent = number.find_first_of("eE");
        const bool tiny =
            exponent != std::string_view::npos && number.substr(exponent + 1).starts_with('-');
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
        if (number.starts_with('-'))
            value = -value;
    }
    return value;
}

std::optional<Value> convert(const Value &value, ValueType type) {
    if (typeOf(value) == type)
        return value;
    switch (type) {
    case ValueType::Int:
        if (const auto *number = std::get_if<double>(&value)) {
            const double whole = std::trunc(*number);
            // 2^63 is the first double above the int64 range.
            if (!std::isfinite(whole) || std::abs(whole) >= 0x1p63)
                return std::nullopt;
            return static_cast<std::int64_t>(whole);
        }
        if (const auto digits = parseInt(std::get<std::string>(value)))
            return *digits;
        return std::nullopt;
    case ValueType::Float:
        if (const auto *number = std::get_if<std::int64_t>(&value))
            return static_cast<double>(*number);
        if (const auto number = parseFloat(std::get<std::string>(value)))
            return *number;
        return std::nullopt;
    case ValueType::Text:
        break;
    }
    return formatValue(value, FormatSpec{});
}

} // namespace gpibsim::definitions
