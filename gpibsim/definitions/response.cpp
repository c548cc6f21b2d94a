// SPDX-License-Identifier: MIT
#include "gpibsim/definitions/response.h"

#include "gpibsim/text/text.h"

#include <fmt/format.h>

namespace gpibsim::definitions {

namespace {

constexpr std::string_view kRandom = "RANDOM";

// Each character of UTF-8 text as one byte; nothing when one lies above U+00FF.
std::optional<std::string> latin1(std::string_view text) {
    std::string bytes;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto lead = static_cast<unsigned char>(text[at]);
        if (lead < 0x80) {
            bytes += static_cast<char>(lead);
            continue;
        }
        if ((lead != 0xC2 && lead != 0xC3) || at + 1 == text.size())
            return std::nullopt;
        const auto trail = static_cast<unsigned char>(text[++at]);
        if ((trail & 0xC0) != 0x80)
            return std::nullopt;
        bytes += static_cast<char>((lead & 0x03) << 6 | (trail & 0x3F));
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

// The reply's one field names RANDOM(min, max, count); the reply formats each reading.
ParsedResponse randomResponse(std::string_view text) {
    ParsedResponse parsed{.response = {.kind = Response::Kind::Random}};
    const auto failed = [&](std::string why) {
        parsed.error = fmt::format("{} in \"{}\"", why, text);
        return parsed;
    };
    ParsedFormat format = parseFormatString(text);
    if (!format.error.empty())
        return failed(std::move(format.error));
    const std::vector<const Field *> fields = format.format.fields();
    if (fields.size() != 1 || !fields[0]->name.starts_with(kRandom))
        return failed("RANDOM outside a reply's only field, {RANDOM(min, max, count):spec}");
    std::string_view call = fields[0]->name;
    call.remove_prefix(kRandom.size());
    call = trim(call);
    if (!call.starts_with('(') || !call.ends_with(')'))
        return failed("RANDOM without (min, max, count)");
    const std::vector<std::string_view> arguments = split(call.substr(1, call.size() - 2), ',');
    if (arguments.size() != 3)
        return failed("RANDOM takes (min, max, count)");
    const std::optional<double> min = parseFloat(arguments[0]);
    const std::optional<double> max = parseFloat(arguments[1]);
    const std::optional<std::int64_t> count = parseInt(arguments[2]);
    if (!min || !max || !count)
        return failed("RANDOM takes (min, max, count): two numbers and a whole number");
    if (*count < 0 || *count > kMostReadings)
        return failed(fmt::format("RANDOM count not 0..{}", kMostReadings));
    const std::string wrong = formatError(fields[0]->spec, ValueType::Float);
    if (!wrong.empty())
        return failed(wrong);
    Response &response = parsed.response;
    response.random = {*min, *max, static_cast<int>(*count)};
    response.format = std::move(format.format);
    response.format.pieces.front().field->name.clear();
    return parsed;
}

} // namespace

ParsedBytes definitionBytes(std::string_view text) {
    ParsedBytes parsed;
    const std::string lines = withLineEnds(text);
    std::string_view rest = lines;
    constexpr std::string_view kBytes = "BYTES(";
    for (std::size_t start; (start = rest.find(kBytes)) != rest.npos;) {
        const std::size_t close = rest.find(')', start);
        if (close == rest.npos)
            break;
        if (close == start + kBytes.size()) {
            parsed.bytes += rest.substr(0, close);
            rest.remove_prefix(close);
            continue;
        }
        const std::optional<std::string> bytes =
            latin1(rest.substr(start + kBytes.size(), close - start - kBytes.size()));
        if (!bytes) {
            parsed.error = "BYTES(...) holds a character above U+00FF";
            return parsed;
        }
        parsed.bytes += rest.substr(0, start);
        parsed.bytes += *bytes;
        rest.remove_prefix(close + 1);
    }
    parsed.bytes += rest;
    return parsed;
}

ParsedResponse dialogueResponse(std::optional<std::string_view> text) {
    ParsedResponse fixed = fixedResponse(text);
    if (!fixed.error.empty() || fixed.response.fixed.find(kRandom) == std::string::npos)
        return fixed;
    return randomResponse(fixed.response.fixed);
}

ParsedResponse getterResponse(std::string_view text) {
    if (text == kNullResponse)
        return {};
    if (text.find(kRandom) != text.npos)
        return randomResponse(text);
    ParsedResponse parsed{.response = {.kind = Response::Kind::Formatted}};
    ParsedFormat format = parseFormatString(text);
    parsed.error = format.error.empty() ? positionalError(format.format) : format.error;
    if (!parsed.error.empty())
        parsed.error = fmt::format("{} in \"{}\"", parsed.error, text);
    parsed.response.format = std::move(format.format);
    return parsed;
}

ParsedResponse fixedResponse(std::optional<std::string_view> text) {
    if (!text || *text == kNullResponse)
        return {};
    ParsedBytes bytes = definitionBytes(*text);
    return {.response = {.kind = Response::Kind::Fixed, .fixed = std::move(bytes.bytes)},
            .error = std::move(bytes.error)};
}

} // namespace gpibsim::definitions
