// SPDX-License-Identifier: MIT
// AR488's commands that move data: ++read, ++send and ++repeat.
#include "gpibsim/adapter/ar488.h"

#include "gpibsim/adapter/ctext.h"

#include <string>

namespace gpibsim::adapter {

namespace {

// A secondary address as the firmware reads one: below 31 it counts from 96.
std::optional<int> secondaryOf(std::string_view text) {
    auto value = static_cast<std::uint16_t>(ctext::toUnsigned(text));
    if (value < 31)
        value = static_cast<std::uint16_t>(value + 0x60);
    if (value < 0x60 || value > 0x7E)
        return std::nullopt;
    return value;
}

} // namespace

// ++read [PAD [SAD]] [eoi|CHAR]: a first number is an address, not a stop character. "eoi"
// counts only as the first word; any other word is a stop character read with atoi, so an
// address alone reads to a NUL byte or the timeout.
void Ar488::read(Params params) {
    int pad = config_.pad;
    int sad = config_.sad;
    bool untilEoi = false;
    std::optional<char> endByte;
    if (params) {
        ctext::Tokens tokens(*params);
        const std::optional<std::string_view> first = tokens.next(" ,\t");
        std::optional<std::string_view> last = first;
        if (ctext::isNumber(first)) {
            const auto value = static_cast<std::uint16_t>(ctext::toUnsigned(first));
            if (value > 30)
                return error(2);
            pad = value;
            last = tokens.next(" ,\t");
            if (ctext::isNumber(last)) {
                const std::optional<int> secondary = secondaryOf(*last);
                if (!secondary)
                    return error(2);
                sad = *secondary;
                last = tokens.next(" ,\t");
            } else {
                sad = 0xFF;
            }
        }
        const std::string_view start =
            first ? params->substr(0, first->data() + first->size() - params->data()) : *params;
        if (last && last->size() > 3)
            return error(2);
        if (ctext::startsNoCase(start, "eoi", 3))
            untilEoi = true;
        else
            endByte = static_cast<char>(ctext::toInt(last));
    }
    addressDevice(pad, sad, Addressed::Talk);
    receiveData(untilEoi, endByte);
    unaddress();
    if (config_.flags & 0x02)
        host_.line("Read^OK");
}

// ++send PAD [SAD] DATA: without a secondary address the data is one word, with one it is the
// rest of the line. The instrument is read after it under ++auto 1.
void Ar488::send(Params params) {
    if (!params)
        return error(1);
    ctext::Tokens tokens(*params);
    const std::optional<std::string_view> first = tokens.next(" ,\t");
    if (!ctext::isNumber(first))
        return error(2);
    const auto pad = static_cast<std::uint16_t>(ctext::toUnsigned(first));
    if (pad > 30 || pad == kOwnAddress)
        return error(2);
    int sad = 0xFF;
    std::optional<std::string_view> data = tokens.next(" ,\t");
    if (ctext::isNumber(data)) {
        const std::optional<int> secondary = secondaryOf(*data);
        if (!secondary)
            return error(2);
        sad = *secondary;
        data = tokens.next("");
    }
    unaddress();
    addressDevice(pad, sad, Addressed::Listen);
    sendData(data.value_or(""));
    if (config_.autoMode == 1) {
        addressDevice(pad, sad, Addressed::Talk);
        receiveData(config_.eoi, std::nullopt);
    }
    unaddress();
}

// ++repeat COUNT DELAY TEXT: sends the text COUNT times to whoever listens, without addressing
// anyone, waiting DELAY ms and reading after each.
void Ar488::repeat(Params params) {
    if (!params) {
        error(1);
        return verbose("Missing parameters");
    }
    ctext::Tokens tokens(*params);
    unsigned count = 0;
    unsigned delay = 0;
    if (const auto token = tokens.next(" \t")) {
        const std::optional<unsigned> value = number(*token, 2, 255);
        if (!value)
            return;
        count = *value;
    }
    if (const auto token = tokens.next(" \t")) {
        const std::optional<unsigned> value = number(*token, 0, 30000);
        if (!value)
            return;
        delay = *value;
    }
    const std::optional<std::string_view> text = tokens.next("\n\r");
    if (!text) {
        error(2);
        return verbose("Missing parameter");
    }
    for (unsigned i = 0; i < count; ++i) {
        sendData(*text);
        bus_.wait(std::chrono::milliseconds(delay));
        receiveData(config_.eoi, std::nullopt);
    }
}

} // namespace gpibsim::adapter
