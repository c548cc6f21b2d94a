// SPDX-License-Identifier: MIT
#include "gpibsim/adapter/ar488.h"

#include "gpibsim/adapter/ctext.h"

#include <string>
#include <utility>

namespace gpibsim::adapter {

Ar488::Ar488(Controller controller, Host host, std::string firmwareText, std::string versionText)
    : bus_(controller), host_(std::move(host)), firmwareText_(std::move(firmwareText)) {
    defaults_.versionText = std::move(versionText);
    config_ = defaults_;
    startController();
}

// After a reset the Uno starts afresh from its saved settings, as after power-on.
void Ar488::restart() {
    splitter_.clear();
    config_ = saved_.value_or(defaults_);
    verbose_ = query_ = srqAuto_ = listenOnly_ = promiscuous_ = false;
    talkOnly_ = 0;
    addressed_ = Addressed::None;
    if (controller())
        startController();
    else
        startDevice();
    if (config_.flags & 0x01)
        host_.send("AR488~RDY");
}

std::size_t Ar488::receive(std::string_view bytes) {
    std::size_t taken = 0;
    const LineSplitter::Event event = splitter_.take(bytes, taken);
    if (verbose_) {
        std::string echo(bytes.substr(0, taken));
        std::erase(echo, '\n');
        host_.send(echo);
    }
    handle(event);
    if (event.kind != LineSplitter::Kind::None && srqAuto_ && controller() &&
        bus_.serviceRequested())
        spoll(std::nullopt);
    return taken;
}

void Ar488::handle(const LineSplitter::Event &event) {
    using Kind = LineSplitter::Kind;
    if (event.kind == Kind::Blank && verbose_) {
        host_.send("\r\n");
        prompt();
    } else if (event.kind == Kind::Full) {
        handleFull(event.bytes);
    } else if (event.kind == Kind::Line && event.command && event.bytes.size() > 2) {
        // "++!" stops a continuous read; there is none to stop.
        if (event.bytes[2] != '!')
            execute(event.bytes);
    } else if (event.kind == Kind::Line && event.bytes.size() > 3 && config_.idn > 0 &&
               ctext::startsNoCase(event.bytes, "*idn?", 5)) {
        const std::string serial = config_.idn == 2 ? "-" + std::to_string(config_.serial) : "";
        host_.line(config_.name + serial);
    } else if (event.kind == Kind::Line) {
        dataLine(event.bytes, false);
    }
}

// A full buffer of a command is dropped, and what follows starts a new line; a full buffer of
// data goes out at once, with the terminator, and the instrument stays addressed for the rest.
void Ar488::handleFull(std::string_view bytes) {
    if (bytes.starts_with("++")) {
        verbose("ERROR - Command buffer overflow!");
        return;
    }
    dataLine(bytes, true);
}

void Ar488::execute(std::string_view line) {
    if (verbose_)
        host_.send("\r\n");
    dispatch(line.substr(2));
    if (verbose_)
        prompt();
}

// The name runs to a blank, a tab or a NUL; the parameters are what follows the one character
// after it, up to a NUL. Names are taken in any case.
void Ar488::dispatch(std::string_view text) {
    if (text.empty() || text[0] == '\0' || text[0] == '\r' || text[0] == '\n')
        return;
    const std::string_view line = ctext::untilNul(text);
    const std::size_t start = std::min(line.find_first_not_of(" \t"), line.size());
    const std::size_t end =
        std::min(text.find_first_of(std::string_view(" \t\0", 3), start), text.size());
    const std::string_view name = text.substr(start, end - start);
    const std::string_view params = ctext::untilNul(text.substr(std::min(end + 1, text.size())));
    for (const Command &command : commands()) {
        if (start >= line.size() || !ctext::startsNoCase(name, command.name, 64))
            continue;
        if (!(command.modes & config_.mode)) {
            error(0);
            verbose("getCmd: command not available in this mode.");
        } else {
            (this->*command.handler)(params.empty() ? Params{} : Params{params});
        }
        return;
    }
    error(0);
}

void Ar488::dataLine(std::string_view bytes, bool piece) {
    if (!controller())
        return;
    if (bytes.back() == '?')
        query_ = true;
    if (addressed_ == Addressed::None)
        addressDevice(config_.pad, config_.sad, Addressed::Listen);
    sendData(bytes);
    if (!piece)
        unaddress();
    if (config_.flags & 0x04)
        host_.line("Send^OK");
    prompt();
    autoRead();
}

// ++auto 1 reads after every data line, ++auto 2 after one that ended with '?'.
void Ar488::autoRead() {
    if (config_.autoMode != 1 && !(config_.autoMode == 2 && query_))
        return;
    addressDevice(config_.pad, config_.sad, Addressed::Talk);
    const bool received = receiveData(config_.eoi, std::nullopt);
    if (config_.autoMode == 2)
        query_ = false;
    unaddress();
    if (!received)
        verbose("Error while receiving data.");
}

// Controller mode starts by releasing REN and asserting it again with ATN, about 80 ms, then
// pulses IFC.
void Ar488::startController() {
    Cable &cable = bus_.cable();
    cable.setRemoteEnable(false);
    bus_.wait(std::chrono::milliseconds(40));
    cable.setRemoteEnable(true);
    bus_.wait(std::chrono::milliseconds(40));
    cable.interfaceClear();
    config_.mode = 2;
}

void Ar488::startDevice() {
    bus_.cable().goOffline();
    config_.mode = 1;
}

bool Ar488::remoteEnabled() const {
    return (bus_.cable().lines() & BusREN) != 0;
}

void Ar488::verbose(std::string_view text) const {
    if (verbose_)
        host_.line(text);
}

void Ar488::prompt() const {
    if (verbose_)
        host_.send("> ");
}

void Ar488::error(int code) const {
    static constexpr std::string_view kTexts[] = {"Unrecognized command", "Missing parameter",
                                                  "Invalid parameter"};
    host_.line(kTexts[code]);
}

std::optional<unsigned> Ar488::number(std::string_view text, unsigned low, unsigned high) const {
    if (text.empty() || !ctext::isNumber(text))
        return std::nullopt;
    const std::uint32_t value = ctext::toUnsigned(text);
    if (value < low || value > high) {
        error(2);
        verbose("Valid range is between " + std::to_string(low) + " and " + std::to_string(high));
        return std::nullopt;
    }
    return value;
}

void Ar488::setting(Params params, unsigned low, unsigned high, unsigned current,
                    const std::function<void(unsigned)> &apply) {
    if (!params)
        host_.line(std::to_string(current));
    else if (const std::optional<unsigned> value = number(*params, low, high))
        apply(*value);
}

} // namespace gpibsim::adapter
