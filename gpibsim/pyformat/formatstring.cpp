// SPDX-License-Identifier: MIT
#include "gpibsim/pyformat/formatstring.h"

#include "gpibsim/text/text.h"

#include <algorithm>
#include <cctype>

namespace gpibsim::pyformat {

namespace {

// The field that starts after a '{', read as CPython's parse_field reads it; `at` moves past
// its closing '}'. Nothing, and the reason in `error`, where Python raises.
std::optional<Field> readField(std::string_view text, std::size_t &at, std::string &error) {
    Field field;
    const std::size_t nameStart = at;
    char c = 0;
    while (at < text.size()) {
        c = text[at++];
        if (c == '{') {
            error = "unexpected '{' in field name";
            return std::nullopt;
        }
        if (c == '[') {
            while (at < text.size() && text[at] != ']')
                ++at;
            continue;
        }
        if (c == '}' || c == ':' || c == '!')
            break;
    }
    field.name = text.substr(nameStart, at - nameStart - (c == '}' || c == ':' || c == '!'));
    if (c != '!' && c != ':') {
        if (c != '}') {
            error = "expected '}' before end of string";
            return std::nullopt;
        }
        return field;
    }
    if (c == '!') {
        if (at >= text.size()) {
            error = "end of string while looking for conversion specifier";
            return std::nullopt;
        }
        const std::size_t length = firstCharacter(text.substr(at));
        field.conversion = text.substr(at, length);
        at += length;
        if (at < text.size()) {
            c = text[at++];
            if (c == '}')
                return field;
            if (c != ':') {
                error = "expected ':' after conversion specifier";
                return std::nullopt;
            }
        }
    }
    const std::size_t specStart = at;
    for (int depth = 1; at < text.size();) {
        c = text[at++];
        if (c == '{') {
            field.nested = true;
            ++depth;
        } else if (c == '}' && --depth == 0) {
            field.spec = text.substr(specStart, at - 1 - specStart);
            const ParsedSpec spec = parseFormatSpec(field.spec);
            field.parsed =
                field.nested || !spec.error.empty() ? std::nullopt : std::optional(spec.spec);
            return field;
        }
    }
    error = "unmatched '{' in format spec";
    return std::nullopt;
}

// What str.format is given: one positional argument, or the keyword ch_id.
struct Arguments {
    const Value *positional = nullptr;
    const Value *channelId = nullptr;
};

// Python's field numbering: automatic ({}) and manual ({0}) cannot be mixed.
struct Numbering {
    enum class Mode { Unset, Automatic, Manual } mode = Mode::Unset;
    std::size_t next = 0;
};

const Value *argument(const std::string &name, const Arguments &arguments, Numbering &numbering) {
    if (name.find_first_of(".[") != std::string::npos)
        return nullptr;
    const bool digits = !name.empty() && std::ranges::all_of(name, [](unsigned char c) {
        return std::isdigit(c) != 0;
    });
    if (!digits && !name.empty())
        return name == "ch_id" ? arguments.channelId : nullptr;
    const Numbering::Mode mode = digits ? Numbering::Mode::Manual : Numbering::Mode::Automatic;
    if (numbering.mode != Numbering::Mode::Unset && numbering.mode != mode)
        return nullptr;
    numbering.mode = mode;
    const bool first =
        digits ? name.find_first_not_of('0') == std::string::npos : numbering.next++ == 0;
    return first ? arguments.positional : nullptr;
}

std::optional<std::string> render(const FormatString &format, const Arguments &arguments,
                                  Numbering &numbering, int depth);

std::optional<std::string> renderField(const Field &field, const Arguments &arguments,
                                       Numbering &numbering, int depth) {
    const Value *value = argument(field.name, arguments, numbering);
    if (value == nullptr)
        return std::nullopt;
    Value converted;
    if (field.conversion == "s")
        converted = str(*value);
    else if (field.conversion == "r")
        converted = repr(*value);
    else if (field.conversion == "a")
        converted = ascii(*value);
    else if (!field.conversion.empty())
        return std::nullopt;
    const Value &shown = field.conversion.empty() ? *value : converted;
    if (!field.nested)
        return field.parsed ? formatValue(shown, *field.parsed) : std::nullopt;
    // Python expands fields in a specifier, but not in one nested inside that.
    if (depth > 0)
        return std::nullopt;
    const std::optional<std::string> spec =
        render(parseFormatString(field.spec), arguments, numbering, depth + 1);
    if (!spec)
        return std::nullopt;
    const ParsedSpec parsed = parseFormatSpec(*spec);
    return parsed.error.empty() ? formatValue(shown, parsed.spec) : std::nullopt;
}

std::optional<std::string> render(const FormatString &format, const Arguments &arguments,
                                  Numbering &numbering, int depth) {
    if (!format.error.empty())
        return std::nullopt;
    std::string text;
    for (const FormatString::Piece &piece : format.pieces) {
        text += piece.literal;
        if (!piece.field)
            continue;
        const std::optional<std::string> shown =
            renderField(*piece.field, arguments, numbering, depth);
        if (!shown)
            return std::nullopt;
        text += *shown;
    }
    return text;
}

} // namespace

// CPython's MarkupIterator: literal text up to a brace, a doubled brace as one, then a field.
FormatString parseFormatString(std::string_view text) {
    FormatString format;
    std::string literal;
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at++];
        if (c != '{' && c != '}') {
            literal += c;
            continue;
        }
        if (at < text.size() && text[at] == c) {
            literal += c;
            ++at;
            continue;
        }
        if (c == '}' || at == text.size()) {
            format.error = c == '}' ? "single '}' encountered in format string"
                                    : "single '{' encountered in format string";
            format.pieces.clear();
            return format;
        }
        std::optional<Field> field = readField(text, at, format.error);
        if (!field) {
            format.pieces.clear();
            return format;
        }
        format.pieces.push_back({std::move(literal), std::move(field)});
        literal.clear();
    }
    format.pieces.push_back({std::move(literal), std::nullopt});
    return format;
}

std::optional<std::string> formatWith(const FormatString &format, const Value &value) {
    Numbering numbering;
    return render(format, {.positional = &value}, numbering, 0);
}

std::optional<std::string> formatWithChannel(const FormatString &format, const Value &id) {
    Numbering numbering;
    return render(format, {.channelId = &id}, numbering, 0);
}

} // namespace gpibsim::pyformat
