// SPDX-License-Identifier: MIT
#pragma once

#include "driverfront/front/callstatus.h"
#include "driverfront/front/descriptors.h"
#include "driverfront/front/script.h"
#include "driverfront/link/link.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string_view>

namespace driverfront {

// A GPIB as the driver calls see it: board 0 (descriptor 0, the system controller), the device
// descriptors ibdev hands out, and the link that carries the calls out on the bus. Each member
// does one driver call: it leaves ibsta, iberr and the count in the calling thread's status and
// the process-wide copies, and returns ibsta where the driver call does. Calls from several
// threads take turns; ibwait lets the others run while it waits.
//
// Calls on a device descriptor address its device themselves and report only ERR, TIMO, END,
// CMPL and RQS; calls on the board and the IEEE 488.2 routines report the board's state. A call
// on a descriptor that is not open reports ERR alone, with EARG.
class Front {
public:
    static constexpr int kBoard = Descriptors::kBoard;

    Front(const Script &script, std::unique_ptr<Link> link);

    const Script &script() const { return script_; }
    // The link a child starts on after fork (Link::forChild); null once closed.
    std::unique_ptr<Link> linkForChild() const;
    // Frees the link and the descriptors after the call under way; every later call fails with
    // ERR and EDVR.
    void close();

    // Descriptors and their settings
    int find(const char *name); // the descriptor, or -1
    int openDevice(int boardIndex, int pad, int sad, int timeout, int eot,
                   int eos); // the descriptor, or -1
    int setOnline(int ud, int online);
    // ibpad, ibsad, ibtmo and ibeot are ibconfig with their option.
    int configure(Entry entry, int ud, int option, int value);
    int ask(int ud, int option, int *value);
    int setEndOfString(int ud, int mode);
    // ibppc: the board's own response, or a device's configured over the bus.
    int configureParallelPoll(int ud, int configuration);

    // The board
    int setRemoteEnable(int ud, int enable);
    int interfaceClear(int ud); // ibsic
    int command(Entry entry, int ud, const void *bytes, long count);
    int lines(int ud, short *lines);
    int checkListener(int ud, int pad, int sad, short *found);

    // Data, on a device descriptor or on the board once ibcmd has addressed it
    int write(Entry entry, int ud, const void *data, long count);
    int read(Entry entry, int ud, void *buffer, long count);

    // Devices
    int clear(int ud);
    int trigger(int ud);
    int goToLocal(int ud);
    int serialPoll(int ud, char *status);
    int queuedPolls(int ud, short *queued);

    int wait(int ud, int mask);
    // A call the library does not offer: ERR with ECAP.
    int unsupported();

    // IEEE 488.2 routines on board 0
    void sendInterfaceClear(int board);
    void findListeners(int board, const Addr4882_t *pads, Addr4882_t *results, int limit);
    void clearDevice(int board, Addr4882_t address);
    void readStatusByte(int board, Addr4882_t address, short *status);
    // Send and SendList: Send's address is a list of one.
    void send(Entry entry, int board, std::span<const Addr4882_t> listeners, const void *data,
              long count, int endMode);
    void receive(int board, Addr4882_t address, void *buffer, long count, int termination);
    void pollAll(int board, const Addr4882_t *addresses, short *results);
    // DevClearList: SDC to the listed devices, DCL to every device for an empty list.
    void clearDevices(int board, std::span<const Addr4882_t> addresses);
    // Trigger and TriggerList: GET to the listed devices, or to those already addressed.
    void triggerDevices(Entry entry, int board, std::span<const Addr4882_t> addresses);
    // GTL to the listed devices; an empty list releases REN.
    void enableLocal(int board, std::span<const Addr4882_t> addresses);
    // REN, and the listed devices addressed to listen, which puts them in remote.
    void enableRemote(int board, std::span<const Addr4882_t> addresses);
    // REN, and LLO to every device.
    void sendLocalLockout(int board);
    // SetRWLS: REN, and the listed devices in remote with lockout (addressed, then LLO).
    void setRemoteWithLockout(int board, std::span<const Addr4882_t> addresses);

private:
    template <typename Operation> int call(Entry entry, int ud, Operation operation);
    int finish(int ud, const Outcome &outcome, bool open);
    int statusOf(int ud) const;
    Link &link() const { return *state_->link; }
    const Settings &boardSettings() const { return state_->descriptors.board().settings; }
    Addr4882_t boardAddress() const { return boardSettings().address(); }
    std::optional<int> refusal(int board, bool argumentsValid) const;
    Outcome commandDevice(int ud, const Descriptor &descriptor, std::uint8_t command);
    // An IEEE 488.2 routine that sends `command` to a list of devices, or does `whenEmpty` for
    // an empty list.
    template <typename Empty>
    void commandDevices(Entry entry, int board, std::span<const Addr4882_t> addresses,
                        std::uint8_t command, Empty whenEmpty);
    // A serial poll of the device at `address`, its status byte left in `status`.
    template <typename Byte> Outcome pollInto(Addr4882_t address, Timeout timeout, Byte *status);
    Outcome remoteEnable(int ud, int enable);
    // IFC, for ibsic and SendIFC; a board that is not system controller gets ESAC.
    Outcome pulseInterfaceClear();
    Outcome writeAsBoard(std::string_view bytes, const Settings &settings);
    Outcome readAsBoard(std::span<char> buffer, const Settings &settings);
    Outcome unaddressAfter(const Settings &settings, Outcome outcome);
    // REN asserted, then the listed devices addressed to listen, if any.
    Outcome remoteEnableAndAddress(std::span<const Addr4882_t> addresses);

    struct State {
        Descriptors descriptors;
        std::unique_ptr<Link> link;
    };

    const Script script_;
    std::mutex mutex_;
    std::condition_variable changed_; // after every call, for ibwait
    std::unique_ptr<State> state_;
};

} // namespace driverfront
