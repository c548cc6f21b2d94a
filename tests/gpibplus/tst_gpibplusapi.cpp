// SPDX-License-Identifier: MIT
// libgpibplus.so (gpibplus.dll) through its C calls against gpibsim-adapter, in both dialects
// over the pseudo-terminal (under Wine a COM port) and TCP, each call beside the same call on
// the simulated bus itself (libgpibsim.so or gpibsim.dll, loaded in the same process): the same
// status within what an adapter shows, the same error, count and data, except where the
// library's README says that the adapter differs.
#include "libraryapi.h"
#include "linkfixture.h"

#include <QRegularExpression>
#include <QTest>

#include <functional>
#include <map>
#include <memory>

using plustest::Api;
using plustest::Dialect;
using plustest::Reported;
using plustest::Transport;

namespace {

// What ibsta shows through an adapter: ATN, TACS and LACS are never seen, and SRQI and RQS only
// by a wait, which asks the adapter.
constexpr int kShown = ERR | TIMO | END | CMPL | CIC | REM;
constexpr int kShownByWaits = kShown | SRQI | RQS;

constexpr Addr4882_t kMultimeter = 4;
constexpr Addr4882_t kGeneric = 5 | 97 << 8;
constexpr Addr4882_t kNobody = 6;
const QRegularExpression kReading(R"(^[+-]\d\.\d{5}E[+-]\d\d\n$)");

const Api &simulated() {
    static const Api api = plustest::loadLibrary(GPIBSIM_PATH);
    return api;
}

const Api &plus() {
    static const Api api = plustest::loadLibrary(GPIBPLUS_PATH);
    return api;
}

int open(const Api &api, Addr4882_t address) {
    return api.ibdev(0, address & 0xFF, address >> 8, T300ms, 1, 0);
}

void send(const Api &api, Addr4882_t address, const QByteArray &message) {
    api.Send(0, address, message.constData(), message.size(), NLend);
}

QByteArray received(const Api &api, Addr4882_t address, long count = 100,
                    int termination = STOPend) {
    QByteArray buffer(static_cast<qsizetype>(count), '\0');
    api.Receive(0, address, buffer.data(), count, termination);
    return buffer.left(api.ThreadIbcnt());
}

QByteArray readOn(const Api &api, int ud, long count = 100) {
    QByteArray buffer(static_cast<qsizetype>(count), '\0');
    api.ibrd(ud, buffer.data(), count);
    return buffer.left(api.ThreadIbcnt());
}

QByteArray polled(const Api &api, Addr4882_t address) {
    short status = -1;
    api.ReadStatusByte(0, address, &status);
    return QByteArray::number(status);
}

// What each instrument's status query answers: what a list routine left in them.
QByteArray statusQueries(const Api &api) {
    send(api, kMultimeter, "*STB?");
    QByteArray answers = received(api, kMultimeter);
    send(api, kGeneric, "*STB?");
    return answers + received(api, kGeneric);
}

// A call, made on a freshly reset bench, and what it reported.
using Call = std::function<Reported(const Api &)>;
// How the adapter's report differs from the simulated bus's.
using Difference = std::function<Reported(Reported)>;

// The adapter cannot do it: ECAP, nothing moved, `data` left as it was.
Difference refused(const QByteArray &data = {}) {
    return [data](Reported reported) {
        reported.ibsta = (reported.ibsta & ~(TIMO | END)) | ERR;
        reported.iberr = ECAP;
        reported.count = 0;
        reported.data = data;
        return reported;
    };
}

// A Prologix keeps REN asserted while it is controller: releasing it is refused, and REM stays.
Difference renKept(const QByteArray &data = {}) {
    return [data](Reported reported) {
        reported = refused(data)(reported);
        reported.ibsta |= REM;
        return reported;
    };
}

// The board off line sends nothing to the adapter, which keeps REN asserted.
Difference adapterKeepsRen() {
    return [](Reported reported) {
        reported.ibsta |= REM;
        return reported;
    };
}

// The adapter cannot see that nobody listens: the data went, as far as it can tell.
Difference unseenListener(long count) {
    return [count](Reported reported) {
        reported.ibsta &= ~ERR;
        reported.iberr = 0;
        reported.count = count;
        return reported;
    };
}

Difference found(const QByteArray &data, long count) {
    return [data, count](Reported reported) {
        reported.ibsta &= ~ERR;
        reported.iberr = 0;
        reported.count = count;
        reported.data = data;
        return reported;
    };
}

struct Row {
    const char *name;
    Call call;
    Difference prologix = {}; // none: as on the simulated bus
    Difference ar488 = {};
};

// After a call on a device descriptor, the descriptor is closed again.
template <typename Body> Call onDevice(Addr4882_t address, Body body, int mask = kShown) {
    return [address, body, mask](const Api &api) {
        const int ud = open(api, address);
        const QByteArray data = body(api, ud);
        Reported result = plustest::reported(api, mask, data);
        api.ibonl(ud, 0);
        return result;
    };
}

template <typename Body> Call onBoard(Body body, int mask = kShown) {
    return [body, mask](const Api &api) {
        const QByteArray data = body(api);
        return plustest::reported(api, mask, data);
    };
}

const Addr4882_t kBoth[] = {kMultimeter, kGeneric, NOADDR};
const Addr4882_t kJustTheMultimeter[] = {kMultimeter, NOADDR};
const Addr4882_t kEmpty[] = {NOADDR};

const std::vector<Row> &rows() {
    using B = const Api &;
    static const std::vector<Row> table = {
        // Descriptors and settings
        {"ibfind", onBoard([](B api) { return QByteArray::number(api.ibfind("GPIB0")); })},
        {"ibfind, another board",
         onBoard([](B api) { return QByteArray::number(api.ibfind("GPIB7")); })},
        {"ibdev",
         onDevice(kGeneric, [](B, int ud) { return QByteArray::number(ud >= 16); })},
        {"ibonl, board off line, then Send", onBoard([](B api) {
             api.ibonl(0, 0);
             send(api, kMultimeter, "*IDN?");
             return QByteArray();
         })},
        {"ibonl, board back on line", onBoard([](B api) {
             api.ibonl(0, 0);
             api.ibonl(0, 1);
             return QByteArray();
         }),
         adapterKeepsRen(), adapterKeepsRen()},
        {"ibonl, device off line", onBoard([](B api) {
             return QByteArray::number(api.ibonl(open(api, kMultimeter), 0) & ERR);
         })},
        {"ibpad", onBoard([](B api) { return QByteArray::number(api.ibpad(0, 0) & ERR); })},
        {"ibsad, then a query", onDevice(5, [](B api, int ud) {
             api.ibsad(ud, 97);
             api.ibwrt(ud, "*IDN?\n", 6);
             return readOn(api, ud);
         })},
        {"ibtmo", onDevice(kMultimeter, [](B api, int ud) {
             return QByteArray::number(api.ibtmo(ud, T3s) & ERR);
         })},
        {"ibeos, reads stop at a comma", onDevice(kMultimeter, [](B api, int ud) {
             api.ibeos(ud, REOS | ',');
             api.ibwrt(ud, "*IDN?\n", 6);
             return readOn(api, ud) + "|" + readOn(api, ud);
         })},
        {"ibeot, EOI with the last byte off", onDevice(kMultimeter, [](B api, int ud) {
             api.ibeot(ud, 0);
             api.ibwrt(ud, "*IDN?", 5);
             return polled(api, kMultimeter);
         })},
        {"ibask", onDevice(kMultimeter, [](B api, int ud) {
             int value = -1;
             api.ibask(ud, IbaTMO, &value);
             return QByteArray::number(value);
         })},
        {"ibconfig", onDevice(kMultimeter, [](B api, int ud) {
             api.ibconfig(ud, IbcTMO, T1s);
             int value = -1;
             api.ibask(ud, IbaTMO, &value);
             return QByteArray::number(value);
         })},
        {"ibconfig, remote enable on the board",
         onBoard([](B api) { return QByteArray::number(api.ibconfig(0, IbcSRE, 1) & ERR); })},
        {"ibrsc", onBoard([](B api) { return QByteArray::number(api.ibrsc(0, 1) & ERR); })},
        {"ibist", onBoard([](B api) { return QByteArray::number(api.ibist(0, 1) & ERR); })},
        {"ibrsv", onBoard([](B api) { return QByteArray::number(api.ibrsv(0, 0x41) & ERR); })},
        {"ibrsv2",
         onBoard([](B api) { return QByteArray::number(api.ibrsv2(0, 0x41, 1) & ERR); })},
        {"ibppc, the board's own", onBoard([](B api) { return QByteArray::number(api.ibppc(0, 0x61) & ERR); })},
        {"ibppc, a device's over the bus",
         onDevice(kMultimeter, [](B api, int ud) { return QByteArray::number(api.ibppc(ud, 0x61) & ERR); }), refused(QByteArray::number(ERR)), refused(QByteArray::number(ERR))},
        // The bus
        {"ibsre on", onBoard([](B api) { return QByteArray::number(api.ibsre(0, 1) & ERR); })},
        {"ibsre off", onBoard([](B api) { return QByteArray::number(api.ibsre(0, 0) & ERR); }),
         renKept(QByteArray::number(ERR))},
        {"ibsic", onBoard([](B api) { return QByteArray::number(api.ibsic(0) & ERR); })},
        {"SendIFC", onBoard([](B api) {
             api.SendIFC(0);
             return QByteArray();
         })},
        {"ibln, a listener", onBoard([](B api) {
             short listener = -1;
             api.ibln(0, 4, NO_SAD, &listener);
             return QByteArray::number(listener);
         })},
        {"ibln, nobody", onBoard([](B api) {
             short listener = -1;
             api.ibln(0, 6, NO_SAD, &listener);
             return QByteArray::number(listener);
         })},
        {"ibln, at a secondary address", onBoard([](B api) {
             short listener = -1;
             api.ibln(0, 5, 97, &listener);
             return QByteArray::number(listener);
         }),
         {}, found("0", 0)},
        {"ibln, at any secondary address", onBoard([](B api) {
             short listener = -1;
             api.ibln(0, 5, ALL_SAD, &listener);
             return QByteArray::number(listener);
         }),
         {}, found("0", 0)},
        {"FindLstn", onBoard([](B api) {
             const Addr4882_t pads[] = {1, 2, 3, 4, 5, 6, 7, 8, NOADDR};
             Addr4882_t results[8] = {};
             api.FindLstn(0, pads, results, 8);
             QByteArray list;
             for (int i = 0; i < api.ThreadIbcnt(); ++i)
                 list += QByteArray::number(results[i], 16) + " ";
             return list;
         }),
         {}, found("4 ", 1)},
        {"FindLstn, more listeners than room", onBoard([](B api) {
             const Addr4882_t pads[] = {4, 5, NOADDR};
             Addr4882_t results[1] = {};
             api.FindLstn(0, pads, results, 1);
             return QByteArray::number(results[0], 16);
         }),
         {}, found("4", 1)},
        // Data
        {"ibwrt", onDevice(kMultimeter, [](B api, int ud) {
             api.ibwrt(ud, "*IDN?\n", 6);
             return QByteArray();
         })},
        {"ibwrt, then ibrd", onDevice(kMultimeter, [](B api, int ud) {
             api.ibwrt(ud, "*IDN?\n", 6);
             return readOn(api, ud);
         })},
        {"ibrd, short, then the rest", onDevice(kMultimeter, [](B api, int ud) {
             api.ibwrt(ud, "*IDN?\n", 6);
             const QByteArray first = readOn(api, ud, 7);
             const int ibsta = api.ThreadIbsta() & kShown;
             return first + "|" + QByteArray::number(ibsta, 16) + "|" + readOn(api, ud);
         })},
        {"ibrd with nothing to say",
         onDevice(kMultimeter, [](B api, int ud) { return readOn(api, ud); })},
        {"ibwrta, ibrda and their completion", onDevice(kMultimeter, [](B api, int ud) {
             api.ibwrta(ud, "*IDN?\n", 6);
             QByteArray buffer(100, '\0');
             api.ibrda(ud, buffer.data(), 100);
             return buffer.left(api.AsyncIbcnt()) + "|" +
                    QByteArray::number(api.AsyncIbsta() & kShown, 16) + "|" +
                    QByteArray::number(api.AsyncIberr());
         })},
        {"ibcmd", onBoard([](B api) {
             const char unlisten[] = {UNL};
             api.ibcmd(0, unlisten, 1);
             return QByteArray();
         }),
         refused(), refused()},
        {"ibcmda", onBoard([](B api) {
             const char unlisten[] = {UNL};
             api.ibcmda(0, unlisten, 1);
             return QByteArray();
         }),
         refused(), refused()},
        {"Send", onBoard([](B api) {
             api.Send(0, kMultimeter, "*IDN?", 5, DABend);
             return received(api, kMultimeter);
         })},
        {"Send, NLend", onBoard([](B api) {
             api.Send(0, kMultimeter, "*IDN?", 5, NLend);
             return QByteArray();
         })},
        {"Send, at a secondary address", onBoard([](B api) {
             send(api, kGeneric, "*IDN?");
             return received(api, kGeneric);
         })},
        {"Send, nobody listening", onBoard([](B api) {
             api.Send(0, kNobody, "*IDN?", 5, DABend);
             return QByteArray();
         }),
         unseenListener(5), unseenListener(5)},
        {"Receive, to END", onBoard([](B api) {
             send(api, kMultimeter, "*IDN?");
             return received(api, kMultimeter);
         })},
        {"Receive, to a termination byte", onBoard([](B api) {
             send(api, kMultimeter, "*IDN?");
             return received(api, kMultimeter, 100, ',') + "|" + received(api, kMultimeter);
         })},
        {"Receive, fewer bytes than the reply", onBoard([](B api) {
             send(api, kMultimeter, "*IDN?");
             return received(api, kMultimeter, 5);
         })},
        {"Receive, nothing to say",
         onBoard([](B api) { return received(api, kMultimeter); })},
        {"SendList", onBoard([](B api) {
             const QByteArray message = "*ESE 1;*SRE 32;*OPC";
             api.SendList(0, kBoth, message.constData(), message.size(), NLend);
             return statusQueries(api);
         })},
        // Clear, trigger, local and remote
        {"ibclr", onDevice(kMultimeter, [](B api, int ud) {
             api.ibwrt(ud, "*IDN?\n", 6);
             api.ibclr(ud);
             return polled(api, kMultimeter);
         })},
        {"DevClear", onBoard([](B api) {
             send(api, kMultimeter, "*IDN?");
             api.DevClear(0, kMultimeter);
             return polled(api, kMultimeter);
         })},
        {"DevClear, every device", onBoard([](B api) {
             send(api, kMultimeter, "*IDN?");
             api.DevClear(0, NOADDR);
             return QByteArray();
         }),
         refused(), {}},
        {"DevClearList", onBoard([](B api) {
             send(api, kMultimeter, "*IDN?");
             send(api, kGeneric, "*IDN?");
             api.DevClearList(0, kBoth);
             return statusQueries(api);
         })},
        {"DevClearList, empty: every device", onBoard([](B api) {
             api.DevClearList(0, kEmpty);
             return QByteArray();
         }),
         refused(), {}},
        {"ibtrg", onDevice(kMultimeter, [](B api, int ud) {
             api.ibtrg(ud);
             return QByteArray::number(kReading.match(readOn(api, ud)).hasMatch());
         })},
        {"ibtrg, at a secondary address",
         onDevice(kGeneric, [](B api, int ud) { return QByteArray::number(api.ibtrg(ud) & ERR); }),
         {}, refused(QByteArray::number(ERR))},
        {"Trigger", onBoard([](B api) {
             api.Trigger(0, kMultimeter);
             return QByteArray::number(kReading.match(received(api, kMultimeter)).hasMatch());
         })},
        {"Trigger, at a secondary address", onBoard([](B api) {
             api.Trigger(0, kGeneric);
             return QByteArray();
         }),
         {}, refused()},
        {"TriggerList", onBoard([](B api) {
             api.TriggerList(0, kJustTheMultimeter);
             return QByteArray::number(kReading.match(received(api, kMultimeter)).hasMatch());
         })},
        {"TriggerList, empty: those addressed", onBoard([](B api) {
             api.TriggerList(0, kEmpty);
             return QByteArray();
         }),
         refused(), refused()},
        {"ibloc, a device",
         onDevice(kMultimeter, [](B api, int ud) { return QByteArray::number(api.ibloc(ud) & ERR); })},
        {"ibloc, the board", onBoard([](B api) { return QByteArray::number(api.ibloc(0) & ERR); })},
        {"EnableLocal", onBoard([](B api) {
             api.EnableLocal(0, kJustTheMultimeter);
             return QByteArray();
         })},
        {"EnableLocal, empty: REN released", onBoard([](B api) {
             api.EnableLocal(0, kEmpty);
             return QByteArray();
         }),
         renKept(), {}},
        {"EnableRemote, empty: REN", onBoard([](B api) {
             api.EnableRemote(0, kEmpty);
             return QByteArray();
         })},
        {"EnableRemote, addressing devices", onBoard([](B api) {
             api.EnableRemote(0, kBoth);
             return QByteArray();
         }),
         refused(), refused()},
        {"SendLLO", onBoard([](B api) {
             api.SendLLO(0);
             return QByteArray();
         })},
        {"SetRWLS", onBoard([](B api) {
             api.SetRWLS(0, kBoth);
             return QByteArray();
         })},
        {"SetRWLS, empty", onBoard([](B api) {
             api.SetRWLS(0, kEmpty);
             return QByteArray();
         })},
        // Serial polls and waits
        {"ibrsp", onDevice(kMultimeter, [](B api, int ud) {
             api.ibwrt(ud, "*IDN?\n", 6);
             char status = -1;
             api.ibrsp(ud, &status);
             return QByteArray::number(status);
         })},
        {"ibrsp, at a secondary address", onDevice(kGeneric, [](B api, int ud) {
             char status = -1;
             api.ibrsp(ud, &status);
             return QByteArray::number(status);
         }),
         {}, refused("-1")},
        {"ibrsp, nobody there", onDevice(kNobody, [](B api, int ud) {
             char status = -1;
             api.ibrsp(ud, &status);
             return QByteArray::number(status);
         })},
        {"ReadStatusByte", onBoard([](B api) {
             send(api, kMultimeter, "*IDN?");
             return polled(api, kMultimeter);
         })},
        {"ReadStatusByte, at a secondary address",
         onBoard([](B api) { return polled(api, kGeneric); }), {}, refused("-1")},
        {"AllSpoll", onBoard([](B api) {
             send(api, kMultimeter, "*IDN?");
             short results[2] = {-1, -1};
             api.AllSpoll(0, kBoth, results);
             return QByteArray::number(results[0]) + " " + QByteArray::number(results[1]);
         }),
         {}, [](Reported reported) {
             reported = refused("16 -1")(reported);
             reported.count = 1;
             return reported;
         }},
        {"AllSPoll", onBoard([](B api) {
             short results[1] = {-1};
             api.AllSPoll(0, kJustTheMultimeter, results);
             return QByteArray::number(results[0]);
         })},
        {"ibspb", onDevice(kMultimeter, [](B api, int ud) {
             short queued = -1;
             api.ibspb(ud, &queued);
             return QByteArray::number(queued);
         })},
        {"ibwait, SRQI on the board", onBoard(
                                          [](B api) {
                                              send(api, kMultimeter, "*SRE 16;*IDN?");
                                              api.ibwait(0, SRQI | TIMO);
                                              return QByteArray();
                                          },
                                          kShownByWaits)},
        {"ibwait, RQS on a device, then its status byte", onDevice(
                                                             kMultimeter,
                                                             [](B api, int ud) {
                                                                 api.ibwrt(ud, "*SRE 16;*IDN?\n",
                                                                           14);
                                                                 const int waited =
                                                                     api.ibwait(ud, RQS | TIMO);
                                                                 char status = -1;
                                                                 api.ibrsp(ud, &status);
                                                                 return QByteArray::number(
                                                                            waited & kShownByWaits,
                                                                            16) +
                                                                        " " +
                                                                        QByteArray::number(status);
                                                             },
                                                             kShownByWaits)},
        {"ibwait, nothing comes", onDevice(
                                      kMultimeter,
                                      [](B api, int ud) {
                                          api.ibwait(ud, RQS | TIMO);
                                          return QByteArray();
                                      },
                                      kShownByWaits)},
        {"ibwait, END of the last read", onDevice(kMultimeter, [](B api, int ud) {
             api.ibwrt(ud, "*IDN?\n", 6);
             readOn(api, ud);
             api.ibwait(ud, END | CMPL);
             return QByteArray();
         })},
        // What reports without the bus
        {"iblines", onBoard([](B api) {
             short lines = -1;
             api.iblines(0, &lines);
             return QByteArray::number(lines & 0xFF);
         }),
         found("0", 0), found("0", 0)},
        {"ibvers", onBoard([](B api) {
             char *text = nullptr;
             api.ibvers(&text);
             return QByteArray(text).split(' ').value(1);
         })},
        {"a call not offered", onBoard([](B api) {
             short result = -1;
             api.WaitSRQ(0, &result);
             return QByteArray::number(result);
         })},
        {"gpib_error_string", onBoard([](B api) { return QByteArray(api.gpib_error_string(ECAP)); })},
    };
    return table;
}

QString transportName(Transport transport) {
    return transport == Transport::Pty ? "pty" : "tcp";
}

} // namespace

