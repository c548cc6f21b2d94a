// SPDX-License-Identifier: MIT
// The "++" link against gpibsim-adapter in both dialects, over its pseudo-terminal and TCP: what
// opening sends, the lines and answers of each operation, and the adapter's limits and faults.
#include "linkfixture.h"

#include "gpibplus/port/configuration.h"

#include <QElapsedTimer>
#include <QTest>

#include <functional>

using namespace gpibplus::link;
using plustest::Dialect;
using plustest::kTimeout;
using plustest::LinkFixture;
using plustest::Transport;

namespace {

// The default bench: a multimeter at 4, an instrument at 5 97, nobody at 6.
constexpr Address kMultimeter{4};
constexpr Address kSecondary{5, 97};
constexpr Address kNobody{6};
const QByteArray kIdentity = "QUORIN,Simulated Multimeter,SIM0004,1.0\n";

// Anything that hangs fails here; no case is timed more tightly.
constexpr qint64 kBoundMs = 30000;

QString outcome(const Result &result) {
    switch (result.status) {
    case Status::Ok:
        return "ok";
    case Status::TimedOut:
        return "timeout";
    case Status::Refused:
        return "refused";
    case Status::LinkDown:
        return "down";
    }
    return {};
}

QString outcome(const Answer<Link::Read> &answer) {
    return outcome(answer.result) + " " + QString::fromLatin1(answer.value.data) +
           (answer.value.ended ? "|end" : "");
}

QString query(Link &link, Address address, std::size_t count = 100) {
    const Result written = link.write(address, "*IDN?", true, kTimeout);
    if (!written.ok())
        return outcome(written);
    return outcome(link.read(address, count, std::nullopt, kTimeout));
}

// An operation: what it brings back, as text, and the lines it sends in each dialect.
struct Operation {
    const char *name;
    std::function<QString(Link &)> run;
    QString prologix;
    QStringList prologixLines;
    QString ar488;
    QStringList ar488Lines;
};

const QStringList kWriteIdn = {"++addr 4", "++read_tmo_ms 1000", "*IDN?", "++addr"};
const QStringList kReadBack = {"++read eoi", "++ver"};

QString identity() {
    return "ok " + QString::fromLatin1(kIdentity) + "|end";
}

const Operation kOperations[] = {
    {"query", [](Link &link) { return query(link, kMultimeter); }, identity(),
     kWriteIdn + kReadBack, identity(), kWriteIdn + kReadBack},
    {"surplus kept for the next read",
     [](Link &link) {
         const QString first = query(link, kMultimeter, 7);
         return first + " / " + outcome(link.read(kMultimeter, 100, std::nullopt, kTimeout));
     },
     "ok QUORIN, / ok Simulated Multimeter,SIM0004,1.0\n|end", kWriteIdn + kReadBack,
     "ok QUORIN, / ok Simulated Multimeter,SIM0004,1.0\n|end", kWriteIdn + kReadBack},
    {"terminator found on the host",
     [](Link &link) {
         link.write(kMultimeter, "*IDN?", true, kTimeout);
         QString got;
         for (int i = 0; i < 3; ++i)
             got += outcome(link.read(kMultimeter, 100, ',', kTimeout)) + " / ";
         return got;
     },
     "ok QUORIN,|end / ok Simulated Multimeter,|end / ok SIM0004,|end / ", kWriteIdn + kReadBack,
     "ok QUORIN,|end / ok Simulated Multimeter,|end / ok SIM0004,|end / ", kWriteIdn + kReadBack},
    {"read from nobody",
     [](Link &link) { return outcome(link.read(kNobody, 10, std::nullopt, kTimeout)); },
     "timeout ",
     {"++addr 6", "++read_tmo_ms 1000", "++read eoi", "++ver"},
     "timeout ",
     {"++addr 6", "++read_tmo_ms 1000", "++read eoi", "++ver"}},
    {"serial poll",
     [](Link &link) {
         link.write(kMultimeter, "*IDN?", true, kTimeout);
         const Answer<int> polled = link.serialPoll(kMultimeter, kTimeout);
         return outcome(polled.result) + " " + QString::number(polled.value);
     },
     "ok 16", kWriteIdn + QStringList{"++spoll 4"}, "ok 16", kWriteIdn + QStringList{"++spoll 4"}},
    {"serial poll at a secondary address",
     [](Link &link) {
         const Answer<int> polled = link.serialPoll(kSecondary, kTimeout);
         return outcome(polled.result) + " " + QString::number(polled.value);
     },
     "ok 0",
     {"++read_tmo_ms 1000", "++spoll 5 97"},
     "refused 0",
     {}},
    {"serial poll of nobody",
     [](Link &link) { return outcome(link.serialPoll(kNobody, kTimeout).result); },
     "timeout",
     {"++read_tmo_ms 1000", "++spoll 6", "++ver"},
     "timeout",
     {"++read_tmo_ms 1000", "++spoll 6", "++ver"}},
    {"device clear drops the surplus",
     [](Link &link) {
         const QString first = query(link, kMultimeter, 7);
         link.deviceClear(kMultimeter, kTimeout);
         return first + " / " + outcome(link.read(kMultimeter, 100, std::nullopt, kTimeout));
     },
     "ok QUORIN, / timeout ", kWriteIdn + kReadBack + QStringList{"++clr", "++addr"} + kReadBack,
     "ok QUORIN, / timeout ", kWriteIdn + kReadBack + QStringList{"++clr", "++addr"} + kReadBack},
    {"universal clear",
     [](Link &link) { return outcome(link.universalClear(kTimeout)); },
     "refused",
     {},
     "ok",
     {"++dcl", "++addr"}},
    {"trigger",
     [](Link &link) { return outcome(link.trigger(kMultimeter, kTimeout)); },
     "ok",
     {"++trg 4", "++addr"},
     "ok",
     {"++trg 4", "++addr"}},
    {"trigger at a secondary address",
     [](Link &link) { return outcome(link.trigger(kSecondary, kTimeout)); },
     "ok",
     {"++trg 5 97", "++addr"},
     "refused",
     {}},
    {"interface clear",
     [](Link &link) { return outcome(link.interfaceClear(kTimeout)); },
     "ok",
     {"++ifc", "++addr"},
     "ok",
     {"++ifc", "++addr"}},
    {"remote enable on",
     [](Link &link) { return outcome(link.remoteEnable(true, kTimeout)); },
     "ok",
     {},
     "ok",
     {"++ren 1", "++addr"}},
    {"remote enable off",
     [](Link &link) { return outcome(link.remoteEnable(false, kTimeout)); },
     "refused",
     {},
     "ok",
     {"++ren 0", "++addr"}},
    {"go to local",
     [](Link &link) { return outcome(link.goToLocal(kMultimeter, kTimeout)); },
     "ok",
     {"++addr 4", "++loc", "++addr"},
     "ok",
     {"++addr 4", "++loc", "++addr"}},
    {"local lockout",
     [](Link &link) { return outcome(link.localLockout(kMultimeter, kTimeout)); },
     "ok",
     {"++addr 4", "++llo", "++addr"},
     "ok",
     {"++addr 4", "++llo", "++addr"}},
    {"listener there, then a query",
     [](Link &link) {
         const Answer<bool> found = link.listens(kMultimeter, kTimeout);
         return outcome(found.result) + (found.value ? " yes / " : " no / ") +
                query(link, kMultimeter);
     },
     "ok yes / " + identity(),
     QStringList{"++read_tmo_ms 1000", "++spoll 4", "++ver"} + kWriteIdn.mid(0, 1) +
         kWriteIdn.mid(2) + kReadBack,
     "ok yes / " + identity(), QStringList{"++fndl 4", "++unl", "++addr"} + kWriteIdn + kReadBack},
    {"nobody listening",
     [](Link &link) {
         const Answer<bool> found = link.listens(kNobody, kTimeout);
         return outcome(found.result) + (found.value ? " yes" : " no");
     },
     "ok no",
     {"++read_tmo_ms 1000", "++spoll 6", "++ver"},
     "ok no",
     {"++fndl 6", "++unl", "++addr"}},
    {"service request",
     [](Link &link) {
         const Answer<bool> requested = link.serviceRequested(kTimeout);
         return outcome(requested.result) + (requested.value ? " 1" : " 0");
     },
     "ok 0",
     {"++srq"},
     "ok 0",
     {"++srq"}},
};

} // namespace

