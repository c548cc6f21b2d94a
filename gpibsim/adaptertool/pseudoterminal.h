// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/adaptertool/filedescriptor.h"

#include <string>
#include <utility>
#include <vector>

namespace gpibsim::adaptertool {

// A pseudo-terminal that behaves as a USB serial port: its slave, the port clients open, is raw
// with no echo whatever a client sets, and stays open here, so a client's close hangs nothing
// up. Clients opening and closing the slave are seen through inotify. Gone, it hangs up what
// clients still hold, as a port whose adapter is pulled out.
class PseudoTerminal {
public:
    enum class Event {
        Opened, // a client opened the port, which nobody had open
        Closed, // the last client closed it
    };

    // Throws std::runtime_error when there is no pseudo-terminal to be had.
    PseudoTerminal();

    const std::string &path() const { return path_; }
    // The adapter's end, non-blocking.
    int master() const { return master_.get(); }
    // Readable when clients have opened or closed the slave.
    int notifications() const { return notifications_.get(); }
    // Takes note of the clients' opens and closes so far.
    void update();
    // The events noted since the last call, in order.
    std::vector<Event> takeEvents() { return std::exchange(events_, {}); }
    // How many open files clients held on the slave at the last update.
    int clients() const { return clients_; }
    // How many bytes sent to the client wait for it to read them.
    int unread() const;
    // Raw again, with no echo, whatever a client set; its read timing (VMIN, VTIME) is kept.
    void makeRaw();

private:
    FileDescriptor master_;
    FileDescriptor slave_;
    FileDescriptor notifications_;
    std::string path_;
    std::vector<Event> events_;
    int clients_ = 0;
};

} // namespace gpibsim::adaptertool
