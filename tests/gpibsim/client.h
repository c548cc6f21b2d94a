// SPDX-License-Identifier: MIT
#pragma once

// Driver calls as a GPIB client makes them, shared by the tests that go through the C API.
#include "gpibsim/api/gpibsim.h"

#include <QByteArray>
#include <QProcess>

#include <array>

namespace client {

inline constexpr int kBoard = 0;

inline void send(Addr4882_t address, const QByteArray &message) {
    Send(kBoard, address, message.data(), message.size(), NLend);
}

// What the instrument says, read once through a roomy buffer.
inline QByteArray receive(Addr4882_t address) {
    std::array<char, 256> buffer{};
    Receive(kBoard, address, buffer.data(), buffer.size(), STOPend);
    return QByteArray(buffer.data(), ThreadIbcnt());
}

inline QByteArray query(Addr4882_t address, const QByteArray &message) {
    send(address, message);
    return receive(address);
}

inline short serialPoll(Addr4882_t address) {
    short status = -1;
    ReadStatusByte(kBoard, address, &status);
    return status;
}

inline bool failedWith(int iberr) {
    return (ThreadIbsta() & ERR) != 0 && ThreadIberr() == iberr;
}

inline constexpr Addr4882_t kUnwritten = 0x1111;

// FindLstn over primary addresses 1..30, into entries that hold kUnwritten until written.
inline std::array<Addr4882_t, 30> findListeners(int limit) {
    std::array<Addr4882_t, 31> pads{};
    for (Addr4882_t pad = 1; pad <= 30; ++pad)
        pads[pad - 1] = pad;
    pads[30] = NOADDR;
    std::array<Addr4882_t, 30> found;
    found.fill(kUnwritten);
    FindLstn(kBoard, pads.data(), found.data(), limit);
    return found;
}

// What a child process wrote on its standard error, with its lines ended by LF: Windows ends
// the lines of a standard error in text mode with CR LF.
inline QByteArray standardError(QProcess &child) {
    return child.readAllStandardError().replace("\r\n", "\n");
}

} // namespace client