class TestLink : public QObject {
    Q_OBJECT

private slots:
    void opens_data() {
        plustest::addDialectColumns();
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<Dialect>("found");
        for (const Dialect dialect : {Dialect::Prologix, Dialect::Ar488})
            for (const Transport transport : {Transport::Pty, Transport::Tcp}) {
                const char *over = transport == Transport::Pty ? "pty" : "tcp";
                const QString name = plustest::dialectName(dialect);
                QTest::addRow("%s %s", qPrintable(name), over)
                    << dialect << transport << QStringList() << dialect;
                QTest::addRow("%s %s, reset on open", qPrintable(name), over)
                    << dialect << transport << QStringList{"--reset-on-open=1200"} << dialect;
                QTest::addRow("%s %s, 64-byte input", qPrintable(name), over)
                    << dialect << transport << QStringList{"--input-buffer=64"} << dialect;
            }
        QTest::addRow("ar488 posing as a prologix")
            << Dialect::Ar488 << Transport::Pty
            << QStringList{"--version-text", "Prologix GPIB-USB Controller version 6.107"}
            << Dialect::Ar488;
    }

    // The dialect is found, the settings put back, and the adapter serves a query.
    void opens() {
        QFETCH(Dialect, dialect);
        QFETCH(Transport, transport);
        QFETCH(QStringList, options);
        QFETCH(Dialect, found);
        LinkFixture fixture(dialect, transport, options);
        QVERIFY(!fixture.place().isEmpty());
        auto [result, link] = fixture.open();
        QVERIFY2(result.ok(), result.message.c_str());
        QCOMPARE(link->dialect(), found);
        const QStringList sent = fixture.takeSent();
        const QStringList restored =
            found == Dialect::Ar488
                ? QStringList{"++mode",  "++auto 0", "++eos 3",   "++eoi 1",     "++eot_enable 0",
                              "++eor 0", "++idn 0",  "++flags 0", "++srqauto 0", "++addr"}
                : QStringList{"++savecfg 0", "++mode",         "++auto 0", "++eos 3",
                              "++eoi 1",     "++eot_enable 0", "++addr"};
        QStringList settings = sent.mid(sent.indexOf(restored.front()));
        settings.removeAll("++addr");
        QCOMPARE(settings + QStringList{"++addr"}, restored);
        QVERIFY(!sent.contains("++mode 1"));
        QCOMPARE(query(*link, kMultimeter), identity());
    }

