// SPDX-License-Identifier: MIT
#include "gpibsim/pyformat/setterpattern.h"

#include "gpibsim/pyformat/formatstring.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <charconv>

namespace gpibsim::definitions {

namespace {

constexpr std::string_view kNumberCharacters = "+-.0123456789abcdefABCDEFoOxX%";

std::string_view withoutSign(std::string_view text, bool &negative) {
    negative = text.starts_with('-');
    if (negative || text.starts_with('+'))
        text.remove_prefix(1);
    return text;
}

std::optional<std::int64_t> readInteger(std::string_view text, char code) {
    bool negative = false;
    text = withoutSign(text, negative);
    const int base = code == 'b' ? 2 : code == 'o' ? 8 : code == 'x' || code == 'X' ? 16 : 10;
    if (base != 10 && text.size() > 2 && text[0] == '0' &&
        std::tolower(static_cast<unsigned char>(text[1])) == std::tolower(code == 'X' ? 'x' : code))
        text.remove_prefix(2);
    std::uint64_t magnitude = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    const std::uint64_t limit = negative ? 0x8000'0000'0000'0000u : 0x7FFF'FFFF'FFFF'FFFFu;
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        magnitude > limit)
        return std::nullopt;
    return negative ? static_cast<std::int64_t>(0 - magnitude)
                    : static_cast<std::int64_t>(magnitude);
}

// [sign] (digits [. digits] | . digits) [exponent]
std::optional<double> readDecimal(std::string_view text) {
    bool negative = false;
    const std::string_view number = withoutSign(text, negative);
    const std::size_t mantissaEnd = std::min(number.find_first_of("eE"), number.size());
    const std::string_view mantissa = number.substr(0, mantissaEnd);
    const bool digitsOnly =
        std::ranges::all_of(mantissa, [](char c) { return std::isdigit(c) || c == '.'; });
    if (!digitsOnly || std::ranges::count(mantissa, '.') > 1 || mantissa == "." || mantissa.empty())
        return std::nullopt;
    if (mantissaEnd < number.size()) {
        bool negativeExponent = false;
        const std::string_view exponent =
            withoutSign(number.substr(mantissaEnd + 1), negativeExponent);
        if (exponent.empty() || !std::ranges::all_of(exponent, ::isdigit))
            return std::nullopt;
    }
    return parseFloat(text);
}

std::optional<Value> readValue(std::string_view text, char code) {
    if (code == 0 || code == 's')
        return Value(std::string(text));
    if (code == 'd' || code == 'n' || code == 'b' || code == 'o' || code == 'x' || code == 'X') {
        if (const auto integer = readInteger(text, code))
            return *integer;
        return std::nullopt;
    }
    const bool percent = code == '%';
    if (percent && !text.ends_with('%'))
        return std::nullopt;
    const std::optional<double> number =
        readDecimal(percent ? text.substr(0, text.size() - 1) : text);
    if (!number)
        return std::nullopt;
    return percent ? *number / 100 : *number;
}

} // namespace

SetterPattern::Parsed SetterPattern::parse(std::string_view text, bool inChannel) {
    Parsed parsed;
    ParsedFormat format = parseFormatString(text);
    if (!format.error.empty()) {
        parsed.error = std::move(format.error);
        return parsed;
    }
    SetterPattern &pattern = parsed.pattern;
    int values = 0;
    int channels = 0;
    for (const FormatString::Piece &piece : format.format.pieces) {
        if (!piece.literal.empty())
            pattern.parts_.push_back({Kind::Text, piece.literal});
        if (!piece.field)
            continue;
        const Field &field = *piece.field;
        if (field.name == "ch_id" && inChannel) {
            pattern.parts_.push_back({Kind::Channel, {}});
            ++channels;
        } else if (field.name == "" || field.name == "0") {
            pattern.parts_.push_back({Kind::Value, {}});
            pattern.code_ = field.spec.type;
            ++values;
        } else {
            parsed.error = fmt::format("field {{{}}} in a setter, which takes {{}}{}", field.name,
                                       inChannel ? " and {ch_id}" : "");
            return parsed;
        }
    }
    if (values != 1)
        parsed.error = values == 0 ? "a setter without a value field" : "a setter with two values";
    else if (channels > 1)
        parsed.error = "a setter with two {ch_id}";
    else if (pattern.code_ == 'c')
        parsed.error = "a setter cannot read {:c}";
    return parsed;
}

bool SetterPattern::hasChannel() const {
    return std::ranges::any_of(
        parts_, [](const Part &part) { return part.kind == Kind::Channel; });
}

std::optional<SetterPattern::Match> SetterPattern::match(std::string_view text,
                                                         std::span<const std::string> ids) const {
    Match found;
    if (!matchFrom(0, text, ids, found))
        return std::nullopt;
    return found;
}

// The shortest value that lets the rest match, as a regular expression's lazy group would.
bool SetterPattern::matchFrom(std::size_t part, std::string_view rest,
                              std::span<const std::string> ids, Match &match) const {
    if (part == parts_.size())
        return rest.empty();
    const Part &current = parts_[part];
    switch (current.kind) {
    case Kind::Text:
        return rest.starts_with(current.text) &&
               matchFrom(part + 1, rest.substr(current.text.size()), ids, match);
    case Kind::Channel:
        for (std::size_t id = 0; id < ids.size(); ++id) {
            if (rest.starts_with(ids[id]) &&
                matchFrom(part + 1, rest.substr(ids[id].size()), ids, match)) {
                match.channel = id;
                return true;
            }
        }
        return false;
    case Kind::Value:
        break;
    }
    const bool text = code_ == 0 || code_ == 's';
    const std::size_t longest =
        text ? rest.size() : std::min(rest.find_first_not_of(kNumberCharacters), rest.size());
    for (std::size_t length = 0; length <= longest; ++length) {
        if (!matchFrom(part + 1, rest.substr(length), ids, match))
            continue;
        std::optional<Value> value = readValue(rest.substr(0, length), code_);
        if (!value)
            continue;
        match.value = std::move(*value);
        return true;
    }
    return false;
}

} // namespace gpibsim::definitions
