// SPDX-License-Identifier: MIT
#include "gpibsim/adaptertool/adapterserver.h"

#include "gpibsim/bus/setup.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include <poll.h>
#include <sys/socket.h>

namespace gpibsim::adaptertool {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A byte every millisecond, about the pace of 9600 baud.
constexpr milliseconds kDribblePause{1};
// How long what was sent before a hang-up takes at most to reach the client's side, and how long
// the client then has to read it.
constexpr int kPtyDeliveryChecks = 100;
constexpr int kPtyReadChecks = 1000;
constexpr milliseconds kPtyCheckPause{1};
// How often a reply that cannot go out to the pseudo-terminal looks whether anybody still has it
// open to read it.
constexpr milliseconds kPtyWriteCheck{1000};

bool wouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK;
}

} // namespace

AdapterServer::AdapterServer(const Options &options, StopSignal &stop)
    : options_(options), stop_(stop), trace_(traceFromEnvironment()),
      cable_(setupFromEnvironment().instruments, trace_),
      firmware_(options.firmware, cable_, [this](std::string_view bytes) { reply(bytes); }),
      input_(options.inputBuffer) {
    if (options_.pty) {
        pty_.emplace();
        if (!options_.ptyLink.empty())
            link_.emplace(options_.ptyLink, pty_->path());
        announce("pty", pty_->path());
    }
    if (options_.tcp) {
        listener_.emplace(*options_.tcp);
        announce("tcp", listener_->where());
    }
}

void AdapterServer::announce(std::string_view transport, const std::string &where) {
    std::printf("%.*s %s\n", static_cast<int>(transport.size()), transport.data(), where.c_str());
    std::fflush(stdout);
}

void AdapterServer::run() {
    std::vector<pollfd> fds;
    const auto ready = [&fds](int fd) {
        for (const pollfd &entry : fds)
            if (entry.fd == fd && entry.revents != 0)
                return true;
        return false;
    };
    while (!stop_.received()) {
        fds.assign({{stop_.fd(), POLLIN, 0}});
        if (pty_) {
            fds.push_back({pty_->notifications(), POLLIN, 0});
            if (!tcpClient_.isOpen())
                fds.push_back({pty_->master(), POLLIN, 0});
        }
        if (tcpClient_.isOpen())
            fds.push_back({tcpClient_.get(), POLLIN, 0});
        else if (listener_ && !ptyHeld())
            fds.push_back({listener_->fd(), POLLIN, 0});
        if (poll(fds.data(), fds.size(), -1) < 0)
            continue;
        // Opens and closes first: a client's bytes come after its open.
        if (pty_ && ready(pty_->notifications()))
            noticePtyClients();
        if (pty_ && ready(pty_->master()))
            serve(Source::Pty);
        if (tcpClient_.isOpen() && ready(tcpClient_.get()))
            serve(Source::Tcp);
        if (listener_ && ready(listener_->fd()) && !ptyHeld())
            accept();
    }
}

// The adapter starts afresh, as an Uno does when its port is opened, and drops what arrives
// for a while.
void AdapterServer::reset() {
    input_.clear();
    firmware_.restart();
    resetUntil_ = Clock::now() + options_.resetOnOpen;
}

bool AdapterServer::ptyHeld() const {
    return pty_ && pty_->clients() > 0;
}

bool AdapterServer::resetting() const {
    return Clock::now() < resetUntil_;
}

void AdapterServer::noticePtyClients() {
    pty_->update();
    for (const PseudoTerminal::Event event : pty_->takeEvents()) {
        if (tcpClient_.isOpen())
            continue; // the TCP client holds the adapter; the pty's client gets it as it is
        if (event == PseudoTerminal::Event::Opened) {
            pty_->makeRaw();
            if (options_.resetOnOpen.count() > 0)
                reset();
        } else {
            firmware_.hostGone();
        }
    }
}

void AdapterServer::accept() {
    tcpClient_ = listener_->accept();
    if (tcpClient_.isOpen() && options_.resetOnOpen.count() > 0)
        reset();
}

void AdapterServer::tcpClientGone() {
    tcpClient_.reset();
    input_.clear();
    firmware_.hostGone();
}

int AdapterServer::fdOf(Source source) const {
    if (source == Source::Pty)
        return pty_ ? pty_->master() : -1;
    if (source == Source::Tcp)
        return tcpClient_.get();
    return -1;
}

