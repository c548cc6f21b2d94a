// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/adapter/firmware.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>

namespace gpibsim::adaptertool {

// What the adapter does wrong on purpose, for testing clients.
enum class Fault {
    None,
    Silent,  // never answers
    Garbage, // answers noise
    Drop,    // drops the link halfway through each reply
    Dribble, // sends each reply one byte at a time
};

struct TcpEndpoint {
    std::string address = "127.0.0.1";
    int port = 1234; // 0: a free port
};

struct Options {
    adapter::FirmwareSettings firmware{};
    bool pty = false;
    std::string ptyLink{}; // empty: no link
    std::optional<TcpEndpoint> tcp{};
    std::chrono::milliseconds resetOnOpen{0}; // 0: no reset when a client comes
    std::size_t inputBuffer = 0;              // 0: no input is lost
    Fault fault = Fault::None;
};

struct CommandLine {
    enum class Action { Serve, Help, Version };
    Action action = Action::Serve;
    Options options{};
};

// A command line the tool does not take; what() names what is wrong, in one line.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads gpibsim-adapter's command line; argv[0] is the program. Throws UsageError.
CommandLine parseCommandLine(int argc, char **argv);

// --help's text.
std::string usageText();

} // namespace gpibsim::adaptertool
