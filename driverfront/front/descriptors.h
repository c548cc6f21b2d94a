// SPDX-License-Identifier: MIT
#pragma once

#include "driverfront/api/address.h"
#include "driverfront/api/endofstring.h"
#include "driverfront/link/outcome.h"

#include <map>
#include <optional>
#include <set>

namespace driverfront {

// What a descriptor is set to: its GPIB address and how its reads, writes and waits go. The
// board's descriptor also holds the board's own state, which nothing on the bus models further.
struct Settings {
    int pad = 0;
    int sad = NO_SAD;
    int timeout = T3s;
    bool eot = true; // EOI with the last byte written
    EndOfString eos{};
    int pollTimeout = T1s; // serial polls
    bool readdress = false;
    bool unaddress = false; // a device's: UNL and UNT after each of its reads and writes
    int parallelPoll = 0;   // the configuration byte last set by ibppc
    bool autopoll = true;   // the board's: RQS shows on its devices' descriptors
    bool systemController = true;
    bool localParallelPoll = false; // the board configures its own parallel poll response
    bool ist = false;
    int statusByte = 0; // ibrsv's
    int t1Delay = T1_DELAY_2000ns;
    bool eventQueue = false;
    int parallelPollTimeout = T3s;

    Addr4882_t address() const { return makeAddress(pad, sad); }
};

struct Descriptor {
    Settings settings;
    Settings initial; // what ibonl(ud, 1) restores
    Outcome last{};   // how its last read, write or command ended, for ibwait
};

// Descriptor 0, board 0, and the device descriptors ibdev hands out from 16 up.
class Descriptors {
public:
    static constexpr int kBoard = 0;
    static constexpr int kFirstDevice = 16;
    static constexpr int kLimit = 4096;

    Descriptors();

    // The lowest free descriptor, or nothing when all are taken; neither scans the table.
    std::optional<int> open(const Settings &settings);
    void close(int ud);
    // The open descriptor, or null.
    Descriptor *find(int ud);
    const Descriptor *find(int ud) const;
    Descriptor &board() { return table_.at(kBoard); }
    const Descriptor &board() const { return table_.at(kBoard); }
    static bool isDevice(int ud) { return ud != kBoard; }
    bool devicesOpen() const { return table_.size() > 1; }

private:
    std::map<int, Descriptor> table_;
    int unused_ = kFirstDevice; // this one and all above it have never been handed out
    std::set<int> freed_;       // closed ones below unused_
};

} // namespace driverfront
