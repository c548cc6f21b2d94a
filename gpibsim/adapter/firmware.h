// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/bus/cable.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace gpibsim::adapter {

enum class Dialect { Prologix, Ar488 };

struct FirmwareSettings {
    Dialect dialect = Dialect::Prologix;
    std::optional<std::string> versionText{}; // what ++ver answers; our tool's own name by default
    double timeScale = 1.0;                   // the firmware's waits run this many times faster
};

// The firmware of a "++" adapter in controller mode, system controller at address 0 on the
// cable it is given. It takes the host's bytes as they arrive, splits them into lines, and
// carries each line out as its dialect's firmware does: a command to the adapter, or data for
// the addressed instrument. What it sends the host goes to `output`; its waits (a read timeout,
// re-initialising the bus) take real time, divided by the time scale.
class Firmware {
public:
    using Output = std::function<void(std::string_view bytes)>;

    Firmware(const FirmwareSettings &settings, Cable &cable, Output output);
    ~Firmware();
    Firmware(const Firmware &) = delete;
    Firmware &operator=(const Firmware &) = delete;

    // Takes the host's bytes in order, up to and including the end of the first whole line (or
    // of a piece of a line that filled the firmware's buffer), and carries it out before it
    // returns. Returns how many bytes it took: all of them when no line ended among them.
    std::size_t receive(std::string_view bytes);
    // The host went away: a line it had not finished is forgotten, and the bus stays as it was.
    void hostGone();
    // The adapter starts again as after power-on or a reset (an Uno's when its port is opened):
    // settings not saved with ++savecfg are lost, and the start-up runs again (AR488 prints its
    // ready flag when ++flags saved says so).
    void restart();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace gpibsim::adapter