    void operations_data() {
        plustest::addDialectColumns();
        QTest::addColumn<int>("operation");
        for (int i = 0; i < static_cast<int>(std::size(kOperations)); ++i)
            for (const Dialect dialect : {Dialect::Prologix, Dialect::Ar488})
                for (const Transport transport : {Transport::Pty, Transport::Tcp})
                    QTest::addRow("%s: %s %s", kOperations[i].name,
                                  qPrintable(plustest::dialectName(dialect)),
                                  transport == Transport::Pty ? "pty" : "tcp")
                        << dialect << transport << i;
    }

    // Each operation's answer and the exact lines it sends after opening.
    void operations() {
        QFETCH(Dialect, dialect);
        QFETCH(Transport, transport);
        QFETCH(int, operation);
        const Operation &expected = kOperations[operation];
        LinkFixture fixture(dialect, transport);
        auto [result, link] = fixture.open();
        QVERIFY2(result.ok(), result.message.c_str());
        fixture.takeSent();
        const QString got = expected.run(*link);
        const bool prologix = dialect == Dialect::Prologix;
        QCOMPARE(got, prologix ? expected.prologix : expected.ar488);
        QCOMPARE(fixture.takeSent(), prologix ? expected.prologixLines : expected.ar488Lines);
    }

    void putsBackWhatAnEarlierClientChanged_data() {
        plustest::addDialectColumns();
        plustest::addDialectRows();
    }

