// SPDX-License-Identifier: MIT
// No call of libgpibplus.so outlives its timeout by more than a bounded margin, whatever the
// adapter does: silent, talking nonsense, dropping the link, dribbling its answers, stopped in
// the middle of a session or gone. The bounds are generous: they catch a call that hangs, not
// a slow one.
#include "libraryapi.h"
#include "linkfixture.h"

#include <QElapsedTimer>
#include <QTest>

#include <csignal>
#include <memory>

using adaptertest::AdapterProcess;
using adaptertest::Transport;
using plustest::Api;
using plustest::Dialect;

namespace {

constexpr Addr4882_t kMultimeter = 4;
const QByteArray kIdentity = "QUORIN,Simulated Multimeter,SIM0004,1.0\n";
// The timeout of the calls here, and how long beyond it any call may take.
constexpr int kTimeout = T300ms;
constexpr qint64 kBoundMs = 300 + 15000;

const Api &plus() {
    static const Api api = plustest::loadLibrary(GPIBPLUS_PATH);
    return api;
}

struct Timed {
    bool failed;
    QByteArray reply;
    qint64 ms;
};

// Sends *IDN? to the multimeter and reads the reply.
Timed query() {
    const Api &api = plus();
    QElapsedTimer took;
    took.start();
    api.Send(0, kMultimeter, "*IDN?", 5, NLend);
    bool failed = (api.ThreadIbsta() & ERR) != 0;
    QByteArray reply(100, '\0');
    api.Receive(0, kMultimeter, reply.data(), reply.size(), STOPend);
    failed = failed || (api.ThreadIbsta() & ERR) != 0;
    return {failed, reply.left(api.ThreadIbcnt()), took.elapsed()};
}

} // namespace

class TestGpibplusDeadlines : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        // Nothing open and the board off line: the library lets go of the port.
        plus().ibonl(0, 0);
    }

    void faultyAdapter_data() {
        QTest::addColumn<Dialect>("dialect");
        QTest::addColumn<Transport>("transport");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("works");
        QTest::newRow("silent, pty") << Dialect::Prologix << Transport::Pty << "silent" << false;
        QTest::newRow("garbage, tcp") << Dialect::Ar488 << Transport::Tcp << "garbage" << false;
        QTest::newRow("drop, pty") << Dialect::Ar488 << Transport::Pty << "drop" << false;
        QTest::newRow("drop, tcp") << Dialect::Prologix << Transport::Tcp << "drop" << false;
        QTest::newRow("dribble, prologix pty")
            << Dialect::Prologix << Transport::Pty << "dribble" << true;
        QTest::newRow("dribble, ar488 tcp")
            << Dialect::Ar488 << Transport::Tcp << "dribble" << true;
    }

    // An adapter at fault from the start: the call that opens it fails with EDVR within the
    // bound; one that only dribbles serves a query.
    void faultyAdapter() {
        QFETCH(Dialect, dialect);
        QFETCH(Transport, transport);
        QFETCH(QString, fault);
        QFETCH(bool, works);
        AdapterProcess adapter({"--dialect", plustest::dialectName(dialect),
                                adaptertest::servingOption(transport), "--fault=" + fault,
                                QStringLiteral("--time-scale=%1").arg(plustest::kTimeScale)});
        qputenv("GPIBPLUS_PORT", adapter.nextPlace(adaptertest::announcement(transport)));
        QElapsedTimer took;
        took.start();
        plus().ibonl(0, 1);
        QVERIFY2(took.elapsed() < kBoundMs, qPrintable(QString::number(took.elapsed())));
        if (!works) {
            QCOMPARE(plus().ThreadIbsta() & ERR, ERR);
            QCOMPARE(plus().ThreadIberr(), int(EDVR));
            return;
        }
        plus().ibtmo(0, kTimeout);
        const Timed timed = query();
        QVERIFY(!timed.failed);
        QCOMPARE(timed.reply, kIdentity);
        QVERIFY2(timed.ms < kBoundMs, qPrintable(QString::number(timed.ms)));
    }

    void adapterLostMidSession_data() {
        QTest::addColumn<Dialect>("dialect");
        QTest::addColumn<Transport>("transport");
        QTest::addColumn<int>("signal");
        QTest::newRow("stopped, prologix pty") << Dialect::Prologix << Transport::Pty << SIGSTOP;
        QTest::newRow("stopped, ar488 tcp") << Dialect::Ar488 << Transport::Tcp << SIGSTOP;
        QTest::newRow("killed, prologix tcp") << Dialect::Prologix << Transport::Tcp << SIGKILL;
        QTest::newRow("killed, ar488 pty") << Dialect::Ar488 << Transport::Pty << SIGKILL;
    }

    // An adapter that stops answering, or goes, in the middle of a session: the calls fail
    // within the bound. One that comes back is found in step again by the next call; one that
    // went is opened anew by the next call, which fails at once while it is not there.
    void adapterLostMidSession() {
        QFETCH(Dialect, dialect);
        QFETCH(Transport, transport);
        QFETCH(int, signal);
        AdapterProcess adapter({"--dialect", plustest::dialectName(dialect),
                                adaptertest::servingOption(transport),
                                QStringLiteral("--time-scale=%1").arg(plustest::kTimeScale)});
        qputenv("GPIBPLUS_PORT", adapter.nextPlace(adaptertest::announcement(transport)));
        plus().ibonl(0, 1);
        plus().ibtmo(0, kTimeout);
        QCOMPARE(query().reply, kIdentity);
        adapter.signal(signal);
        const Timed lost = query();
        QVERIFY(lost.failed);
        QVERIFY2(lost.ms < 2 * kBoundMs, qPrintable(QString::number(lost.ms)));
        if (signal == SIGSTOP) {
            // The instrument holds what came of the message before the adapter stopped.
            adapter.signal(SIGCONT);
            plus().DevClear(0, kMultimeter);
            QCOMPARE(plus().ThreadIbsta() & ERR, 0);
            const Timed back = query();
            QCOMPARE(back.reply, kIdentity);
            QVERIFY(!back.failed);
        } else {
            const Timed gone = query();
            QVERIFY(gone.failed);
            QCOMPARE(plus().ThreadIberr(), int(EDVR));
            QVERIFY2(gone.ms < kBoundMs, qPrintable(QString::number(gone.ms)));
        }
    }
};

QTEST_GUILESS_MAIN(TestGpibplusDeadlines)
#include "tst_gpibplusdeadlines.moc"
