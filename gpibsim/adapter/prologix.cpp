// SPDX-License-Identifier: MIT
#include "gpibsim/adapter/prologix.h"

#include "driverfront/api/address.h"

#include <array>
#include <cctype>
#include <utility>

namespace gpibsim::adapter {

Prologix::Prologix(Controller controller, Host host, std::string versionText)
    : bus_(controller), host_(std::move(host)), versionText_(std::move(versionText)) {
    saved_ = config_;
    startController();
}

// After a reset the adapter starts from its saved settings.
void Prologix::restart() {
    splitter_.clear();
    config_ = saved_;
    listenOnly_ = false;
    status_ = 0;
    if (config_.controller)
        startController();
    else
        bus_.cable().goOffline();
}

std::size_t Prologix::receive(std::string_view bytes) {
    std::size_t taken = 0;
    handle(splitter_.take(bytes, taken));
    return taken;
}

// A full buffer of data goes out at once and the line goes on; a full buffer of a command drops
// the command.
void Prologix::handle(const LineSplitter::Event &event) {
    using Kind = LineSplitter::Kind;
    if (event.kind == Kind::Full && event.command) {
        splitter_.dropRestOfLine();
    } else if (event.kind == Kind::Full) {
        data(event.bytes, !event.continued, false);
        splitter_.continueLine();
    } else if (event.kind == Kind::Line && event.command) {
        run(event.bytes.substr(2));
    } else if (event.kind == Kind::Line) {
        data(event.bytes, !event.continued, true);
    }
}

// A command's name and its arguments are separated by blanks; names are taken in any case.
void Prologix::run(std::string_view line) {
    Arguments words;
    for (std::size_t at = 0; at < line.size();) {
        const std::size_t start = line.find_first_not_of(" \t", at);
        if (start == std::string_view::npos)
            break;
        const std::size_t end = std::min(line.find_first_of(" \t", start), line.size());
        words.push_back(line.substr(start, end - start));
        at = end;
    }
    if (words.empty())
        return;
    std::string name(words.front());
    for (char &c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const Command &command : commands()) {
        if (name != command.name)
            continue;
        if (config_.controller || !command.controllerOnly)
            (this->*command.handler)(Arguments(words.begin() + 1, words.end()));
        return;
    }
}

// The instrument is addressed before the first piece of a line; the ++eos terminator and EOI
// (under ++eoi 1) go with the last. Under ++auto 1 the instrument is read after the line.
void Prologix::data(std::string_view bytes, bool first, bool last) {
    if (!config_.controller)
        return;
    if (first)
        bus_.cable().addressListeners(kOwnAddress, std::array{address()});
    std::string message(bytes);
    if (last) {
        static constexpr std::string_view kEnds[] = {"\r\n", "\r", "\n", ""};
        message += kEnds[config_.eos];
    }
    bus_.write(message, last && config_.eoi, timeout());
    if (last && config_.autoRead)
        readFrom(address(), {.eoi = true});
}

// Every byte that came with EOI is followed by ++eot_char under ++eot_enable 1.
void Prologix::readFrom(Addr4882_t talker, const ReadEnd &end) {
    bus_.cable().addressTalker(talker, kOwnAddress);
    bus_.read(end, timeout(), [&](std::string_view bytes, bool eoi) {
        host_.send(bytes);
        if (eoi && config_.eotEnable)
            host_.send(std::string(1, static_cast<char>(config_.eotChar)));
    });
}

// In controller mode the adapter asserts REN and takes charge with IFC.
void Prologix::startController() {
    bus_.cable().setRemoteEnable(true);
    bus_.cable().interfaceClear();
}

Addr4882_t Prologix::address() const {
    return driverfront::makeAddress(config_.pad, config_.sad);
}

} // namespace gpibsim::adapter
