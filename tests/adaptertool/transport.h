// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>

namespace adaptertest {

// The two ways gpibsim-adapter serves a client: its pseudo-terminal, which a client opens as a
// serial port, and a TCP port.
enum class Transport { Pty, Tcp };

// The option that serves `transport` on a free place: "--pty" or "--tcp=0".
inline QString servingOption(Transport transport) {
    return transport == Transport::Pty ? QStringLiteral("--pty") : QStringLiteral("--tcp=0");
}

// The word of the line that announces where `transport` is served.
inline QByteArray announcement(Transport transport) {
    return transport == Transport::Pty ? "pty" : "tcp";
}

} // namespace adaptertest

Q_DECLARE_METATYPE(adaptertest::Transport)