// Reads what arrived from the client, as much as the input buffer has room for, and has the
// firmware carry it out. During a reset it is dropped.
void AdapterServer::serve(Source source) {
    std::array<char, InputBuffer::kPiece> piece;
    const ssize_t size = read(fdOf(source), piece.data(), std::min(piece.size(), input_.room()));
    if (size == 0 || (size < 0 && !wouldBlock() && errno != EINTR)) {
        // The pseudo-terminal's master sees no end while its slave is open here.
        if (source == Source::Tcp)
            tcpClientGone();
        return;
    }
    if (size < 0 || resetting())
        return;
    input_.append(std::string_view(piece.data(), static_cast<std::size_t>(size)));
    feed(source);
}

void AdapterServer::feed(Source source) {
    speaking_ = source;
    while (!input_.empty() && !lost_ && !stop_.received()) {
        const std::size_t taken = firmware_.receive(input_.bytes());
        if (input_.take(taken) && input_.limited())
            overflow(source);
    }
    speaking_ = Source::None;
    if (lost_)
        linkLost(source);
}

// While the firmware carried out a line, the client's bytes went on arriving: what fits in the
// input buffer is kept, the rest lost, as a small serial buffer loses it.
void AdapterServer::overflow(Source source) {
    std::array<char, InputBuffer::kPiece> piece;
    ssize_t size;
    while ((size = read(fdOf(source), piece.data(), piece.size())) > 0)
        input_.append(std::string_view(piece.data(), static_cast<std::size_t>(size)));
}

// What the firmware sends the host, through the fault asked for.
void AdapterServer::reply(std::string_view bytes) {
    if (speaking_ == Source::None || lost_)
        return;
    switch (options_.fault) {
    case Fault::None:
        write(bytes);
        break;
    case Fault::Silent:
        break;
    case Fault::Garbage: {
        std::string noise(bytes.size(), '\0');
        for (char &byte : noise) {
            noise_ ^= noise_ << 13;
            noise_ ^= noise_ >> 17;
            noise_ ^= noise_ << 5;
            byte = static_cast<char>(noise_ >> 24);
        }
        write(noise);
        break;
    }
    case Fault::Drop:
        write(bytes.substr(0, (bytes.size() + 1) / 2));
        lost_ = true;
        break;
    case Fault::Dribble:
        for (std::size_t at = 0; at < bytes.size() && !lost_ && !stop_.received(); ++at) {
            if (at > 0)
                stop_.pause(kDribblePause);
            write(bytes.substr(at, 1));
        }
        break;
    }
}

void AdapterServer::write(std::string_view bytes) {
    if (speaking_ == Source::Pty)
        writeToPty(bytes);
    else
        writeToTcp(bytes);
}

// Waits for room while a client has the port open; with nobody there to read, what does not
// fit is lost, as an adapter's output is when no program has its port open.
void AdapterServer::writeToPty(std::string_view bytes) {
    while (!bytes.empty() && !stop_.received()) {
        pty_->makeRaw();
        const ssize_t size = ::write(pty_->master(), bytes.data(), bytes.size());
        if (size > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(size));
            continue;
        }
        if (size < 0 && !wouldBlock() && errno != EINTR)
            return;
        if (!stop_.waitFor(pty_->master(), POLLOUT, kPtyWriteCheck)) {
            pty_->update();
            if (pty_->clients() == 0)
                return;
        }
    }
}

void AdapterServer::writeToTcp(std::string_view bytes) {
    while (!bytes.empty() && !stop_.received()) {
        const ssize_t size = send(tcpClient_.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (size > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(size));
        } else if (size < 0 && wouldBlock()) {
            stop_.waitFor(tcpClient_.get(), POLLOUT, milliseconds(-1));
        } else if (errno != EINTR) {
            lost_ = true;
            return;
        }
    }
}

// The client's link went during a reply: a TCP client is disconnected. The pseudo-terminal is
// hung up, as a port whose adapter was pulled out, and a new one takes its place, with the
// firmware started afresh, as when the adapter is plugged in again.
void AdapterServer::linkLost(Source source) {
    lost_ = false;
    if (source == Source::Tcp) {
        tcpClientGone();
        return;
    }
    awaitPtyReader();
    input_.clear();
    firmware_.restart();
    pty_ = PseudoTerminal();
    if (link_)
        link_->retarget(pty_->path());
    announce("pty", pty_->path());
}

// A hang-up discards what the client has not read yet; the part of the reply sent before it is
// given to the client first, for a second at most.
void AdapterServer::awaitPtyReader() {
    for (int check = 0; check < kPtyDeliveryChecks && pty_->unread() == 0 && !stop_.received();
         ++check)
        stop_.pause(kPtyCheckPause);
    for (int check = 0; check < kPtyReadChecks && pty_->unread() > 0 && !stop_.received(); ++check)
        stop_.pause(kPtyCheckPause);
}

} // namespace gpibsim::adaptertool
