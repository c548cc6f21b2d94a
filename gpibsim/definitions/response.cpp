// SPDX-License-Identifier: MIT
#include "gpibsim/definitions/response.h"

#include "gpibsim/pyformat/textpattern.h"
#include "gpibsim/text/text.h"

namespace gpibsim::definitions {

using pyformat::parseFloat;
using pyformat::parseFormatString;
using pyformat::parseInt;
using pyformat::TextPattern;

namespace {

constexpr std::string_view kRandom = "RANDOM";
constexpr std::string_view kBytes = "BYTES(";

// Each character of UTF-8 text as one byte; nothing when one lies above U+00FF.
std::optional<std::string> latin1(std::string_view text) {
    std::string bytes;
    for (std::size_t at = 0; at < text.size();) {
        const auto point = codePoint(text, at);
        if (!point || point->first > 0xFF)
            return std::nullopt;
        bytes += static_cast<char>(point->first);
        at += point->second;
    }
    return bytes;
}

std::string withLineEnds(std::string_view text) {
    std::string replaced;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const bool escape = text[at] == '\\' && at + 1 < text.size();
        if (escape && text[at + 1] == 'r') {
            replaced += '\r';
            ++at;
        } else if (escape && text[at + 1] == 'n') {
            replaced += '\n';
            ++at;
        } else {
            replaced += text[at];
        }
    }
    return replaced;
}

// Where BYTES(...) with something in it starts at or after `from`, and where it ends.
std::pair<std::size_t, std::size_t> nextBytes(std::string_view text, std::size_t from) {
    for (std::size_t start; (start = text.find(kBytes, from)) != text.npos; from = start + 1) {
        const std::size_t inside = start + kBytes.size();
        const std::size_t close = text.find(')', inside);
        if (close != text.npos && close > inside)
            return {start, close + 1};
    }
    return {text.npos, text.npos};
}

// A piece of the text between those: its bytes, latin-1 inside a BYTES(...) that spans it.
bool appendPiece(std::string_view piece, std::string &bytes) {
    if (!piece.starts_with(kBytes) || !piece.ends_with(')')) {
        bytes += piece;
        return true;
    }
    const std::optional<std::string> inside =
        latin1(piece.substr(kBytes.size(), piece.size() - kBytes.size() - 1));
    if (inside)
        bytes += *inside;
    return inside.has_value();
}

// \d*.\d* of pyvisa-sim's RANDOM pattern.
TextPattern &loosely(TextPattern &pattern) {
    return pattern.repeat(TextPattern::digits(), 0, TextPattern::kUnbounded)
        .repeat(TextPattern::anyButLineFeed(), 1, 1)
        .repeat(TextPattern::digits(), 0, TextPattern::kUnbounded);
}

// RANDOM\((\d*.\d*), (\d*.\d*), (\d*)\)
TextPattern randomCall() {
    TextPattern call;
    call.text("RANDOM(").openGroup();
    loosely(call).closeGroup().text(", ").openGroup();
    loosely(call).closeGroup().text(", ").openGroup();
    call.repeat(TextPattern::digits(), 0, TextPattern::kUnbounded).closeGroup().text(")");
    return call;
}

// What pyvisa-sim's random_response does with a reply that names RANDOM: the numbers of the first
// {RANDOM(min, max, count)...} and the text without any RANDOM(...), which formats each reading.
Response randomResponse(std::string_view text) {
    const Response raises{.kind = Response::Kind::Raises};
    const TextPattern call = randomCall();
    TextPattern field;
    field.text("{")
        .then(call)
        .repeat(TextPattern::anyButLineFeed(), 0, TextPattern::kUnbounded)
        .text("}");
    std::optional<TextPattern::Match> first;
    for (std::size_t at = 0; !first && (at = text.find("{RANDOM(", at)) != text.npos; ++at)
        first = field.match(text, at, false);
    if (!first)
        return raises;
    std::string rest;
    for (std::size_t at = 0; at < text.size();) {
        const std::optional<TextPattern::Match> removed = call.match(text, at, false);
        if (removed)
            at = removed->end;
        else
            rest += text[at++];
    }
    const std::optional<double> min = parseFloat(first->groups[0]);
    const std::optional<double> max = parseFloat(first->groups[1]);
    const std::optional<std::int64_t> count = parseInt(first->groups[2]);
    if (!min || !max || !count || *count > kMostReadings)
        return raises;
    return {.kind = Response::Kind::Random,
            .format = parseFormatString(rest),
            .random = {.min = *min, .max = *max, .count = *count}};
}

} // namespace

ParsedBytes definitionBytes(std::string_view text) {
    ParsedBytes parsed;
    const std::string lines = withLineEnds(text);
    const std::string_view all = lines;
    std::size_t at = 0;
    for (;;) {
        const auto [start, end] = nextBytes(all, at);
        if (start == all.npos)
            break;
        if (!appendPiece(all.substr(at, start - at), parsed.bytes) ||
            !appendPiece(all.substr(start, end - start), parsed.bytes)) {
            parsed.error = "BYTES(...) holds a character above U+00FF";
            return parsed;
        }
        at = end;
    }
    if (!appendPiece(all.substr(at), parsed.bytes))
        parsed.error = "BYTES(...) holds a character above U+00FF";
    return parsed;
}

ParsedResponse dialogueResponse(std::optional<std::string_view> text) {
    ParsedResponse fixed = fixedResponse(text);
    const std::string &bytes = fixed.response.fixed;
    if (!fixed.error.empty() || fixed.response.kind == Response::Kind::None)
        return fixed;
    if (!isUtf8(bytes))
        return {.response = {.kind = Response::Kind::Raises}};
    if (bytes.find(kRandom) != std::string::npos)
        return {.response = randomResponse(bytes)};
    return fixed;
}

Response getterResponse(std::optional<std::string_view> text) {
    if (!text)
        return {.kind = Response::Kind::Raises};
    if (text->find(kRandom) != text->npos)
        return randomResponse(*text);
    return {.kind = Response::Kind::Formatted, .format = parseFormatString(*text)};
}

ParsedResponse fixedResponse(std::optional<std::string_view> text) {
    if (!text)
        return {};
    ParsedBytes bytes = definitionBytes(*text);
    return {.response = {.kind = Response::Kind::Fixed, .fixed = std::move(bytes.bytes)},
            .error = std::move(bytes.error)};
}

} // namespace gpibsim::definitions