class TestGpibplusApi : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(simulated().ibfind != nullptr);
        QVERIFY(plus().ibfind != nullptr);
        QVERIFY(plus().gpibplus_port != nullptr);
    }

    void sameCallsAsOnTheSimulatedBus_data() {
        plustest::addDialectColumns();
        QTest::addColumn<int>("row");
        for (const Dialect dialect : {Dialect::Prologix, Dialect::Ar488})
            for (const Transport transport : {Transport::Pty, Transport::Tcp})
                for (int i = 0; i < static_cast<int>(rows().size()); ++i)
                    QTest::addRow("%s %s: %s", qPrintable(plustest::dialectName(dialect)),
                                  qPrintable(transportName(transport)), rows()[i].name)
                        << dialect << transport << i;
    }

    // Each call on a bench reset first: the board in charge with REN, the instruments cleared.
    void sameCallsAsOnTheSimulatedBus() {
        QFETCH(Dialect, dialect);
        QFETCH(Transport, transport);
        QFETCH(int, row);
        useAdapter(dialect, transport);
        const Row &call = rows()[row];
        const Reported expected = [&] {
            reset(simulated());
            const Reported onCable = call.call(simulated());
            const Difference &difference =
                dialect == Dialect::Prologix ? call.prologix : call.ar488;
            return difference ? difference(onCable) : onCable;
        }();
        reset(plus());
        const Reported got = call.call(plus());
        QVERIFY2(got == expected, qPrintable("got " + plustest::describe(got) + "\nexpected " +
                                             plustest::describe(expected)));
    }

