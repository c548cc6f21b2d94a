// SPDX-License-Identifier: MIT
// The commands of the "++" controller the manual describes.
#include "gpibsim/adapter/prologix.h"

#include "driverfront/api/address.h"

#include <array>
#include <charconv>
#include <string>

namespace gpibsim::adapter {

std::span<const Prologix::Command> Prologix::commands() {
    static const Command kCommands[] = {
        {"addr", false, &Prologix::addr, "++addr [PAD [SAD]]  instrument address, SAD 96-126"},
        {"auto", true, &Prologix::autoRead, "++auto [0|1]  read after each data line"},
        {"clr", true, &Prologix::clear, "++clr  device clear to the instrument"},
        {"eoi", false, &Prologix::eoi, "++eoi [0|1]  EOI with the last byte sent"},
        {"eos", false, &Prologix::eos, "++eos [0|1|2|3]  append CR LF, CR, LF or nothing"},
        {"eot_enable", false, &Prologix::eotEnable, "++eot_enable [0|1]  mark EOI to the host"},
        {"eot_char", false, &Prologix::eotChar, "++eot_char [0-255]  the byte that marks EOI"},
        {"ifc", true, &Prologix::interfaceClear, "++ifc  interface clear"},
        {"llo", true, &Prologix::localLockout, "++llo  local lockout"},
        {"loc", true, &Prologix::local, "++loc  go to local"},
        {"lon", false, &Prologix::listenOnly, "++lon [0|1]  listen only (device mode)"},
        {"mode", false, &Prologix::mode, "++mode [0|1]  device or controller mode"},
        {"read", true, &Prologix::read, "++read [eoi|CHAR]  read until timeout, EOI or CHAR"},
        {"read_tmo_ms", true, &Prologix::readTimeout, "++read_tmo_ms [1-3000]  read timeout"},
        {"rst", false, &Prologix::reset, "++rst  reset the adapter"},
        {"savecfg", false, &Prologix::saveConfig, "++savecfg [0|1]  save settings as they change"},
        {"spoll", true, &Prologix::spoll, "++spoll [PAD [SAD]]  serial poll"},
        {"srq", true, &Prologix::srq, "++srq  the SRQ line, 0 or 1"},
        {"status", false, &Prologix::status, "++status [0-255]  status byte (device mode)"},
        {"trg", true, &Prologix::trigger, "++trg [PAD [SAD] ...]  trigger up to 15 instruments"},
        {"ver", false, &Prologix::version, "++ver  version"},
        {"help", false, &Prologix::help, "++help  this list"},
    };
    return kCommands;
}

namespace {

// A whole decimal number within [low, high].
std::optional<int> numberOf(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

// PAD [SAD] pairs: a secondary address follows its primary.
std::optional<std::vector<Addr4882_t>> addressesOf(std::span<const std::string_view> words) {
    std::vector<Addr4882_t> addresses;
    for (const std::string_view word : words)
        if (const auto pad = numberOf(word, 0, 30))
            addresses.push_back(driverfront::makeAddress(*pad, NO_SAD));
        else if (const auto sad =
                     numberOf(word, driverfront::kFirstSecondary, driverfront::kLastSecondary);
                 sad && !addresses.empty() && (addresses.back() >> 8) == NO_SAD)
            addresses.back() = driverfront::makeAddress(addresses.back() & 0xFF, *sad);
        else
            return std::nullopt;
    return addresses;
}

} // namespace

void Prologix::setting(const Arguments &arguments, int low, int high, int &value) {
    if (arguments.empty())
        return host_.line(std::to_string(value));
    const std::optional<int> parsed = numberOf(arguments.front(), low, high);
    if (arguments.size() != 1 || !parsed)
        return;
    value = *parsed;
    if (saving_)
        saved_ = config_;
}

// Shown as "PAD" or "PAD SAD".
void Prologix::addr(const Arguments &arguments) {
    if (arguments.empty()) {
        const std::string sad = config_.sad ? " " + std::to_string(config_.sad) : "";
        return host_.line(std::to_string(config_.pad) + sad);
    }
    const std::optional<std::vector<Addr4882_t>> addresses = addressesOf(arguments);
    if (!addresses || addresses->size() != 1)
        return;
    config_.pad = addresses->front() & 0xFF;
    config_.sad = addresses->front() >> 8;
    if (saving_)
        saved_ = config_;
}

void Prologix::autoRead(const Arguments &arguments) {
    setting(arguments, 0, 1, config_.autoRead);
}

void Prologix::clear(const Arguments &) {
    bus_.cable().commandListeners(kOwnAddress, std::array{address()}, SDC);
}

void Prologix::eoi(const Arguments &arguments) {
    setting(arguments, 0, 1, config_.eoi);
}

void Prologix::eos(const Arguments &arguments) {
    setting(arguments, 0, 3, config_.eos);
}

void Prologix::eotEnable(const Arguments &arguments) {
    setting(arguments, 0, 1, config_.eotEnable);
}

void Prologix::eotChar(const Arguments &arguments) {
    setting(arguments, 0, 255, config_.eotChar);
}

void Prologix::interfaceClear(const Arguments &) {
    bus_.cable().interfaceClear();
}

void Prologix::localLockout(const Arguments &) {
    bus_.cable().commandListeners(kOwnAddress, std::array{address()}, LLO);
}

void Prologix::local(const Arguments &) {
    bus_.cable().commandListeners(kOwnAddress, std::array{address()}, GTL);
}

void Prologix::listenOnly(const Arguments &arguments) {
    int value = listenOnly_ ? 1 : 0;
    if (!config_.controller)
        setting(arguments, 0, 1, value);
    listenOnly_ = value != 0;
}

// Entering controller mode asserts REN and IFC; device mode leaves charge.
void Prologix::mode(const Arguments &arguments) {
    int controller = config_.controller ? 1 : 0;
    setting(arguments, 0, 1, controller);
    if ((controller != 0) == config_.controller)
        return;
    config_.controller = controller != 0;
    if (saving_)
        saved_ = config_;
    if (config_.controller)
        startController();
    else
        bus_.cable().goOffline();
}

// To the timeout alone, to EOI, or to a byte given in decimal.
void Prologix::read(const Arguments &arguments) {
    ReadEnd end;
    if (arguments.size() > 1)
        return;
    if (arguments.size() == 1 && arguments.front() == "eoi") {
        end.eoi = true;
    } else if (arguments.size() == 1) {
        const std::optional<int> byte = numberOf(arguments.front(), 0, 255);
        if (!byte)
            return;
        end.terminator = std::string(1, static_cast<char>(*byte));
    }
    readFrom(address(), end);
}

void Prologix::readTimeout(const Arguments &arguments) {
    setting(arguments, 1, 3000, config_.readTimeout);
}

// The reset takes about five seconds; the adapter starts again from its saved settings.
void Prologix::reset(const Arguments &) {
    bus_.wait(std::chrono::milliseconds(5000));
    restart();
}

void Prologix::saveConfig(const Arguments &arguments) {
    setting(arguments, 0, 1, saving_);
    if (saving_)
        saved_ = config_;
}

// Nothing is answered when no instrument answers the poll.
void Prologix::spoll(const Arguments &arguments) {
    std::optional<std::vector<Addr4882_t>> addresses = addressesOf(arguments);
    if (arguments.empty())
        addresses = std::vector{address()};
    if (!addresses || addresses->size() != 1)
        return;
    if (const auto status = bus_.cable().serialPoll(addresses->front(), kOwnAddress))
        host_.line(std::to_string(*status));
    else
        bus_.wait(timeout());
}

void Prologix::srq(const Arguments &) {
    host_.line(bus_.serviceRequested() ? "1" : "0");
}

void Prologix::status(const Arguments &arguments) {
    if (!config_.controller)
        setting(arguments, 0, 255, status_);
}

void Prologix::trigger(const Arguments &arguments) {
    std::optional<std::vector<Addr4882_t>> addresses = addressesOf(arguments);
    if (arguments.empty())
        addresses = std::vector{address()};
    if (!addresses || addresses->size() > 15)
        return;
    for (const Addr4882_t each : *addresses)
        bus_.cable().commandListeners(kOwnAddress, std::array{each}, GET);
}

void Prologix::version(const Arguments &) {
    host_.line(versionText_);
}

void Prologix::help(const Arguments &) {
    for (const Command &command : commands())
        host_.line(command.help);
}

} // namespace gpibsim::adapter
