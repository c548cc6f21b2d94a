// SPDX-License-Identifier: MIT
#include "gpibsim/pyformat/setterpattern.h"

#include "gpibsim/pyformat/formatstring.h"
#include "gpibsim/pyformat/presentation.h"
#include "gpibsim/pyformat/pythonformat.h"
#include "gpibsim/text/text.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>

namespace gpibsim::pyformat {

namespace {

constexpr std::string_view kTypeCodes = "bcdeEfFgGnosxX%";

// The sign, '#' and type code of a format specifier as stringparser's pattern finds them from
// its start: [[fill]align][sign][#][0][width][,][.precision][type codes]. It stops at the first
// character out of place, and ignores the rest.
struct SpecParts {
    char sign = 0;
    bool alternate = false;
    std::string type{};
};

SpecParts specParts(std::string_view spec) {
    SpecParts parts;
    std::size_t at = 0;
    const auto next = [&] {
        return at < spec.size() ? spec[at] : '\0';
    };
    const std::size_t fill = firstCharacter(spec);
    if (!spec.empty() && spec[0] != '{' && spec[0] != '}' && fill < spec.size() &&
        isAlign(spec[fill]))
        at = fill + 1;
    else if (isAlign(next()))
        ++at;
    if (next() == '+' || next() == '-' || next() == ' ')
        parts.sign = spec[at++];
    if (next() == '#') {
        parts.alternate = true;
        ++at;
    }
    if (next() == '0')
        ++at;
    while (std::isdigit(static_cast<unsigned char>(next())))
        ++at;
    if (next() == ',')
        ++at;
    if (next() == '.' && at + 1 < spec.size() &&
        std::isdigit(static_cast<unsigned char>(spec[at + 1]))) {
        ++at;
        while (std::isdigit(static_cast<unsigned char>(next())))
            ++at;
    }
    while (next() != '\0' && kTypeCodes.find(next()) != std::string_view::npos)
        parts.type += spec[at++];
    return parts;
}

// [0-9]+\.?[0-9]+, and what follows it for the code.
TextPattern decimalPattern(std::string_view code) {
    const TextPattern::Bytes digits = TextPattern::digits();
    TextPattern pattern;
    pattern.repeat(digits, 1, TextPattern::kUnbounded)
        .repeat(TextPattern::bytesOf("."), 0, 1)
        .repeat(digits, 1, TextPattern::kUnbounded);
    if (code == "%")
        return pattern.text("%");
    if (code == "f" || code == "F")
        return pattern;
    TextPattern exponent;
    if (code == "e" || code == "E")
        exponent.text(code);
    else
        exponent.repeat(TextPattern::bytesOf("eE"), 1, 1);
    exponent.repeat(TextPattern::bytesOf("-+"), 0, 1).repeat(digits, 1, TextPattern::kUnbounded);
    return pattern.optional(exponent);
}

// Python's split of a field name into its parts (x.y[0]): an error where stringparser raises.
std::string nameError(std::string_view name) {
    for (std::string_view part = name;;) {
        const std::size_t dot = std::min(part.find('.'), part.size());
        std::string_view piece = part.substr(0, dot);
        const std::size_t bracket = std::min(piece.find('['), piece.size());
        if (bracket == 0)
            return fmt::format("empty field name in {}", name);
        for (piece.remove_prefix(bracket); !piece.empty();) {
            piece.remove_prefix(1);
            const std::size_t next = std::min(piece.find('['), piece.size());
            if (piece.find(']') != next - 1 || next == 0)
                return fmt::format("invalid field syntax in {}", name);
            piece.remove_prefix(next);
        }
        if (dot == part.size())
            return {};
        part.remove_prefix(dot + 1);
    }
}

std::optional<std::int64_t> readInteger(std::string_view text, int base) {
    if (base == 10)
        return parseInt(text);
    const bool negative = text.starts_with('-');
    if (negative || text.starts_with(' '))
        text.remove_prefix(1);
    if (text.size() > 2 && text[0] == '0' && std::isalpha(static_cast<unsigned char>(text[1])))
        text.remove_prefix(2);
    std::uint64_t magnitude = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    const std::uint64_t limit = negative ? 0x8000'0000'0000'0000u : 0x7FFF'FFFF'FFFF'FFFFu;
    if (error != std::errc() || end != text.data() + text.size() || magnitude > limit)
        return std::nullopt;
    return negative ? static_cast<std::int64_t>(0 - magnitude)
                    : static_cast<std::int64_t>(magnitude);
}

} // namespace

// The pattern of a field's value, sign and prefix included, and how its text is read.
SetterPattern::FieldPattern SetterPattern::fieldPattern(const Field &field) {
    FieldPattern read;
    const SpecParts parts = field.spec.empty() ? SpecParts{.type = "s"} : specParts(field.spec);
    TextPattern body;
    if (parts.type.empty() || parts.type == "s") {
        body.repeat(TextPattern::anyButLineFeed(), 0, TextPattern::kUnbounded, true);
    } else if (const IntegerType *integer =
                   parts.type.size() == 1 ? integerType(parts.type[0]) : nullptr) {
        read.capture.conversion = Conversion::Integer;
        read.capture.base = integer->base;
        body.repeat(TextPattern::bytesOf(integer->digits), 1, TextPattern::kUnbounded, true);
    } else if (parts.type.size() == 1 &&
               kFloatCodes.find(parts.type[0]) != std::string_view::npos) {
        read.capture.conversion = parts.type == "%" ? Conversion::Percent : Conversion::Float;
        body = decimalPattern(parts.type);
    } else {
        read.error = fmt::format("{} is not a type code stringparser reads", parts.type);
        return read;
    }
    if (parts.alternate && read.capture.base == 10) {
        read.error = fmt::format("'#' is not allowed with {}",
                                 parts.type.empty() ? "no type code" : parts.type);
        return read;
    }
    if (parts.sign == '+' || parts.sign == ' ')
        read.pattern.repeat(TextPattern::bytesOf(parts.sign == '+' ? "-+" : "- "), 1, 1);
    else if (!field.spec.empty())
        read.pattern.repeat(TextPattern::bytesOf("-"), 0, 1);
    if (parts.alternate)
        read.pattern.text("0" + parts.type);
    read.pattern.then(body);
    return read;
}

SetterPattern::Parsed SetterPattern::parse(std::string_view text) {
    Parsed parsed;
    SetterPattern &pattern = parsed.pattern;
    const auto failed = [&](std::string error) {
        parsed.error = std::move(error);
        return parsed;
    };
    const FormatString format = parseFormatString(text);
    if (!format.error.empty())
        return failed(format.error);
    std::size_t number = 0;
    for (const FormatString::Piece &piece : format.pieces) {
        pattern.pattern_.text(piece.literal);
        if (!piece.field)
            continue;
        FieldPattern field = fieldPattern(*piece.field);
        if (!field.error.empty())
            return failed(std::move(field.error));
        if (piece.field->name == "_") {
            pattern.pattern_.then(field.pattern);
            continue;
        }
        std::string name = piece.field->name;
        if (name.empty() || name[0] == '.' || name[0] == '[')
            name = std::to_string(number++) + name;
        if (std::string error = nameError(name); !error.empty())
            return failed(std::move(error));
        pattern.compound_ |= name.find_first_of(".[") != std::string::npos;
        pattern.pattern_.openGroup().then(field.pattern).closeGroup();
        const auto known = std::ranges::find(pattern.names_, name);
        field.capture.slot = static_cast<std::size_t>(known - pattern.names_.begin());
        if (known == pattern.names_.end())
            pattern.names_.push_back(name);
        pattern.captures_.push_back(field.capture);
    }
    std::vector<std::string> numbered;
    for (std::size_t i = 0; i < pattern.names_.size(); ++i)
        numbered.push_back(std::to_string(i));
    pattern.asList_ = !numbered.empty() && std::ranges::is_permutation(numbered, pattern.names_);
    return parsed;
}

SetterPattern::Reading SetterPattern::read(std::string_view text) const {
    const std::optional<TextPattern::Match> match = pattern_.match(text, 0, true);
    if (!match)
        return {};
    if (compound_)
        return {.outcome = Reading::Outcome::Raises};
    std::vector<std::optional<Value>> slots(names_.size());
    for (std::size_t i = 0; i < captures_.size(); ++i) {
        std::optional<Value> &slot = slots[captures_[i].slot];
        if (slot)
            continue;
        slot = convert(captures_[i], match->groups[i]);
        if (!slot)
            return {.outcome = Reading::Outcome::Raises};
    }
    auto container = std::make_shared<Container>();
    container->dict = !asList_;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        const std::size_t slot =
            asList_ ? static_cast<std::size_t>(std::ranges::find(names_, std::to_string(i)) -
                                               names_.begin())
                    : i;
        if (!asList_)
            container->keys.emplace_back(names_[i]);
        container->items.push_back(std::move(*slots[slot]));
    }
    if (asList_ && container->items.size() == 1)
        return {.outcome = Reading::Outcome::Read, .value = std::move(container->items[0])};
    return {.outcome = Reading::Outcome::Read, .value = std::move(container)};
}

std::optional<Value> SetterPattern::convert(const Capture &capture, std::string_view text) const {
    switch (capture.conversion) {
    case Conversion::Text:
        return Value(std::string(text));
    case Conversion::Integer:
        if (const auto integer = readInteger(text, capture.base))
            return *integer;
        return std::nullopt;
    case Conversion::Float:
        return Value(parseFloat(text).value_or(0.0));
    case Conversion::Percent:
        return Value(parseFloat(text.substr(0, text.size() - 1)).value_or(0.0) / 100);
    }
    return std::nullopt;
}

} // namespace gpibsim::pyformat
