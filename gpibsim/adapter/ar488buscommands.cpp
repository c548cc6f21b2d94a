// SPDX-License-Identifier: MIT
// AR488's commands that act on the bus.
#include "gpibsim/adapter/ar488.h"

#include "driverfront/api/address.h"
#include "gpibsim/adapter/ctext.h"

#include <string>

namespace gpibsim::adapter {

namespace {

constexpr int kNoSecondary = 0xFF;

// "4-6": a range whose end lies above its start.
std::optional<std::pair<unsigned, unsigned>> rangeOf(std::string_view text) {
    if (text.starts_with('-'))
        return std::nullopt;
    for (std::size_t dash = text.find('-'); dash != std::string_view::npos;
         dash = text.find('-', dash + 1)) {
        const std::uint32_t first = ctext::toUnsigned(text);
        const std::uint32_t last = ctext::toUnsigned(text.substr(dash + 1));
        if (last > first)
            return std::pair{first, last};
    }
    return std::nullopt;
}

} // namespace

void Ar488::allSpoll(Params) {
    spoll(Params{"all"});
}

// Selected device clear to the addressed instrument.
void Ar488::clear(Params) {
    if (!addressedCommand(config_.pad, config_.sad, SDC))
        verbose("Failed to send SDC");
}

void Ar488::deviceClear(Params) {
    bus_.send({DCL});
}

// ++fndl all, a range (4-6) or a list of up to 15 primary addresses. It sets read_tmo_ms to
// 35 ms for the search and leaves it so when it refuses its parameters.
void Ar488::findListeners(Params params) {
    const std::uint16_t timeout = config_.readTimeout;
    config_.readTimeout = 35;
    if (!params)
        return error(1);
    std::vector<int> addresses;
    if (const auto range = rangeOf(*params)) {
        if (range->first >= 30 || range->second >= 31)
            return error(2);
        for (unsigned pad = range->first; pad <= range->second; ++pad)
            addresses.push_back(static_cast<int>(pad));
    } else if (ctext::startsNoCase(*params, "all", 4)) {
        for (int pad = 0; pad <= 30; ++pad)
            addresses.push_back(pad);
    } else {
        ctext::Tokens tokens(*params);
        for (auto token = tokens.next(" ,\t"); token && addresses.size() < 15;
             token = tokens.next(" ,\t")) {
            if (token->size() > 2 || !ctext::isNumber(token))
                return error(2);
            const std::optional<unsigned> pad = number(*token, 0, 30);
            if (!pad)
                return;
            addresses.push_back(static_cast<int>(*pad));
        }
    }
    int found = 0;
    for (const int pad : addresses)
        if (pad != kOwnAddress)
            probeListener(pad, found);
    host_.line("");
    config_.readTimeout = timeout;
}

void Ar488::interfaceClear(Params) {
    bus_.cable().interfaceClear();
    verbose("IFC signal asserted for 150 microseconds");
}

// Only with REN asserted: "all" sends LLO to everyone, nothing the addressed instrument.
void Ar488::localLockout(Params params) {
    if (!remoteEnabled())
        return;
    if (!params) {
        if (!addressedCommand(config_.pad, config_.sad, LLO))
            verbose("Failed to send LLO!");
    } else if (params->starts_with("all"))
        bus_.send({LLO});
}

// Only with REN asserted: "all" releases REN and asserts it again, nothing sends GTL to the
// addressed instrument.
void Ar488::local(Params params) {
    if (!remoteEnabled())
        return;
    if (!params) {
        if (!addressedCommand(config_.pad, config_.sad, GTL))
            verbose("Failed to send LOC!");
    } else if (params->starts_with("all")) {
        bus_.cable().setRemoteEnable(false);
        bus_.wait(std::chrono::milliseconds(40));
        bus_.cable().setRemoteEnable(true);
        bus_.wait(std::chrono::milliseconds(40));
    }
}

// No instrument on the simulated bus answers a parallel poll.
void Ar488::parallelPoll(Params) {
    host_.line("0");
    verbose("Parallel poll completed.");
}

void Ar488::remoteEnable(Params params) {
    setting(
        params, 0, 1, remoteEnabled(),
        [&](unsigned value) {
            bus_.cable().setRemoteEnable(value != 0);
            verbose(std::string("REN: ") + (value ? "REN asserted" : "REN un-asserted"));
        });
}

// ++spoll polls the addressed instrument, ++spoll all (or ++allspoll) 1 to 29, and a list of
// up to 15 primary addresses polls them in turn; secondary addresses are refused.
void Ar488::spoll(Params params) {
    std::vector<int> addresses;
    const bool all = params && ctext::startsNoCase(*params, "all", 3);
    if (!params) {
        addresses.push_back(config_.pad);
    } else if (all) {
        verbose("Serial poll of all devices requested...");
        for (int pad = 0; pad < 30; ++pad)
            addresses.push_back(pad);
    } else {
        ctext::Tokens tokens(*params);
        for (auto token = tokens.next(" \t"); token && addresses.size() < 15;
             token = tokens.next(" \t")) {
            if (!ctext::isNumber(token) || token->size() > 2)
                return error(2);
            const std::optional<unsigned> pad = number(*token, 1, 30);
            if (!pad)
                return;
            addresses.push_back(static_cast<int>(*pad));
        }
    }
    pollAddresses(addresses, all);
}

void Ar488::srq(Params) {
    host_.line(bus_.serviceRequested() ? "1" : "0");
}

// Passes control to another instrument and goes over to device mode.
void Ar488::passControl(Params params) {
    if (!params)
        return;
    const std::optional<unsigned> pad = number(*params, 0, 30);
    if (!pad)
        return;
    if (*pad == kOwnAddress) {
        error(2);
        return verbose("That is my address! Please provide the address of a remote device.");
    }
    addressedCommand(static_cast<int>(*pad), kNoSecondary, TCT);
    if (verbose_)
        host_.send("Sending TCT to device at address " + std::to_string(*pad));
    verbose(" succeeded.");
    startDevice();
    verbose("Switched to device mode.");
}

// Up to 15 primary addresses, each triggered on its own; without one, the addressed instrument
// at its primary address alone.
void Ar488::trigger(Params params) {
    std::vector<int> addresses;
    if (!params) {
        addresses.push_back(config_.pad);
    } else {
        ctext::Tokens tokens(*params);
        for (auto token = tokens.next(" \t"); token && addresses.size() < 15;
             token = tokens.next(" \t")) {
            const std::optional<unsigned> pad = number(*token, 1, 30);
            if (!pad)
                return;
            addresses.push_back(static_cast<int>(*pad));
        }
    }
    for (const int pad : addresses)
        addressedCommand(pad, kNoSecondary, GET);
    verbose("Group trigger completed.");
}

void Ar488::unlisten(Params) {
    bus_.send({UNL});
    addressed_ = Addressed::None;
}

void Ar488::untalk(Params) {
    bus_.send({UNT});
    addressed_ = Addressed::None;
}

} // namespace gpibsim::adapter
