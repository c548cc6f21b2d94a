// SPDX-License-Identifier: MIT
#include "linkfixture.h"

#include "gpibplus/port/configuration.h"

#include <QTest>

namespace plustest {

using namespace gpibplus;

LinkFixture::LinkFixture(Dialect dialect, Transport transport, const QStringList &options)
    : transport_(transport),
      process_(QStringList{"--dialect", dialectName(dialect), adaptertest::servingOption(transport),
                           QStringLiteral("--time-scale=%1").arg(kTimeScale)} +
               options),
      place_(process_.nextPlace(adaptertest::announcement(transport))) {}

link::Answer<std::unique_ptr<link::Link>> LinkFixture::open() {
    const port::Configuration where{place_.toStdString(), {}, "test", {}};
    port::Opened opened = port::openPort(where, port::Clock::now() + link::Link::kMargin);
    if (!opened.port)
        return {{link::Status::LinkDown, opened.errnum, opened.problem}, nullptr};
    link::Trace trace([sent = sent_](std::string_view entry) {
        // "  0.123456 > ++addr 5\n" and a line end of the trace's own.
        if (entry.size() > 13 && entry[11] == '>')
            sent->append(QString::fromLatin1(entry.substr(13, entry.size() - 13 - 3)));
    });
    return link::Link::open(std::move(opened.port), std::move(trace));
}

QStringList LinkFixture::takeSent() {
    return std::exchange(*sent_, {});
}

QString dialectName(Dialect dialect) {
    return dialect == Dialect::Ar488 ? "ar488" : "prologix";
}

void addDialectColumns() {
    QTest::addColumn<Dialect>("dialect");
    QTest::addColumn<Transport>("transport");
}

void addDialectRows(const char *suffix) {
    for (const Dialect dialect : {Dialect::Prologix, Dialect::Ar488})
        for (const Transport transport : {Transport::Pty, Transport::Tcp})
            QTest::addRow("%s %s%s", qPrintable(dialectName(dialect)),
                          transport == Transport::Pty ? "pty" : "tcp", suffix)
                << dialect << transport;
}

} // namespace plustest
