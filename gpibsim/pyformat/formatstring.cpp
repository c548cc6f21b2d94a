// SPDX-License-Identifier: MIT
#include "gpibsim/pyformat/formatstring.h"

#include <fmt/format.h>

#include <algorithm>

namespace gpibsim::definitions {

namespace {

// Python's repr() of a str.
std::string quoted(std::string_view text) {
    const bool doubleQuotes = text.find('\'') != text.npos && text.find('"') == text.npos;
    const char quote = doubleQuotes ? '"' : '\'';
    std::string shown(1, quote);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == quote)
            shown += {'\\', c};
        else if (c == '\n')
            shown += "\\n";
        else if (c == '\r')
            shown += "\\r";
        else if (c == '\t')
            shown += "\\t";
        else if (byte < 0x20 || byte == 0x7F)
            shown += fmt::format("\\x{:02x}", byte);
        else
            shown += c;
    }
    return shown + quote;
}

std::optional<std::string> formatField(const Field &field, const Value &value) {
    if (field.conversion == 0)
        return formatValue(value, field.spec);
    const auto *text = std::get_if<std::string>(&value);
    if (field.conversion == 'r' && text != nullptr)
        return formatValue(quoted(*text), field.spec);
    const std::optional<Value> shown = convert(value, ValueType::Text);
    return shown ? formatValue(*shown, field.spec) : std::nullopt;
}

// The inside of a replacement field: name, conversion and format specifier.
std::optional<Field> parseField(std::string_view inside, std::string &error) {
    Field field;
    const std::size_t nameEnd = std::min(inside.find_first_of("!:"), inside.size());
    field.name = inside.substr(0, nameEnd);
    std::string_view rest = inside.substr(nameEnd);
    if (rest.starts_with('!')) {
        if (rest.size() < 2 || (rest[1] != 's' && rest[1] != 'r')) {
            error = "conversion other than !s or !r";
            return std::nullopt;
        }
        field.conversion = rest[1];
        rest.remove_prefix(2);
        if (!rest.empty() && !rest.starts_with(':')) {
            error = "':' expected after the conversion";
            return std::nullopt;
        }
    }
    if (rest.starts_with(':')) {
        ParsedSpec spec = parseFormatSpec(rest.substr(1));
        if (!spec.error.empty()) {
            error = std::move(spec.error);
            return std::nullopt;
        }
        field.spec = std::move(spec.spec);
    }
    return field;
}

} // namespace

std::vector<const Field *> FormatString::fields() const {
    std::vector<const Field *> all;
    for (const Piece &piece : pieces)
        if (piece.field)
            all.push_back(&*piece.field);
    return all;
}

ParsedFormat parseFormatString(std::string_view text) {
    ParsedFormat parsed;
    const auto failed = [&](std::string error) {
        parsed.error = std::move(error);
        parsed.format.pieces.clear();
        return parsed;
    };
    std::string literal;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        const bool doubled = at + 1 < text.size() && text[at + 1] == c;
        if ((c == '{' || c == '}') && doubled) {
            literal += c;
            ++at;
        } else if (c == '}') {
            return failed("single '}'");
        } else if (c != '{') {
            literal += c;
        } else {
            const std::size_t close = text.find('}', at);
            if (close == text.npos)
                return failed("'{' without its '}'");
            const std::string_view inside = text.substr(at + 1, close - at - 1);
            if (inside.find('{') != inside.npos)
                return failed("a field inside a field");
            std::string error;
            std::optional<Field> field = parseField(inside, error);
            if (!field)
                return failed(std::move(error));
            parsed.format.pieces.push_back({std::move(literal), std::move(field)});
            literal.clear();
            at = close;
        }
    }
    parsed.format.pieces.push_back({std::move(literal), std::nullopt});
    return parsed;
}

std::string positionalError(const FormatString &format) {
    const std::vector<const Field *> fields = format.fields();
    const auto named = [&](std::string_view name) {
        return std::ranges::count(fields, name,
                                  [](const Field *f) { return std::string_view(f->name); });
    };
    for (const Field *field : fields)
        if (field->name != "" && field->name != "0")
            return fmt::format("field {{{}}} where only {{}} or {{0}} can stand", field->name);
    if (named("") > 1)
        return "more than one {} for one value";
    if (named("") == 1 && named("0") > 0)
        return "{} and {0} together";
    return {};
}

std::optional<std::string> formatWith(const FormatString &format, const Value &value) {
    std::string text;
    for (const FormatString::Piece &piece : format.pieces) {
        text += piece.literal;
        if (!piece.field)
            continue;
        const std::optional<std::string> shown = formatField(*piece.field, value);
        if (!shown)
            return std::nullopt;
        text += *shown;
    }
    return text;
}

} // namespace gpibsim::definitions
