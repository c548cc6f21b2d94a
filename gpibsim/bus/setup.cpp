// SPDX-License-Identifier: MIT
#include "gpibsim/bus/setup.h"

#include "driverfront/api/address.h"
#include "gpibsim/definitions/libraryfolder.h"
#include "gpibsim/system/environment.h"
#include "gpibsim/text/text.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>
#include <utility>

namespace gpibsim {

namespace {

constexpr int kLongestDelayMs = 60000;

// "PAD" or "PAD.SAD"; pad 0 belongs to the board.
std::optional<Addr4882_t> toAddress(std::string_view text) {
    const std::size_t dot = text.find('.');
    const std::optional<int> pad = toInt(text.substr(0, dot));
    if (!pad || *pad == 0 || !driverfront::isPrimary(*pad))
        return std::nullopt;
    if (dot == std::string_view::npos)
        return driverfront::makeAddress(*pad, NO_SAD);
    const std::optional<int> sad = toInt(text.substr(dot + 1));
    if (!sad || *sad == NO_SAD || !driverfront::isSecondary(*sad))
        return std::nullopt;
    return driverfront::makeAddress(*pad, *sad);
}

// Resolves the escapes \n \r \\ and \xHH.
std::optional<std::string> unescape(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        const std::string_view escape = text.substr(i + 1);
        if (escape.starts_with('n')) {
            bytes += '\n';
        } else if (escape.starts_with('r')) {
            bytes += '\r';
        } else if (escape.starts_with('\\')) {
            bytes += '\\';
        } else if (escape.starts_with('x') && escape.size() >= 3) {
            unsigned value = 0;
            const char *digits = escape.data() + 1;
            const auto [end, error] = std::from_chars(digits, digits + 2, value, 16);
            if (error != std::errc() || end != digits + 2)
                return std::nullopt;
            bytes += static_cast<char>(value);
            i += 2;
        } else {
            return std::nullopt;
        }
        ++i;
    }
    return bytes;
}

class Parser {
public:
    explicit Parser(std::optional<std::vector<definitions::Resource>> defined)
        : defined_(defined.has_value()) {
        if (!defined)
            return;
        for (definitions::Resource &resource : *defined)
            setup_.instruments.push_back({.kind = InstrumentKind::Defined,
                                          .address = resource.address,
                                          .definition = std::move(resource.definition)});
    }

    // What is wrong with the item; empty when nothing is.
    std::string add(std::string_view item);
    // Completes the bench; returns what is wrong with it as a whole.
    std::string finish();
    const Setup &setup() const { return setup_; }

private:
    struct Answer {
        std::string_view item;
        Addr4882_t address;
        std::string text;
    };

    std::string place(InstrumentKind kind, std::string_view address);
    std::string fault(std::string_view value, bool delay);
    std::string answer(std::string_view item, std::string_view value);