    // An earlier client left data terminators, no EOI, reads after writes, an EOI marker,
    // device mode, and on AR488 verbose mode, *idn? answered by the adapter and status texts.
    void putsBackWhatAnEarlierClientChanged() {
        QFETCH(Dialect, dialect);
        QFETCH(Transport, transport);
        LinkFixture fixture(dialect, transport);
        {
            const gpibplus::port::Deadline deadline = gpibplus::port::Clock::now() + Link::kMargin;
            const gpibplus::port::Opened earlier =
                gpibplus::port::openPort({fixture.place().toStdString(), {}, "test", {}}, deadline);
            QVERIFY2(earlier.port, earlier.problem.c_str());
            std::string settings = "++auto 1\n++eos 0\n++eoi 0\n++eot_enable 1\n++eot_char 33\n";
            if (dialect == Dialect::Ar488)
                settings += "++idn 1\n++flags 7\n++verbose\n";
            settings += "++mode 0\n++ver\n";
            QCOMPARE(earlier.port->write(settings, deadline).count, settings.size());
            const Trace untraced;
            QVERIFY(Replies(*earlier.port, untraced).line(deadline));
        }
        auto [result, link] = fixture.open();
        QVERIFY2(result.ok(), result.message.c_str());
        QVERIFY(fixture.takeSent().contains("++mode 1"));
        QCOMPARE(query(*link, kMultimeter), identity());
        QCOMPARE(query(*link, kMultimeter, 7), "ok QUORIN,");
    }

    void longWrite_data() {
        plustest::addDialectColumns();
        plustest::addDialectRows();
        QTest::addRow("ar488 pty, 64-byte input") << Dialect::Ar488 << Transport::Pty;
    }

    // 300 bytes arrive whole, as one message: AR488 takes them in lines that fit its input
    // buffer, EOI only with the last.
    void longWrite() {
        QFETCH(Dialect, dialect);
        QFETCH(Transport, transport);
        LinkFixture fixture(dialect, transport,
                            QString(QTest::currentDataTag()).contains("64")
                                ? QStringList{"--input-buffer=64"}
                                : QStringList());
        auto [result, link] = fixture.open();
        QVERIFY2(result.ok(), result.message.c_str());
        std::string message;
        while (message.size() < 290)
            message += "*ESE 32;";
        message += "*ESE?";
        fixture.takeSent();
        const Result written = link->write(kMultimeter, message, true, kTimeout);
        QVERIFY2(written.ok(), written.message.c_str());
        // The data lines, each with the EOI setting it went out under.
        QString data;
        QStringList eoiOfEach;
        QString eoiNow = "++eoi 1";
        for (const QString &line : fixture.takeSent())
            if (line.startsWith("++eoi"))
                eoiNow = line;
            else if (!line.startsWith("++"))
                data += line, eoiOfEach.append(eoiNow);
        QCOMPARE(data, QString::fromStdString(message));
        QCOMPARE(eoiOfEach.size(), dialect == Dialect::Ar488 ? 6 : 1);
        QCOMPARE(eoiOfEach.count("++eoi 1"), 1);
        QCOMPARE(eoiOfEach.back(), "++eoi 1");
        QCOMPARE(outcome(link->read(kMultimeter, 100, std::nullopt, kTimeout)), "ok 32\n|end");
        QCOMPARE(link->write(kMultimeter, "SYST:ERR?", true, kTimeout).status, Status::Ok);
        QCOMPARE(outcome(link->read(kMultimeter, 100, std::nullopt, kTimeout)),
                 "ok 0,\"No error\"\n|end");
    }

    void faults_data() {
        plustest::addDialectColumns();
        QTest::addColumn<QString>("fault");
        for (const char *fault : {"silent", "garbage", "drop", "dribble"})
            for (const Dialect dialect : {Dialect::Prologix, Dialect::Ar488})
                for (const Transport transport : {Transport::Pty, Transport::Tcp})
                    QTest::addRow("%s: %s %s", fault, qPrintable(plustest::dialectName(dialect)),
                                  transport == Transport::Pty ? "pty" : "tcp")
                        << dialect << transport << QString(fault);
    }

    // Silence, noise and a dropped link fail the opening with the port named; bytes dribbling
    // in are only slow. Each ends within a generous bound.
    void faults() {
        QFETCH(Dialect, dialect);
        QFETCH(Transport, transport);
        QFETCH(QString, fault);
        LinkFixture fixture(dialect, transport, {"--fault=" + fault});
        QElapsedTimer took;
        took.start();
        auto [result, link] = fixture.open();
        if (fault == "dribble") {
            QVERIFY2(result.ok(), result.message.c_str());
            QCOMPARE(query(*link, kMultimeter), identity());
            QCOMPARE(outcome(link->read(kNobody, 10, std::nullopt, kTimeout)), "timeout ");
        } else {
            QCOMPARE(result.status, Status::LinkDown);
            QVERIFY2(QString::fromStdString(result.message).startsWith(fixture.place() + ": "),
                     result.message.c_str());
        }
        QVERIFY(took.elapsed() < kBoundMs);
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
