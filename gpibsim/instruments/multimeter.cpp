// SPDX-License-Identifier: MIT
#include "gpibsim/instruments/multimeter.h"

#include "gpibsim/instruments/headermatch.h"

#include <cstdio>

namespace gpibsim {

Multimeter::Multimeter(std::string_view serial) : Instrument("Simulated Multimeter", serial) {}

// Range and resolution arguments of MEAS:VOLT:DC? are accepted and have no effect.
bool Multimeter::execute(std::string_view unit) {
    const std::string_view header = headerOf(unit);
    if (!headerMatches("MEASure:VOLTage:DC?", header) && !headerMatches("READ?", header))
        return false;
    respond(nextReading());
    return true;
}

void Multimeter::onTrigger() {
    respond(nextReading());
}

// A small repeating wander, so successive readings differ as on a real meter.
std::string Multimeter::nextReading() {
    const int wander = static_cast<int>(readings_++ % 7) - 3;
    char reading[32];
    std::snprintf(reading, sizeof reading, "%+.5E", 1.23456 + wander * 1e-5);
    return reading;
}

} // namespace gpibsim
