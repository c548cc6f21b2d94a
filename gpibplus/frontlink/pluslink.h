// SPDX-License-Identifier: MIT
#pragma once

#include "driverfront/link/link.h"
#include "gpibplus/link/link.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace gpibplus {

// The front's link over a "++" adapter. The adapter is opened when a call first needs the bus,
// not before, and let go when nothing is in use any more (release); a call that cannot have it
// fails with EDVR, the errno in the count, and one line on standard error naming the port and
// what went wrong. A port that went away is opened again by the next call.
//
// What the adapter cannot show stays out of the status: ATN, TACS and LACS never show, and the
// lines iblines reports are none. What it cannot do is ECAP: interface messages as bytes
// (ibcmd), and what the dialect lacks (see link::lines).
class PlusLink : public driverfront::Link {
public:
    using Opener = std::function<link::Answer<std::unique_ptr<link::Link>>()>;
    // How long a listener check waits for the serial poll that is a Prologix's probe.
    static constexpr link::Link::Timeout kProbeTimeout{50};
    // The same for each secondary address when a search sweeps all 31 of a primary address.
    static constexpr link::Link::Timeout kSweepTimeout{10};
    static constexpr std::chrono::milliseconds kLookEvery{20};

    explicit PlusLink(Opener open);

    bool inCharge() const override { return !offline_; }
    int boardStatus(Addr4882_t board) const override;
    int lines() const override { return 0; }
    bool requestsService(Addr4882_t address) const override;
    driverfront::Outcome interfaceClear() override;
    driverfront::Outcome goOffline() override;
    driverfront::Outcome setRemoteEnable(bool on) override;

    // To several listeners, the data goes to each in turn.
    driverfront::Outcome write(Addr4882_t board, std::span<const Addr4882_t> listeners,
                               std::string_view bytes, bool end,
                               const driverfront::EndOfString &eos,
                               driverfront::Timeout timeout) override;
    driverfront::Outcome read(Addr4882_t board, std::optional<Addr4882_t> talker,
                              std::span<char> buffer, const driverfront::EndOfString &eos,
                              driverfront::Timeout timeout) override;
    driverfront::Outcome unaddress() override { return {}; }

    driverfront::Outcome command(std::span<const std::uint8_t> bytes) override;
    driverfront::Outcome universalCommand(std::uint8_t command) override;
    // To several devices, the command goes to each in turn.
    driverfront::Outcome addressedCommand(Addr4882_t board, std::span<const Addr4882_t> addresses,
                                          std::uint8_t command) override;
    driverfront::Polled serialPoll(Addr4882_t board, Addr4882_t address,
                                   driverfront::Timeout timeout) override;

    driverfront::Outcome beginListenerSearch(Addr4882_t board) override;
    driverfront::Presence listens(Addr4882_t address) override;
    driverfront::Presence listensOnSecondary(int pad) override;

    // A wait asks the adapter for SRQ this often, and polls the device it waits for while SRQ is
    // asserted.
    std::optional<std::chrono::milliseconds> lookInterval() const override { return kLookEvery; }
    driverfront::Outcome look(std::optional<Addr4882_t> device) override;

    void callEnded() override;
    // Closes the port.
    void release() override { adapter_.reset(); }
    // A child starts with no adapter open: its parent holds the port, and the child's first
    // call that needs the bus opens it anew, which fails as busy while the parent has it.
    std::unique_ptr<driverfront::Link> forChild() const override;

private:
    // Opens the adapter when it is not open yet; how that failed, if it did.
    std::optional<driverfront::Outcome> openAdapter();
    // How a step on the adapter went; a port that went away is let go.
    driverfront::Outcome outcomeOf(const link::Result &result, long count = 0);
    // The listeners at the secondary addresses of `pad`, searched once per call.
    std::optional<std::vector<link::Address>> secondaryListeners(int pad,
                                                                 std::optional<int> &iberr);

    Opener open_;
    std::unique_ptr<link::Link> adapter_;
    bool offline_ = false;
    bool remote_ = true; // REN, asserted by the adapter in controller mode
    // Within a call: the listeners data went to last, for data that continues it (Send's LF).
    std::vector<Addr4882_t> listeners_;
    // Status bytes with RQS that a wait's poll took, kept for the next serial poll.
    std::map<Addr4882_t, std::uint8_t> requesting_;
    std::optional<std::pair<int, std::vector<link::Address>>> searched_;
};

} // namespace gpibplus
