// SPDX-License-Identifier: MIT
// The link on a scripted adapter, where the test decides when the adapter pauses: a reply that
// stops midway, an adapter that then answers nonsense, and an instrument slower than the
// adapter's read timeout.
#include "linkfixture.h"
#include "scriptedport.h"

#include <QTest>

#include <functional>

using namespace gpibplus::link;
using plustest::Dialect;
using plustest::ScriptedPort;

namespace {

const std::string kPause(1, ScriptedPort::kPause);

// The answers to opening: the probe, a pause that ends the drain, the version twice, the real
// version, the mode, and the address for each "++addr" that confirms the settings.
std::string opening(Dialect dialect) {
    if (dialect == Dialect::Ar488)
        return "V\r\n" + kPause + "V\r\nV\r\nAR488 real\r\n1\r\n1\r\n1\r\n";
    return "V\r\n" + kPause + "V\r\nV\r\nV\r\n1\r\n1\r\n";
}

QString outcome(const Result &result) {
    static const char *const kNames[] = {"ok", "timeout", "refused", "down"};
    return kNames[static_cast<int>(result.status)];
}

QString readFrom4(Link &link, Link::Timeout timeout) {
    const Answer<Link::Read> read = link.read(Address{4}, 100, std::nullopt, timeout);
    return outcome(read.result) + " " + QString::fromStdString(read.value.data) +
           (read.value.ended ? "|end" : "");
}

QString serviceRequest(Link &link) {
    const Answer<bool> requested = link.serviceRequested(Link::Timeout(1000));
    return outcome(requested.result) + (requested.value ? " 1" : " 0");
}

struct Case {
    const char *name;
    Dialect dialect;
    std::string script; // after opening
    std::function<QStringList(Link &)> calls;
    QStringList outcomes;
    QStringList lines;
};

const QStringList kRead = {"++addr 4", "++read_tmo_ms 1000", "++read eoi", "++ver"};

const Case kCases[] = {
    // The reply stops, and the adapter does not answer the "++ver" behind it: what came is
    // handed out with the timeout. The next call drops what still comes until the adapter is
    // quiet, checks "++ver", and sends its settings again.
    {"reply stops midway",
     Dialect::Prologix,
     "ABC" + kPause + kPause + "DEF" + kPause + "V\r\n0\r\nXYZ\n" + kPause + "V\r\n",
     [](Link &link) {
         const QString first = readFrom4(link, Link::Timeout(1000));
         const QString second = serviceRequest(link);
         return QStringList{first, second, readFrom4(link, Link::Timeout(1000))};
     },
     {"timeout ABC", "ok 0", "ok XYZ\n|end"},
     kRead + QStringList{"++ver", "++srq"} + kRead},
    // After the reply stopped, the adapter answers "++ver" wrongly: that call fails, the next
    // tries again.
    {"nonsense after a stopped reply",
     Dialect::Ar488,
     "ABC" + kPause + kPause + kPause + "NOT V\r\n" + kPause + "V\r\n0\r\n",
     [](Link &link) {
         const QString first = readFrom4(link, Link::Timeout(1000));
         const QString second = serviceRequest(link);
         return QStringList{first, second, serviceRequest(link)};
     },
     {"timeout ABC", "down 0", "ok 0"},
     kRead + QStringList{"++ver", "++ver", "++srq"}},
    // With no limit, a read the adapter gave up on is sent again, at the dialect's longest
    // read timeout.
    {"prologix reads again",
     Dialect::Prologix,
     kPause + "V\r\n" + kPause + "V\r\nDATA\n" + kPause + "V\r\n",
     [](Link &link) { return QStringList{readFrom4(link, Link::Timeout(0))}; },
     {"ok DATA\n|end"},
     {"++addr 4", "++read_tmo_ms 3000", "++read eoi", "++ver", "++read eoi", "++ver", "++read eoi",
      "++ver"}},
    {"ar488 reads again",
     Dialect::Ar488,
     kPause + "V\r\nDATA\n" + kPause + "V\r\n",
     [](Link &link) { return QStringList{readFrom4(link, Link::Timeout(0))}; },
     {"ok DATA\n|end"},
     {"++addr 4", "++read_tmo_ms 32000", "++read eoi", "++ver", "++read eoi", "++ver"}},
    // A serial poll answered late, after the "++ver" sent to find its end, still counts; a
    // status byte out of range is not one.
    {"serial poll answered late",
     Dialect::Prologix,
     kPause + "16\r\nV\r\n",
     [](Link &link) {
         const Answer<int> polled = link.serialPoll(Address{4}, Link::Timeout(1000));
         return QStringList{outcome(polled.result) + " " + QString::number(polled.value)};
     },
     {"ok 16"},
     {"++read_tmo_ms 1000", "++spoll 4", "++ver"}},
    {"serial poll answered with nonsense",
     Dialect::Prologix,
     "999\r\n",
     [](Link &link) {
         return QStringList{outcome(link.serialPoll(Address{4}, Link::Timeout(1000)).result)};
     },
     {"down"},
     {"++read_tmo_ms 1000", "++spoll 4"}},
};

} // namespace

class TestScripted : public QObject {
    Q_OBJECT

private slots:
    void exchanges_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < static_cast<int>(std::size(kCases)); ++i)
            QTest::newRow(kCases[i].name) << i;
    }

    void exchanges() {
        QFETCH(int, index);
        const Case &expected = kCases[index];
        QStringList sent;
        bool opened = false;
        Trace trace([&](std::string_view entry) {
            if (opened && entry.size() > 13 && entry[11] == '>')
                sent.append(QString::fromLatin1(entry.substr(13, entry.size() - 13 - 3)));
        });
        auto [result, link] =
            Link::open(std::make_unique<ScriptedPort>(opening(expected.dialect) + expected.script),
                       std::move(trace));
        QVERIFY2(result.ok(), result.message.c_str());
        QCOMPARE(link->dialect(), expected.dialect);
        opened = true;
        QCOMPARE(expected.calls(*link), expected.outcomes);
        QCOMPARE(sent, expected.lines);
    }
};

QTEST_GUILESS_MAIN(TestScripted)
#include "tst_scripted.moc"
