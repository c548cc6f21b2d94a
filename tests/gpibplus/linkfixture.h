// SPDX-License-Identifier: MIT
#pragma once

// Qt's headers ahead of <compare>, which Qt 6.4's moc cannot read before them.
#include "transport.h"

#include "gpibplus/link/link.h"

#ifdef _WIN32
#include "launchedadapter.h"
#else
#include "adapterprocess.h"
#endif

#include <QStringList>

#include <memory>

namespace plustest {

using adaptertest::Transport;
using gpibplus::link::Dialect;

// Linux starts gpibsim-adapter itself; under Wine the launcher starts it on the Linux side.
#ifdef _WIN32
using Adapter = LaunchedAdapter;
#else
using Adapter = adaptertest::AdapterProcess;
#endif

// The firmware's timeouts run this much faster than the link believes, so that an instrument
// that does not answer costs little.
constexpr int kTimeScale = 10;
constexpr gpibplus::link::Link::Timeout kTimeout{1000};

// A gpibsim-adapter process of its own, serving the dialect on the transport, and links opened
// on it, every line they send kept.
class LinkFixture {
public:
    LinkFixture(Dialect dialect, Transport transport, const QStringList &options = {});

    // Where the adapter is served: "/dev/pts/3" (under Wine "COM23") or "127.0.0.1:40173";
    // empty when it did not start.
    const QByteArray &place() const { return place_; }
    Transport transport() const { return transport_; }
    gpibplus::link::Answer<std::unique_ptr<gpibplus::link::Link>> open();
    // The lines sent since the last call, without their line ends, escaped as the trace has
    // them.
    QStringList takeSent();

private:
    Transport transport_;
    Adapter process_;
    QByteArray place_;
    std::shared_ptr<QStringList> sent_ = std::make_shared<QStringList>();
};

QString dialectName(Dialect dialect);
// Rows for each dialect on each transport: "prologix pty", ... with the columns "dialect" and
// "transport".
void addDialectColumns();
void addDialectRows(const char *suffix = "");

} // namespace plustest

Q_DECLARE_METATYPE(gpibplus::link::Dialect)
