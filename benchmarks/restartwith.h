// SPDX-License-Identifier: MIT
#pragma once

#include <cstdlib>
#include <initializer_list>
#include <string>
#include <utility>

#include <unistd.h>

// The simulated bus reads its environment when it is loaded, which for a program linked with it is
// before main. Gives the variables their values and starts the program again, unless they hold
// them already.
inline void restartWith(std::initializer_list<std::pair<const char *, std::string>> variables,
                        char **argv) {
    bool set = true;
    for (const auto &[name, value] : variables) {
        const char *now = std::getenv(name);
        set = set && now && value == now;
    }
    if (set)
        return;
    for (const auto &[name, value] : variables)
        setenv(name, value.c_str(), 1);
    execv("/proc/self/exe", argv);
    std::exit(1);
}
