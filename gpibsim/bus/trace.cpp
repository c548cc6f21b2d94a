// SPDX-License-Identifier: MIT
#include "gpibsim/bus/trace.h"

#include "driverfront/api/address.h"
#include "gpibsim/system/environment.h"
#include "gpibsim/system/files.h"
#include "gpibsim/text/text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include <unistd.h>

namespace gpibsim {

namespace {

std::string hexByte(std::uint8_t byte) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    return {'0', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
}

// As GPIBSIM_BENCH writes it: PAD or PAD.SAD.
std::string addressText(Addr4882_t address) {
    std::string text = std::to_string(address & 0xFF);
    if ((address >> 8) != NO_SAD) {
        text += '.';
        text += std::to_string(address >> 8);
    }
    return text;
}

std::string messageName(std::uint8_t byte) {
    switch (byte) {
    case GTL:
        return "GTL";
    case SDC:
        return "SDC";
    case PPConfig:
        return "PPC";
    case GET:
        return "GET";
    case TCT:
        return "TCT";
    case LLO:
        return "LLO";
    case DCL:
        return "DCL";
    case PPU:
        return "PPU";
    case SPE:
        return "SPE";
    case SPD:
        return "SPD";
    case UNL:
        return "UNL";
    case UNT:
        return "UNT";
    default:
        break;
    }
    if (byte >= driverfront::kFirstListen && byte < UNL)
        return "MLA " + std::to_string(byte & 0x1F);
    if (byte >= driverfront::kFirstTalk && byte < UNT)
        return "MTA " + std::to_string(byte & 0x1F);
    if (byte >= driverfront::kFirstSecondary && byte <= driverfront::kLastSecondary)
        return "MSA " + std::to_string(byte);
    return hexByte(byte);
}

} // namespace

Trace::~Trace() {
    if (owned_)
        ::close(fd_);
}

void Trace::showCommand(std::uint8_t byte) const {
    line("ATN " + messageName(byte));
}

void Trace::showData(Addr4882_t talker, std::span<const Addr4882_t> listeners,
                     std::string_view bytes, bool end) const {
    std::string text = addressText(talker) + " ->";
    for (const Addr4882_t listener : listeners) {
        text += ' ';
        text += addressText(listener);
    }
    text += ": \"";
    text += escaped(bytes);
    text += '"';
    if (end)
        text += " END";
    line(text);
}

void Trace::showStatusByte(Addr4882_t address, std::uint8_t status) const {
    line("status byte of " + addressText(address) + ": " + hexByte(status));
}

void Trace::line(std::string_view text) const {
    const std::string whole = "bus: " + std::string(text) + "\n";
    // A trace that cannot be written is dropped: the calls themselves go on.
    [[maybe_unused]] const ssize_t written = ::write(fd_, whole.data(), whole.size());
}

Trace traceFromEnvironment() {
    const std::optional<std::string> value = environmentValue("GPIBSIM_TRACE");
    if (!value || value->empty() || *value == "0")
        return {};
    if (*value == "1")
        return {STDERR_FILENO, false};
    const int fd = openFile(*value, O_WRONLY | O_APPEND | O_CREAT);
    if (fd < 0) {
        std::fprintf(stderr, "gpibsim: GPIBSIM_TRACE file \"%s\" cannot be opened (%s); no trace\n",
                     escaped(*value).c_str(), std::strerror(errno));
        return {};
    }
    return {fd, true};
}

} // namespace gpibsim
