// SPDX-License-Identifier: MIT
#pragma once

#include "gpibplus/port/port.h"

#include <QByteArray>
#include <QStringList>

#include <memory>

namespace plustest {

// A gpibsim-adapter process started on the Linux side by adapterlauncher.py, for the tests that
// run under Wine, where a program can neither start nor stop a Linux program. It runs for as
// long as this holds its connection to the launcher; its pseudo-terminal is served as a COM port.
class LaunchedAdapter {
public:
    explicit LaunchedAdapter(const QStringList &arguments);

    // The next line it prints, without its line end; empty when it printed none before it
    // ended or the patience ran out.
    QByteArray nextLine();
    // Where the next line says a transport is served: "COM23" of "pty COM23"; empty when the
    // line is not about `transport` ("pty", "tcp").
    QByteArray nextPlace(const QByteArray &transport);

private:
    std::unique_ptr<gpibplus::port::Port> launcher_;
    QByteArray received_;
};

} // namespace plustest