    Setup setup_;
    bool defined_;
    bool none_ = false;
    std::vector<Answer> answers_;
};

std::string Parser::add(std::string_view item) {
    if (item == "none") {
        none_ = true;
        return {};
    }
    if (item.starts_with("dmm@"))
        return place(InstrumentKind::Multimeter, item.substr(4));
    if (item.starts_with("generic@"))
        return place(InstrumentKind::Generic, item.substr(8));
    if (item.starts_with("fail="))
        return fault(item.substr(5), false);
    if (item.starts_with("delay="))
        return fault(item.substr(6), true);
    if (item.starts_with("response="))
        return answer(item, item.substr(9));
    if (item.starts_with("listeners=")) {
        setup_.script.listeners = toInt(item.substr(10));
        return setup_.script.listeners ? "" : "the count is not an integer";
    }
    return "unknown item";
}

std::string Parser::place(InstrumentKind kind, std::string_view address) {
    const std::optional<Addr4882_t> at = toAddress(address);
    if (!at)
        return "the address is not PAD (1..30) or PAD.SAD (SAD 96..126)";
    const auto taken = std::ranges::find(setup_.instruments, *at, &Placement::address);
    if (taken != setup_.instruments.end() && taken->definition)
        return "the instrument of " + taken->definition->origin + " is already at that address";
    if (taken != setup_.instruments.end())
        return "an instrument is already at that address";
    setup_.instruments.push_back({kind, *at, std::nullopt});
    return {};
}

std::string Parser::fault(std::string_view value, bool delay) {
    const std::size_t colon = value.find(':');
    const auto *name = std::ranges::find(kEntryNames, value.substr(0, colon),
                                         &std::pair<std::string_view, driverfront::Entry>::first);
    if (colon == std::string_view::npos || name == std::ranges::end(kEntryNames))
        return "unknown entry point";
    const std::optional<int> number = toInt(value.substr(colon + 1));
    if (!number || *number < 0 || (delay && *number > kLongestDelayMs))
        return delay ? "the delay is not 0..60000 ms" : "the error code is not a number >= 0";
    driverfront::Fault &fault = setup_.script.faults[static_cast<std::size_t>(name->second)];
    if (delay)
        fault.delay = std::chrono::milliseconds(*number);
    else
        fault.iberr = *number;
    return {};
}

std::string Parser::answer(std::string_view item, std::string_view value) {
    const std::size_t colon = value.find(':');
    const std::optional<Addr4882_t> at = toAddress(value.substr(0, colon));
    if (colon == std::string_view::npos || !at)
        return "the address is not PAD (1..30) or PAD.SAD (SAD 96..126)";
    std::optional<std::string> text = unescape(value.substr(colon + 1));
    if (!text)
        return "bad escape (use \\n \\r \\\\ \\xHH)";
    if (text->empty())
        return "the response is empty";
    answers_.push_back({item, *at, std::move(*text)});
    return {};
}

std::string Parser::finish() {
    if (none_ && !setup_.instruments.empty())
        return "\"none\" given together with instruments";
    if (!none_ && !defined_ && setup_.instruments.empty())
        setup_.instruments = defaultSetup().instruments;
    for (Answer &answer : answers_) {
        const auto placement =
            std::ranges::find(setup_.instruments, answer.address, &Placement::address);
        if (placement == setup_.instruments.end())
            return "item \"" + escaped(answer.item) + "\": no instrument at that address";
        placement->answer = std::move(answer.text);
    }
    return {};
}

} // namespace

Setup defaultSetup() {
    return {.instruments = {
                {InstrumentKind::Multimeter, driverfront::makeAddress(4, NO_SAD), std::nullopt},
                {InstrumentKind::Generic, driverfront::makeAddress(5, 97), std::nullopt}}};
}

ParsedSetup parseSetup(std::string_view text,
                       std::optional<std::vector<definitions::Resource>> defined) {
    Parser parser(std::move(defined));
    for (const std::string_view item : split(text, ';')) {
        if (item.empty())
            continue;
        const std::string wrong = parser.add(item);
        if (!wrong.empty())
            return {defaultSetup(), "item \"" + escaped(item) + "\": " + wrong};
    }
    const std::string wrong = parser.finish();
    if (!wrong.empty())
        return {defaultSetup(), wrong};
    return {parser.setup(), {}};
}

Setup setupFromEnvironment() {
    const std::optional<std::string> text = environmentValue("GPIBSIM_BENCH");
    const std::optional<std::string> devices = environmentValue("GPIBSIM_DEVICES");
    std::optional<std::vector<definitions::Resource>> defined;
    if (devices && !devices->empty()) {
        definitions::Loaded loaded =
            definitions::loadFiles(*devices, definitions::installedDefinitions());
        for (const std::string &note : loaded.notes)
            std::fprintf(stderr, "gpibsim: %s\n", note.c_str());
        if (!loaded.error.empty()) {
            std::fprintf(stderr, "gpibsim: GPIBSIM_DEVICES %s; using the default bench\n",
                         loaded.error.c_str());
            return defaultSetup();
        }
        defined = std::move(loaded.instruments);
    }
    if (!text && !defined)
        return defaultSetup();
    ParsedSetup parsed = parseSetup(text.value_or(""), std::move(defined));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "gpibsim: GPIBSIM_BENCH %s; using the default bench\n",
                     parsed.error.c_str());
    }
    return std::move(parsed.setup);
}

} // namespace gpibsim