private:
    // The library opens the port GPIBPLUS_PORT names as a call first needs the bus; the board
    // taken off line with no device open lets go of the last one.
    void useAdapter(Dialect dialect, Transport transport) {
        const QString key = plustest::dialectName(dialect) + " " + transportName(transport);
        if (key == current_)
            return;
        auto &adapter = adapters_[key];
        if (!adapter) {
            adapter = std::make_unique<plustest::Adapter>(QStringList{
                "--dialect", plustest::dialectName(dialect), adaptertest::servingOption(transport),
                QStringLiteral("--time-scale=%1").arg(plustest::kTimeScale)});
            places_[key] = adapter->nextPlace(adaptertest::announcement(transport));
        }
        plus().ibonl(0, 0);
        qputenv("GPIBPLUS_PORT", places_[key]);
        current_ = key;
    }

    static void reset(const Api &api) {
        api.ibonl(0, 1);
        api.ibsre(0, 1);
        api.ibtmo(0, T300ms);
        for (const Addr4882_t address : {kMultimeter, kGeneric}) {
            api.DevClear(0, address);
            send(api, address, "*CLS;*ESE 0;*SRE 0");
        }
    }

    std::map<QString, std::unique_ptr<plustest::Adapter>> adapters_;
    std::map<QString, QByteArray> places_;
    QString current_;
};

QTEST_GUILESS_MAIN(TestGpibplusApi)
#include "tst_gpibplusapi.moc"
