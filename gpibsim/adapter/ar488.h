// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/adapter/controller.h"
#include "gpibsim/adapter/dialectfirmware.h"
#include "gpibsim/adapter/host.h"
#include "gpibsim/adapter/linesplitter.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gpibsim::adapter {

// AR488's settings, which ++savecfg keeps over a reset.
struct Ar488Config {
    bool eotEnable = false;
    bool eoi = false;
    std::uint8_t mode = 2; // 2 controller, 1 device
    std::uint8_t pad = 1;
    std::uint8_t sad = 0xFF; // 0xFF: none
    std::uint8_t eos = 0;    // 0 CR LF, 1 CR, 2 LF, 3 nothing
    std::uint8_t status = 0;
    std::uint8_t autoMode = 0;
    std::uint16_t readTimeout = 1200; // ms, for each byte
    char eotChar = 0;
    std::string versionText{}; // what ++ver answers when set
    std::uint8_t eor = 0;      // what ends ++read: 0 CR LF, 1 CR, 2 LF, 3 nothing, 4 LF CR, ...
    std::string name{};
    std::uint32_t serial = 0;
    std::uint8_t idn = 0;
    std::uint8_t flags = 0;
};

// The AR488 firmware, version 0.53.04 on an Uno, in controller mode: its lines, its commands
// and its replies byte for byte, and its traffic on the cable.
class Ar488 : public DialectFirmware {
public:
    // `firmwareText` is what ++ver real answers; `versionText`, when not empty, what ++ver does.
    Ar488(Controller controller, Host host, std::string firmwareText, std::string versionText);

    std::size_t receive(std::string_view bytes) override;
    void hostGone() override { splitter_.clear(); }
    void restart() override;

private:
    enum class Addressed { None, Listen, Talk };
    using Params = std::optional<std::string_view>;
    using Handler = void (Ar488::*)(Params);
    struct Command {
        std::string_view name;
        int modes; // 1 device, 2 controller
        Handler handler;
    };
    static std::span<const Command> commands();

    // ar488.cpp: lines and data
    void handle(const LineSplitter::Event &event);
    void handleFull(std::string_view bytes);
    void execute(std::string_view line);
    void dispatch(std::string_view text);
    // A line, or a full buffer of one (`piece`), for the addressed instrument.
    void dataLine(std::string_view bytes, bool piece);
    void autoRead();
    void startController();
    void startDevice();
    std::chrono::milliseconds timeout() const {
        return std::chrono::milliseconds(config_.readTimeout);
    }
    bool controller() const { return config_.mode == 2; }
    bool remoteEnabled() const;
    void verbose(std::string_view text) const;
    void prompt() const;
    void error(int code) const;
    // Checks a number as the firmware does; a bad value answers Invalid parameter, text that
    // is not a number is ignored.
    std::optional<unsigned> number(std::string_view text, unsigned low, unsigned high) const;
    // A setting: without parameters its value, with one set within its range.
    void setting(Params params, unsigned low, unsigned high, unsigned current,
                 const std::function<void(unsigned)> &apply);

    // ar488bus.cpp: the firmware's bus procedures
    bool addressDevice(int pad, int sad, Addressed direction);
    void unaddress();
    void sendData(std::string_view bytes);
    bool receiveData(bool untilEoi, std::optional<char> endByte);
    bool addressedCommand(int pad, int sad, std::uint8_t command);
    void pollAddresses(const std::vector<int> &addresses, bool all);
    void probeListener(int pad, int &found);

    // ar488commands.cpp: settings
    void addr(Params params);
    void autoMode(Params params);
    void defaults(Params params);
    void eoi(Params params);
    void eor(Params params);
    void eos(Params params);
    void eotChar(Params params);
    void eotEnable(Params params);
    void flags(Params params);
    void id(Params params);
    void idn(Params params);
    void mode(Params params);
    void readTimeout(Params params);
    void reset(Params params);
    void saveConfig(Params params);
    void setVersion(Params params);
    void srqAuto(Params params);
    void version(Params params);
    void verboseMode(Params params);
    void listenOnly(Params params);
    void promiscuous(Params params);
    void talkOnly(Params params);
    void statusByte(Params params);
    void help(Params params);
    void macro(Params params);
    void diagnose(Params params);

    // ar488buscommands.cpp: commands that act on the bus
    void allSpoll(Params params);
    void clear(Params params);
    void deviceClear(Params params);
    void findListeners(Params params);
    void interfaceClear(Params params);
    void localLockout(Params params);
    void local(Params params);
    void parallelPoll(Params params);
    void read(Params params);
    void remoteEnable(Params params);
    void repeat(Params params);
    void send(Params params);
    void spoll(Params params);
    void srq(Params params);
    void passControl(Params params);
    void trigger(Params params);
    void unlisten(Params params);
    void untalk(Params params);

    Controller bus_;
    Host host_;
    std::string firmwareText_;
    Ar488Config defaults_;
    Ar488Config config_;
    std::optional<Ar488Config> saved_;
    LineSplitter splitter_{128};
    bool verbose_ = false;
    bool query_ = false; // the last data line ended with '?'
    Addressed addressed_ = Addressed::None;
    bool srqAuto_ = false;
    // Device mode's listen-only, promiscuous and talk-only modes, kept and shown only.
    bool listenOnly_ = false;
    bool promiscuous_ = false;
    std::uint8_t talkOnly_ = 0;
};

} // namespace gpibsim::adapter
