// SPDX-License-Identifier: MIT
// gpibsim-adapter: the simulated bus as a "++" GPIB adapter on a pseudo-terminal or TCP port.
#include "gpibsim/adaptertool/adapterserver.h"
#include "gpibsim/adaptertool/options.h"
#include "gpibsim/adaptertool/stopsignal.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <string>

using namespace gpibsim::adaptertool;

int main(int argc, char **argv) {
    CommandLine line;
    try {
        line = parseCommandLine(argc, argv);
    } catch (const UsageError &error) {
        std::fprintf(stderr, "gpibsim-adapter: %s; try 'gpibsim-adapter --help'\n", error.what());
        return 2;
    }
    switch (line.action) {
    case CommandLine::Action::Help:
        std::fputs(usageText().c_str(), stdout);
        return 0;
    case CommandLine::Action::Version:
        std::puts("gpibsim-adapter " GPIBSIM_VERSION);
        return 0;
    case CommandLine::Action::Serve:
        break;
    }
    // Standard output closed by a reader that has what it wanted is no reason to end.
    std::signal(SIGPIPE, SIG_IGN);
    try {
        StopSignal stop;
        AdapterServer server(line.options, stop);
        server.run();
    } catch (const std::exception &error) {
        std::fprintf(stderr, "gpibsim-adapter: %s\n", error.what());
        return 1;
    }
    return 0;
}
