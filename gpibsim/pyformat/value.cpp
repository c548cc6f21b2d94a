// SPDX-License-Identifier: MIT
#include "gpibsim/pyformat/value.h"

#include "gpibsim/pyformat/pythonformat.h"
#include "gpibsim/text/text.h"

#include <fmt/format.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace gpibsim::pyformat {

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

// Characters repr() shows as escapes: controls, and the separators and format characters of
// Unicode that text commonly holds (Python consults the whole Unicode database).
bool printable(char32_t point) {
    if (point < 0x20 || (point >= 0x7F && point <= 0xA0) || point == 0xAD)
        return false;
    return !(point >= 0x2000 && point <= 0x200F) && !(point >= 0x2028 && point <= 0x202F) &&
           !(point >= 0x205F && point <= 0x2064) && point != 0x3000 && point != 0xFEFF;
}

std::string escape(char32_t point) {
    if (point < 0x100)
        return fmt::format("\\x{:02x}", static_cast<unsigned>(point));
    if (point < 0x10000)
        return fmt::format("\\u{:04x}", static_cast<unsigned>(point));
    return fmt::format("\\U{:08x}", static_cast<unsigned>(point));
}

// Python's repr() of a str.
std::string quoted(std::string_view text) {
    const bool doubleQuotes = text.find('\'') != text.npos && text.find('"') == text.npos;
    const char quote = doubleQuotes ? '"' : '\'';
    std::string shown(1, quote);
    for (std::size_t at = 0; at < text.size();) {
        const auto point = codePoint(text, at);
        const std::size_t length = point ? point->second : 1;
        const char c = text[at];
        if (c == '\\' || c == quote)
            shown += {'\\', c};
        else if (c == '\n')
            shown += "\\n";
        else if (c == '\r')
            shown += "\\r";
        else if (c == '\t')
            shown += "\\t";
        else if (!point || !printable(point->first))
            shown += escape(point ? point->first : static_cast<unsigned char>(c));
        else
            shown += text.substr(at, length);
        at += length;
    }
    return shown + quote;
}

std::string shown(const Container &container) {
    std::string text(1, container.dict ? '{' : '[');
    for (std::size_t i = 0; i < container.items.size(); ++i) {
        if (i > 0)
            text += ", ";
        if (container.dict)
            text += repr(container.keys[i]) + ": ";
        text += repr(container.items[i]);
    }
    return text + (container.dict ? '}' : ']');
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
    case ValueType::Container:
        return "list or dict";
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
    const auto *text = std::get_if<std::string>(&value);
    switch (type) {
    case ValueType::Int:
        if (const auto *number = std::get_if<double>(&value)) {
            const double whole = std::trunc(*number);
            // 2^63 is the first double above the int64 range.
            if (!std::isfinite(whole) || std::abs(whole) >= 0x1p63)
                return std::nullopt;
            return static_cast<std::int64_t>(whole);
        }
        if (const auto digits = text != nullptr ? parseInt(*text) : std::nullopt)
            return *digits;
        return std::nullopt;
    case ValueType::Float:
        if (const auto *number = std::get_if<std::int64_t>(&value))
            return static_cast<double>(*number);
        if (const auto number = text != nullptr ? parseFloat(*text) : std::nullopt)
            return *number;
        return std::nullopt;
    case ValueType::Text:
        return str(value);
    case ValueType::Container:
        break;
    }
    return std::nullopt;
}

bool raisesValueError(const Value &value, ValueType type) {
    const auto *number = std::get_if<double>(&value);
    return std::holds_alternative<std::string>(value) ||
           (type == ValueType::Int && number != nullptr && std::isnan(*number));
}

std::string str(const Value &value) {
    if (const auto *text = std::get_if<std::string>(&value))
        return *text;
    return repr(value);
}

std::string repr(const Value &value) {
    if (const auto *text = std::get_if<std::string>(&value))
        return quoted(*text);
    if (const auto *container = std::get_if<std::shared_ptr<const Container>>(&value))
        return shown(**container);
    return formatValue(value, FormatSpec{}).value_or("");
}

std::string ascii(const Value &value) {
    const std::string shown = repr(value);
    std::string text;
    for (std::size_t at = 0; at < shown.size();) {
        const auto point = codePoint(shown, at);
        if (point && point->first >= 0x80)
            text += escape(point->first);
        else
            text += shown[at];
        at += point ? point->second : 1;
    }
    return text;
}

bool pythonEquals(const Value &a, const Value &b) {
    const auto *integerA = std::get_if<std::int64_t>(&a);
    const auto *integerB = std::get_if<std::int64_t>(&b);
    if (integerA != nullptr && integerB != nullptr)
        return *integerA == *integerB;
    const auto number = [](const Value &value) -> std::optional<double> {
        if (const auto *integer = std::get_if<std::int64_t>(&value))
            return static_cast<double>(*integer);
        if (const auto *real = std::get_if<double>(&value))
            return *real;
        return std::nullopt;
    };
    if (number(a) && number(b))
        return *number(a) == *number(b);
    const auto *textA = std::get_if<std::string>(&a);
    const auto *textB = std::get_if<std::string>(&b);
    return textA != nullptr && textB != nullptr && *textA == *textB;
}

} // namespace gpibsim::pyformat
