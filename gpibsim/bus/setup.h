// SPDX-License-Identifier: MIT
#pragma once

#include "driverfront/front/script.h"
#include "gpibsim/api/gpibsim.h"
#include "gpibsim/definitions/loader.h"

#include <array>
#include <chrono>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace gpibsim {

// The driver calls a bench can script faults for: those the simulated bus offers.
inline constexpr std::pair<std::string_view, driverfront::Entry> kEntryNames[] = {
#define DRIVER_CALL(type, name, parameters) {#name, driverfront::Entry::name},
#include "gpibsim/api/calltable.h"
};

enum class InstrumentKind { Multimeter, Generic, Defined };

struct Placement {
    InstrumentKind kind;
    Addr4882_t address;
    std::optional<std::string> answer{}; // given to every read, byte for byte
    std::shared_ptr<const definitions::Definition> definition{}; // of a Defined instrument

    bool operator==(const Placement &) const = default;
};

// The instruments on the bus and the faults scripted for the driver calls.
struct Setup {
    std::vector<Placement> instruments;
    driverfront::Script script{};

    bool operator==(const Setup &) const = default;
};

// A multimeter at 4 and a generic instrument at 5, secondary 97.
Setup defaultSetup();

struct ParsedSetup {
    Setup setup;       // the default setup when the text is malformed
    std::string error; // what is malformed, empty when nothing is
};

// Reads a bench written in the GPIBSIM_BENCH grammar (see the README). Instruments `defined`
// elsewhere take the place of the default ones, and items add theirs to them.
ParsedSetup parseSetup(std::string_view text,
                       std::optional<std::vector<definitions::Resource>> defined = std::nullopt);

// The bench GPIBSIM_DEVICES and GPIBSIM_BENCH describe. A bad definition file or a malformed
// value is reported in one line on stderr and gives the default bench. Both are read when the
// library is loaded, and again at each load after an unload (instance.cpp).
Setup setupFromEnvironment();

} // namespace gpibsim
