// SPDX-License-Identifier: MIT
#include "launchedadapter.h"

#include "gpibplus/port/tcpport.h"

#include <cstdio>

namespace plustest {

namespace {

using gpibplus::port::Clock;
using gpibplus::port::Transfer;

// Every wait gives up after this long, so that a fault fails a test instead of hanging it.
constexpr auto kPatience = std::chrono::seconds(10);

} // namespace

LaunchedAdapter::LaunchedAdapter(const QStringList &arguments) {
    const QByteArray launcher = qgetenv("GPIBSIM_ADAPTER_LAUNCHER");
    gpibplus::port::Opened connected =
        gpibplus::port::connectTcp(launcher.toStdString(), Clock::now() + kPatience);
    if (!connected.port) {
        std::fprintf(stderr, "no adapter launcher at GPIBSIM_ADAPTER_LAUNCHER '%s': %s\n",
                     launcher.constData(), connected.problem.c_str());
        return;
    }
    launcher_ = std::move(connected.port);
    const QByteArray request = (arguments.join('\n') + "\n\n").toUtf8();
    launcher_->write(request.toStdString(), Clock::now() + kPatience);
}

QByteArray LaunchedAdapter::nextLine() {
    const auto deadline = Clock::now() + kPatience;
    while (!received_.contains('\n')) {
        if (!launcher_)
            return {};
        char buffer[256];
        const Transfer got = launcher_->read(buffer, deadline);
        if (got.status != Transfer::Status::Done)
            return {};
        received_.append(buffer, static_cast<qsizetype>(got.count));
    }
    const qsizetype end = received_.indexOf('\n');
    const QByteArray line = received_.left(end);
    received_.remove(0, end + 1);
    return line;
}

QByteArray LaunchedAdapter::nextPlace(const QByteArray &transport) {
    const QByteArray line = nextLine();
    return line.startsWith(transport + ' ') ? line.mid(transport.size() + 1) : QByteArray();
}

} // namespace plustest
