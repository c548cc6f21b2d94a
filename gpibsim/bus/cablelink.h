// SPDX-License-Identifier: MIT
#pragma once

#include "driverfront/link/link.h"
#include "gpibsim/bus/cable.h"
#include "gpibsim/bus/setup.h"
#include "gpibsim/bus/trace.h"

namespace gpibsim {

// The front's link over the simulated cable, with the instruments of a bench. Addressing goes
// out as linux-gpib's library sends it, and every byte shows in the trace. Nothing here waits:
// with nobody to answer, a read or a serial poll times out at once, whatever the timeout.
class CableLink : public driverfront::Link {
public:
    // The trace outlives the link.
    CableLink(const Setup &setup, const Trace &trace);

    bool inCharge() const override { return cable_.inCharge(); }
    int boardStatus(Addr4882_t board) const override { return cable_.status(board); }
    int lines() const override { return cable_.lines(); }
    bool requestsService(Addr4882_t address) const override;
    driverfront::Outcome interfaceClear() override;
    driverfront::Outcome goOffline() override;
    driverfront::Outcome setRemoteEnable(bool on) override;

    driverfront::Outcome write(Addr4882_t board, std::span<const Addr4882_t> listeners,
                               std::string_view bytes, bool end,
                               const driverfront::EndOfString &eos,
                               driverfront::Timeout timeout) override;
    driverfront::Outcome read(Addr4882_t board, std::optional<Addr4882_t> talker,
                              std::span<char> buffer, const driverfront::EndOfString &eos,
                              driverfront::Timeout timeout) override;
    driverfront::Outcome unaddress() override;

    driverfront::Outcome command(std::span<const std::uint8_t> bytes) override;
    driverfront::Outcome universalCommand(std::uint8_t command) override;
    driverfront::Outcome addressedCommand(Addr4882_t board, std::span<const Addr4882_t> addresses,
                                          std::uint8_t command) override;
    driverfront::Polled serialPoll(Addr4882_t board, Addr4882_t address,
                                   driverfront::Timeout timeout) override;

    driverfront::Outcome beginListenerSearch(Addr4882_t board) override;
    driverfront::Presence listens(Addr4882_t address) override;
    driverfront::Presence listensOnSecondary(int pad) override;

    // Every change comes with a call: a wait sleeps until another call.
    std::optional<std::chrono::milliseconds> lookInterval() const override { return {}; }
    driverfront::Outcome look(std::optional<Addr4882_t>) override { return {}; }

    // Shows SRQ in the trace when it has changed during the call.
    void callEnded() override { cable_.traceServiceRequest(); }
    // The cable holds nothing to let go.
    void release() override {}
    // A new bench from the same setup, on the same trace.
    std::unique_ptr<driverfront::Link> forChild() const override;

private:
    const Setup setup_;
    const Trace &trace_;
    Cable cable_;
};

} // namespace gpibsim
