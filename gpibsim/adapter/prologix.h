// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/adapter/controller.h"
#include "gpibsim/adapter/dialectfirmware.h"
#include "gpibsim/adapter/host.h"
#include "gpibsim/adapter/linesplitter.h"

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gpibsim::adapter {

// The settings ++savecfg keeps over a reset.
struct PrologixConfig {
    bool controller = true;
    int pad = 1;
    int sad = 0; // 96..126, or 0 for none
    int autoRead = 0;
    int eoi = 1;
    int eos = 0; // 0 CR LF, 1 CR, 2 LF, 3 nothing
    int eotEnable = 0;
    int eotChar = 0;
    int readTimeout = 500; // ms, between bytes
};

// The controller mode of the adapter the GPIB-USB and GPIB-ETHERNET manual (6.1x) describes.
// Where the manual is silent: an unknown command or a bad argument is ignored without a reply,
// a command line of kLineCapacity bytes or more is dropped, and a data line that long goes to
// the instrument in pieces of that size, the ++eos terminator and EOI after the last.
class Prologix : public DialectFirmware {
public:
    static constexpr std::size_t kLineCapacity = 256;

    Prologix(Controller controller, Host host, std::string versionText);

    std::size_t receive(std::string_view bytes) override;
    void hostGone() override { splitter_.clear(); }
    void restart() override;

private:
    using Arguments = std::vector<std::string_view>;
    using Handler = void (Prologix::*)(const Arguments &);
    struct Command {
        std::string_view name;
        bool controllerOnly;
        Handler handler;
        std::string_view help;
    };
    static std::span<const Command> commands();

    // prologix.cpp: lines, data and reads
    void handle(const LineSplitter::Event &event);
    void run(std::string_view line);
    void data(std::string_view bytes, bool first, bool last);
    void readFrom(Addr4882_t talker, const ReadEnd &end);
    void startController();
    Addr4882_t address() const;
    std::chrono::milliseconds timeout() const {
        return std::chrono::milliseconds(config_.readTimeout);
    }
    // A setting shown without an argument, or set from one within its range and saved under
    // ++savecfg 1.
    void setting(const Arguments &arguments, int low, int high, int &value);

    // prologixcommands.cpp
    void addr(const Arguments &arguments);
    void autoRead(const Arguments &arguments);
    void clear(const Arguments &arguments);
    void eoi(const Arguments &arguments);
    void eos(const Arguments &arguments);
    void eotEnable(const Arguments &arguments);
    void eotChar(const Arguments &arguments);
    void interfaceClear(const Arguments &arguments);
    void localLockout(const Arguments &arguments);
    void local(const Arguments &arguments);
    void listenOnly(const Arguments &arguments);
    void mode(const Arguments &arguments);
    void read(const Arguments &arguments);
    void readTimeout(const Arguments &arguments);
    void reset(const Arguments &arguments);
    void saveConfig(const Arguments &arguments);
    void spoll(const Arguments &arguments);
    void srq(const Arguments &arguments);
    void status(const Arguments &arguments);
    void trigger(const Arguments &arguments);
    void version(const Arguments &arguments);
    void help(const Arguments &arguments);

    Controller bus_;
    Host host_;
    std::string versionText_;
    PrologixConfig config_;
    PrologixConfig saved_;
    int saving_ = 1; // ++savecfg: settings are saved as they change
    LineSplitter splitter_{kLineCapacity};
    bool listenOnly_ = false; // device mode's, kept and shown only
    int status_ = 0;          // device mode's status byte, kept and shown only
};

} // namespace gpibsim::adapter
