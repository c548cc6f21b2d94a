// SPDX-License-Identifier: MIT
// AR488's command table and its commands that keep settings.
#include "gpibsim/adapter/ar488.h"

#include "gpibsim/adapter/ctext.h"

#include <string>

namespace gpibsim::adapter {

// Modes: 1 device, 2 controller, 3 both.
std::span<const Ar488::Command> Ar488::commands() {
    static const Command kCommands[] = {
        {"addr", 3, &Ar488::addr},
        {"allspoll", 2, &Ar488::allSpoll},
        {"auto", 2, &Ar488::autoMode},
        {"clr", 2, &Ar488::clear},
        {"dcl", 2, &Ar488::deviceClear},
        {"default", 3, &Ar488::defaults},
        {"eoi", 3, &Ar488::eoi},
        {"eor", 3, &Ar488::eor},
        {"eos", 3, &Ar488::eos},
        {"eot_char", 3, &Ar488::eotChar},
        {"eot_enable", 3, &Ar488::eotEnable},
        {"flags", 2, &Ar488::flags},
        {"fndl", 2, &Ar488::findListeners},
        {"help", 3, &Ar488::help},
        {"ifc", 2, &Ar488::interfaceClear},
        {"id", 3, &Ar488::id},
        {"idn", 3, &Ar488::idn},
        {"llo", 2, &Ar488::localLockout},
        {"loc", 2, &Ar488::local},
        {"lon", 1, &Ar488::listenOnly},
        {"macro", 2, &Ar488::macro},
        {"mode", 3, &Ar488::mode},
        {"ppoll", 2, &Ar488::parallelPoll},
        {"prom", 1, &Ar488::promiscuous},
        {"read", 2, &Ar488::read},
        {"read_tmo_ms", 2, &Ar488::readTimeout},
        {"ren", 2, &Ar488::remoteEnable},
        {"repeat", 2, &Ar488::repeat},
        {"rst", 3, &Ar488::reset},
        {"trg", 2, &Ar488::trigger},
        {"savecfg", 3, &Ar488::saveConfig},
        {"send", 2, &Ar488::send},
        {"setvstr", 3, &Ar488::setVersion},
        {"spoll", 2, &Ar488::spoll},
        {"srq", 2, &Ar488::srq},
        {"srqauto", 2, &Ar488::srqAuto},
        {"status", 1, &Ar488::statusByte},
        {"tct", 2, &Ar488::passControl},
        {"ton", 1, &Ar488::talkOnly},
        {"unl", 2, &Ar488::unlisten},
        {"unt", 2, &Ar488::untalk},
        {"ver", 3, &Ar488::version},
        {"verbose", 3, &Ar488::verboseMode},
        {"xdiag", 3, &Ar488::diagnose},
    };
    return kCommands;
}

namespace {

std::string onOff(bool on) {
    return on ? "ON" : "OFF";
}

} // namespace

// The primary address, then an optional secondary one: below 31 it counts from 96, and any
// other value is kept as it is, as the firmware's range check never refuses one.
void Ar488::addr(Params params) {
    if (!params) {
        const std::string sad = config_.sad == 0xFF ? "" : "," + std::to_string(config_.sad);
        host_.line(std::to_string(config_.pad) + sad);
        return;
    }
    ctext::Tokens tokens(*params);
    const std::optional<std::string_view> pad = tokens.next(", \t");
    if (!ctext::isNumber(pad))
        return error(2);
    const std::optional<unsigned> value = number(*pad, 0, 30);
    if (!value)
        return;
    if (*value == kOwnAddress) {
        error(2);
        return verbose("Cannot address the controller!");
    }
    config_.pad = static_cast<std::uint8_t>(*value);
    config_.sad = 0xFF;
    if (const std::optional<std::string_view> sad = tokens.next(", \t")) {
        if (!ctext::isNumber(sad))
            return error(2);
        auto secondary = static_cast<std::uint8_t>(ctext::toInt(sad));
        config_.sad = secondary < 31 ? static_cast<std::uint8_t>(secondary + 0x60) : secondary;
    }
    verbose("PRI address set to: " + std::to_string(config_.pad));
    verbose("SEC address set to: " +
            (config_.sad == 0xFF ? std::string("unset") : std::to_string(config_.sad)));
}

void Ar488::autoMode(Params params) {
    setting(
        params, 0, 3, config_.autoMode,
        [&](unsigned value) {
            if (value > 0) {
                verbose("WARNING: automode ON can cause some devices to generate");
                verbose("         'addressed to talk but nothing to say' errors");
            }
            config_.autoMode = static_cast<std::uint8_t>(value);
            verbose("Auto mode: " + std::to_string(value));
        });
}

void Ar488::defaults(Params) {
    config_ = defaults_;
}

void Ar488::eoi(Params params) {
    setting(
        params, 0, 1, config_.eoi,
        [&](unsigned value) {
            config_.eoi = value != 0;
            verbose("Set EOI assertion: " + onOff(config_.eoi));
        });
}

// Values up to 15 are taken; reading a value above 7 back resets it to 0 first.
void Ar488::eor(Params params) {
    if (!params && config_.eor > 7)
        config_.eor = 0;
    setting(params, 0, 15, config_.eor, [&](unsigned value) {
        config_.eor = static_cast<std::uint8_t>(value);
        verbose("Set EOR to: " + std::to_string(value));
    });
}

void Ar488::eos(Params params) {
    setting(
        params, 0, 3, config_.eos,
        [&](unsigned value) {
            config_.eos = static_cast<std::uint8_t>(value);
            verbose("Set EOS to: " + std::to_string(value));
        });
}

// The character is kept in a signed char and read back as one: 200 reads back as -56.
void Ar488::eotChar(Params params) {
    if (!params)
        return host_.line(
            std::to_string(static_cast<int>(static_cast<signed char>(config_.eotChar))));
    setting(params, 0, 255, 0, [&](unsigned value) {
        config_.eotChar = static_cast<char>(value);
        verbose("EOT set to ASCII character: " + std::to_string(value));
    });
}

void Ar488::eotEnable(Params params) {
    setting(
        params, 0, 1, config_.eotEnable,
        [&](unsigned value) {
            config_.eotEnable = value != 0;
            verbose("Appending of EOT character: " + onOff(config_.eotEnable));
        });
}

void Ar488::flags(Params params) {
    setting(
        params, 0, 7, config_.flags,
        [&](unsigned value) { config_.flags = static_cast<std::uint8_t>(value); });
}

void Ar488::idn(Params params) {
    setting(
        params, 0, 2, config_.idn,
        [&](unsigned value) {
            config_.idn = static_cast<std::uint8_t>(value);
            verbose(std::string("Sending IDN: ") + (value ? "Enabled" : "Disabled") +
                    (value == 2 ? " with serial number" : ""));
        });
}

// ++mode 1 starts controller mode again even when already in it.
void Ar488::mode(Params params) {
    setting(
        params, 0, 1, controller() ? 1 : 0,
        [&](unsigned value) {
            if (value == 1)
                startController();
            else
                startDevice();
            verbose(std::string("Interface mode set to: ") + (value ? "CONTROLLER" : "DEVICE"));
        });
}

void Ar488::readTimeout(Params params) {
    setting(
        params, 1, 32000, config_.readTimeout,
        [&](unsigned value) {
            config_.readTimeout = static_cast<std::uint16_t>(value);
            verbose("Set [read_tmo_ms] to: " + std::to_string(value) + " milliseconds");
        });
}

// The watchdog resets the Uno after a second; it starts again from its saved settings.
void Ar488::reset(Params) {
    bus_.wait(std::chrono::milliseconds(1000));
    restart();
}

void Ar488::saveConfig(Params) {
    saved_ = config_;
    verbose("Settings saved.");
}

void Ar488::srqAuto(Params params) {
    setting(
        params, 0, 1, srqAuto_,
        [&](unsigned value) {
            srqAuto_ = value != 0;
            verbose(srqAuto_ ? "SRQ auto ON" : "SRQ auto OFF");
        });
}

// "real", or any word starting "rea", gives the firmware's own text.
void Ar488::version(Params params) {
    if (params && ctext::startsNoCase(*params, "real", 3))
        host_.line(firmwareText_);
    else
        host_.line(config_.versionText.empty() ? firmwareText_ : config_.versionText);
}

// Verbose mode echoes what the host types, shows a prompt and explains each command.
void Ar488::verboseMode(Params) {
    verbose_ = !verbose_;
    host_.line("Verbose: " + onOff(verbose_));
}

void Ar488::listenOnly(Params params) {
    setting(
        params, 0, 1, listenOnly_,
        [&](unsigned value) {
            listenOnly_ = value != 0;
            if (listenOnly_) {
                talkOnly_ = 0;
                promiscuous_ = false;
            }
            verbose("LON: " + onOff(listenOnly_));
        });
}

void Ar488::promiscuous(Params params) {
    setting(
        params, 0, 1, promiscuous_,
        [&](unsigned value) {
            promiscuous_ = value != 0;
            if (promiscuous_) {
                talkOnly_ = 0;
                listenOnly_ = false;
            }
            verbose("PROM: " + onOff(promiscuous_));
        });
}

void Ar488::talkOnly(Params params) {
    if (!params) {
        static constexpr std::string_view kModes[] = {"OFF", "ON unbuffered", "ON buffered"};
        verbose("TON: " + std::string(kModes[talkOnly_]));
        return host_.line(std::to_string(talkOnly_));
    }
    if (const std::optional<unsigned> value = number(*params, 0, 2)) {
        talkOnly_ = static_cast<std::uint8_t>(*value);
        if (talkOnly_ > 0)
            listenOnly_ = promiscuous_ = false;
    }
}

void Ar488::statusByte(Params params) {
    setting(
        params, 0, 255, config_.status,
        [&](unsigned value) { config_.status = static_cast<std::uint8_t>(value); });
}

} // namespace gpibsim::adapter
