// SPDX-License-Identifier: MIT
#include "gpibsim/adaptertool/options.h"

#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>
#include <utility>

#include <getopt.h>

namespace gpibsim::adaptertool {

namespace {

enum OptionId {
    kDialect = 256,
    kPty,
    kTcp,
    kVersionText,
    kTimeScale,
    kResetOnOpen,
    kInputBuffer,
    kFault,
    kHelp,
    kVersion,
};

constexpr std::array<option, 11> kOptions{{
    {"dialect", required_argument, nullptr, kDialect},
    {"pty", optional_argument, nullptr, kPty},
    {"tcp", optional_argument, nullptr, kTcp},
    {"version-text", required_argument, nullptr, kVersionText},
    {"time-scale", required_argument, nullptr, kTimeScale},
    {"reset-on-open", required_argument, nullptr, kResetOnOpen},
    {"input-buffer", required_argument, nullptr, kInputBuffer},
    {"fault", required_argument, nullptr, kFault},
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
}};

std::string quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

template <typename Value>
Value oneOf(std::string_view option, std::string_view text,
            std::initializer_list<std::pair<std::string_view, Value>> names) {
    std::string choices;
    for (const auto &[name, value] : names) {
        if (name == text)
            return value;
        choices += choices.empty() ? std::string(name) : "|" + std::string(name);
    }
    throw UsageError("--" + std::string(option) + " takes " + choices + ", not " + quoted(text));
}

// A whole number from `least` to `most`, written in decimal digits alone.
std::optional<long> wholeNumber(std::string_view text, long least, long most) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text.front() == '-' || error != std::errc() ||
        end != text.data() + text.size() || value < least || value > most)
        return std::nullopt;
    return value;
}

long wholeNumber(std::string_view option, std::string_view text, long least, long most) {
    if (const auto value = wholeNumber(text, least, most))
        return *value;
    throw UsageError("--" + std::string(option) + " takes a whole number from " +
                     std::to_string(least) + " to " + std::to_string(most) + ", not " +
                     quoted(text));
}

double timeScale(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    constexpr double kMost = 1e6;
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value <= 0 || value > kMost)
        throw UsageError("--time-scale takes a number above 0, at most 1000000, not " +
                         quoted(text));
    return value;
}

// [ADDRESS:]PORT, an IPv6 address in brackets: [::1]:1234.
TcpEndpoint tcpEndpoint(std::string_view text) {
    const UsageError wrong("--tcp takes [ADDRESS:]PORT, a port from 0 to 65535, not " +
                           quoted(text));
    TcpEndpoint endpoint;
    const auto colon = text.rfind(':');
    if (colon != std::string_view::npos) {
        std::string_view address = text.substr(0, colon);
        if (address.size() >= 2 && address.front() == '[' && address.back() == ']')
            address = address.substr(1, address.size() - 2);
        if (address.empty() || address.find_first_of("[]") != std::string_view::npos)
            throw wrong;
        endpoint.address = address;
    }
    const auto port =
        wholeNumber(colon == std::string_view::npos ? text : text.substr(colon + 1), 0, 65535);
    if (!port)
        throw wrong;
    endpoint.port = static_cast<int>(*port);
    return endpoint;
}

} // namespace

CommandLine parseCommandLine(int argc, char **argv) {
    CommandLine line;
    Options &options = line.options;
    opterr = 0;
    optind = 0; // glibc starts afresh, so the command line can be read more than once
    for (;;) {
        const int id = getopt_long(argc, argv, ":", kOptions.data(), nullptr);
        if (id == -1)
            break;
        const std::string_view value = optarg ? optarg : "";
        switch (id) {
        case kDialect:
            options.firmware.dialect = oneOf<adapter::Dialect>(
                "dialect", value,
                {{"prologix", adapter::Dialect::Prologix}, {"ar488", adapter::Dialect::Ar488}});
            break;
        case kPty:
            options.pty = true;
            if (optarg && value.empty())
                throw UsageError("--pty= needs a path for the link");
            options.ptyLink = value;
            break;
        case kTcp:
            options.tcp = optarg ? tcpEndpoint(value) : TcpEndpoint{};
            break;
        case kVersionText:
            options.firmware.versionText = std::string(value);
            break;
        case kTimeScale:
            options.firmware.timeScale = timeScale(value);
            break;
        case kResetOnOpen:
            options.resetOnOpen =
                std::chrono::milliseconds(wholeNumber("reset-on-open", value, 1, 3'600'000));
            break;
        case kInputBuffer:
            options.inputBuffer =
                static_cast<std::size_t>(wholeNumber("input-buffer", value, 1, 1 << 20));
            break;
        case kFault:
            options.fault = oneOf<Fault>("fault", value,
                                         {{"silent", Fault::Silent},
                                          {"garbage", Fault::Garbage},
                                          {"drop", Fault::Drop},
                                          {"dribble", Fault::Dribble}});
            break;
        case kHelp:
            line.action = CommandLine::Action::Help;
            break;
        case kVersion:
            line.action = CommandLine::Action::Version;
            break;
        case ':':
            throw UsageError("option " + quoted(argv[optind - 1]) + " needs a value");
        default:
            throw UsageError("unknown option " + quoted(argv[optind - 1]));
        }
    }
    if (optind < argc)
        throw UsageError("unexpected argument " + quoted(argv[optind]));
    if (!options.pty && !options.tcp)
        options.pty = true;
    return line;
}

std::string usageText() {
    return R"(usage: gpibsim-adapter [--dialect prologix|ar488] [--pty[=LINK]] [--tcp[=[ADDRESS:]PORT]]
                       [--version-text TEXT] [--time-scale=F] [--reset-on-open=MS]
                       [--input-buffer=BYTES] [--fault=silent|garbage|drop|dribble]
Serves the simulated GPIB bus as a "++" GPIB adapter in controller mode, on a pseudo-terminal
and/or a TCP port, one client at a time. Prints "pty /dev/pts/N" or "tcp ADDRESS:PORT" once each
is ready.
  --dialect D          prologix (the default) or ar488
  --pty[=LINK]         serve a pseudo-terminal (the default), with a symbolic link to it at LINK
  --tcp[=[ADDRESS:]PORT]  serve TCP, 127.0.0.1:1234 by default; port 0 takes a free port
  --version-text TEXT  what ++ver answers
  --time-scale=F       the firmware's timeouts run F times faster
  --reset-on-open=MS   reset when a client opens the port or connects, dropping input for MS ms
  --input-buffer=BYTES  lose input beyond BYTES that arrives while the firmware is busy
  --fault=F            silent, garbage (noise), drop (the link, mid-reply), dribble (byte by byte)
  --help, --version
The bench comes from GPIBSIM_BENCH and GPIBSIM_DEVICES, the bus trace from GPIBSIM_TRACE.
)";
}

} // namespace gpibsim::adaptertool
