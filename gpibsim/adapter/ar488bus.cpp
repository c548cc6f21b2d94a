// SPDX-License-Identifier: MIT
// AR488's bus procedures: how it addresses an instrument, sends and receives data, polls and
// searches for listeners. It never sends its own talk or listen address to move data.
#include "gpibsim/adapter/ar488.h"

#include "driverfront/api/address.h"

#include <string>

namespace gpibsim::adapter {

namespace {

constexpr int kNoSecondary = 0xFF;

// What ends a read under each ++eor setting.
std::string terminatorOf(std::uint8_t eor) {
    switch (eor & 7) {
    case 1:
        return "\r";
    case 2:
        return "\n";
    case 3:
        return "";
    case 4:
        return "\n\r";
    case 5:
        return "\x03";
    case 6:
        return "\r\n\x03";
    default:
        return "\r\n";
    }
}

// What ++eos appends to data.
std::string_view endOfSend(std::uint8_t eos) {
    static constexpr std::string_view kEnds[] = {"\r\n", "\r", "\n", ""};
    return kEnds[eos & 3];
}

} // namespace

// UNL, UNT, then the instrument's listen or talk address and its secondary address. An
// address the firmware cannot send leaves the bus as it was.
bool Ar488::addressDevice(int pad, int sad, Addressed direction) {
    if (pad > 30 || sad < driverfront::kFirstSecondary ||
        (sad > driverfront::kLastSecondary && sad != kNoSecondary))
        return false;
    const auto primary =
        static_cast<std::uint8_t>(direction == Addressed::Talk ? MTA(pad) : MLA(pad));
    bus_.send({UNL, UNT, primary});
    if (sad != kNoSecondary)
        bus_.send({static_cast<std::uint8_t>(sad)});
    addressed_ = direction;
    return true;
}

void Ar488::unaddress() {
    bus_.send({UNL, UNT});
    addressed_ = Addressed::None;
}

// The ++eos terminator follows the data; EOI, when ++eoi is on, comes with the last byte sent.
// With nobody listening the first byte waits out the timeout and the line is lost.
void Ar488::sendData(std::string_view bytes) {
    bus_.write(std::string(bytes) + std::string(endOfSend(config_.eos)), config_.eoi, timeout());
}

// Reads to EOI when asked to or when ++eoi or ++eor 7 is set, else to the end byte or to the
// ++eor terminator; ++eot_char follows only a read that ended on EOI so.
bool Ar488::receiveData(bool untilEoi, std::optional<char> endByte) {
    const bool withEoi = config_.eoi || untilEoi || config_.eor == 7;
    ReadEnd end;
    if (withEoi)
        end.eoi = true;
    else
        end.terminator = endByte ? std::string(1, *endByte) : terminatorOf(config_.eor);
    const Received received =
        bus_.read(end, timeout(), [&](std::string_view bytes, bool) { host_.send(bytes); });
    if (withEoi && received.eoi && config_.eotEnable)
        host_.send(std::string(1, config_.eotChar));
    return !received.timedOut;
}

// Addresses an instrument to listen, sends it one command, and unaddresses the bus.
bool Ar488::addressedCommand(int pad, int sad, std::uint8_t command) {
    if (!addressDevice(pad, sad, Addressed::Listen))
        return false;
    bus_.send({command});
    unaddress();
    return true;
}

// One SPE for the whole list. A list stops at the first instrument that answers; "all" prints
// only the first that requests service, then an empty line.
void Ar488::pollAddresses(const std::vector<int> &addresses, bool all) {
    bus_.send({UNL, MLA(kOwnAddress), SPE});
    for (const int pad : addresses) {
        if (pad == kOwnAddress)
            continue;
        bus_.send({static_cast<std::uint8_t>(MTA(pad))});
        const std::optional<std::uint8_t> status = bus_.pollTalker(timeout());
        if (!status) {
            verbose("Failed to retrieve status byte from " + std::to_string(pad));
        } else if (!all) {
            host_.line(std::to_string(*status));
            verbose("Received status byte [" + std::to_string(*status) +
                    "] from device at address: " + std::to_string(pad));
            break;
        } else if (*status & 0x40) {
            host_.line("SRQ:" + std::to_string(pad) + "," + std::to_string(*status));
            break;
        }
    }
    if (all)
        host_.line("");
    bus_.send({SPD, UNT, UNL});
    verbose("Serial poll completed.");
}

// A listener at the primary address is printed as it; else every secondary address is sent at
// once, and if one answered, each is probed in turn, with UNT after one that did not answer.
// An instrument for which UNT ends its primary addressing is then found only at the first.
void Ar488::probeListener(int pad, int &found) {
    Cable &cable = bus_.cable();
    const auto separator = [&] {
        return found++ > 0 ? std::string(",") : std::string();
    };
    addressDevice(pad, kNoSecondary, Addressed::Listen);
    if (cable.listenerAcknowledges()) {
        host_.send(separator() + std::to_string(pad));
        return;
    }
    for (int sad = driverfront::kFirstSecondary; sad <= driverfront::kLastSecondary; ++sad)
        cable.message(static_cast<std::uint8_t>(sad));
    if (!cable.listenerAcknowledges())
        return;
    bus_.send({UNL, static_cast<std::uint8_t>(MLA(pad))});
    for (int sad = driverfront::kFirstSecondary; sad <= driverfront::kLastSecondary; ++sad) {
        cable.message(static_cast<std::uint8_t>(sad));
        if (cable.listenerAcknowledges()) {
            host_.send(separator() + std::to_string(pad) + ":" + std::to_string(sad));
            bus_.send({UNL, static_cast<std::uint8_t>(MLA(pad))});
        } else {
            bus_.send({UNT});
        }
    }
}

} // namespace gpibsim::adapter
