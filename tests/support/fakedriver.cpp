// SPDX-License-Identifier: MIT
#include "fakedriver.h"

#include "gpib/driverbinding.h"
#include "gpib/wrappers.h"

#include <algorithm>
#include <cstring>

FakeDriver *FakeDriver::active = nullptr;

namespace {

using gpib::Addr4882;

QString join(const QList<long long> &args) {
    QStringList parts;
    for (long long a : args)
        parts << QString::number(a);
    return parts.join(QLatin1String(", "));
}

// Records the call and returns what it is to answer.
Outcome take(const QString &entry, const QString &args) {
    FakeDriver &fake = *FakeDriver::active;
    fake.calls << entry + QLatin1Char('(') + args + QLatin1Char(')');
    if (fake.onCall)
        fake.onCall(fake.calls.last());
    fake.last = fake.next(entry);
    return fake.last;
}

int status(const Outcome &o) {
    return o.result.value_or(o.sta);
}

int GPIB_CALL fakeIbfind(const char *name) {
    return take(QStringLiteral("ibfind"), QString::fromLatin1(name)).result.value_or(0);
}
int GPIB_CALL fakeIbpad(int ud, int pad) {
    return status(take(QStringLiteral("ibpad"), join({ud, pad})));
}
int GPIB_CALL fakeIbsre(int ud, int v) {
    return status(take(QStringLiteral("ibsre"), join({ud, v})));
}
int GPIB_CALL fakeIbdev(int board, int pad, int sad, int timo, int eot, int eos) {
    return take(QStringLiteral("ibdev"), join({board, pad, sad, timo, eot, eos}))
        .result.value_or(16);
}
int GPIB_CALL fakeIbln(int ud, int pad, int sad, short *found) {
    const Outcome o = take(QStringLiteral("ibln"), join({ud, pad, sad}));
    *found = o.listener;
    return status(o);
}
int GPIB_CALL fakeIbonl(int ud, int v) {
    return status(take(QStringLiteral("ibonl"), join({ud, v})));
}
void GPIB_CALL fakeSendIFC(int board) {
    take(QStringLiteral("SendIFC"), join({board}));
}
void GPIB_CALL fakeFindLstn(int board, const Addr4882 *pads, Addr4882 *results, int limit) {
    const Outcome o = take(QStringLiteral("FindLstn"),
                           QString::number(board) + QLatin1String(", ") + addressListText(pads) +
                               QLatin1String(", ") + QString::number(limit));
    const std::size_t n = std::min<std::size_t>(o.words.size(), std::max(limit, 0));
    std::copy_n(o.words.begin(), n, results);
}
void GPIB_CALL fakeDevClear(int board, Addr4882 address) {
    take(QStringLiteral("DevClear"), join({board, address}));
}
void GPIB_CALL fakeReadStatusByte(int board, Addr4882 address, short *status) {
    *status = take(QStringLiteral("ReadStatusByte"), join({board, address})).statusByte;
}
void GPIB_CALL fakeSend(int board, Addr4882 address, const void *data, long count, int eot) {
    // A negative count would make QByteArray read up to a zero byte; the call text shows it.
    FakeDriver::active->lastSent = QByteArray(static_cast<const char *>(data), std::max(count, 0L));
    take(QStringLiteral("Send"), join({board, address}) + QLatin1String(", ") +
                                     QString::fromLatin1(FakeDriver::active->lastSent) +
                                     QLatin1String(", ") + join({count, eot}));
}
void GPIB_CALL fakeReceive(int board, Addr4882 address, void *buffer, long count, int termination) {
    const Outcome o = take(QStringLiteral("Receive"), join({board, address, count, termination}));
    std::memcpy(buffer, o.bytes.constData(), std::min<long>(o.bytes.size(), count));
}
int GPIB_CALL fakeThreadIbsta() {
    return ++FakeDriver::active->statusReads, FakeDriver::active->last.sta;
}
int GPIB_CALL fakeThreadIberr() {
    return ++FakeDriver::active->statusReads, FakeDriver::active->last.err;
}
int GPIB_CALL fakeThreadIbcnt() {
    return ++FakeDriver::active->statusReads, FakeDriver::active->last.cnt;
}
long GPIB_CALL fakeThreadIbcntl() {
    ++FakeDriver::active->statusReads;
    const Outcome &o = FakeDriver::active->last;
    return o.cntl.value_or(o.cnt);
}

gpib::EntryPoints fullTable() {
    gpib::EntryPoints t;
    t.ibfind = fakeIbfind;
    t.ibpad = fakeIbpad;
    t.ibsre = fakeIbsre;
    t.ibdev = fakeIbdev;
    t.ibln = fakeIbln;
    t.ibonl = fakeIbonl;
    t.SendIFC = fakeSendIFC;
    t.FindLstn = fakeFindLstn;
    t.DevClear = fakeDevClear;
    t.ReadStatusByte = fakeReadStatusByte;
    t.Send = fakeSend;
    t.Receive = fakeReceive;
    t.ThreadIbsta = fakeThreadIbsta;
    t.ThreadIberr = fakeThreadIberr;
    t.ThreadIbcnt = fakeThreadIbcnt;
    t.ThreadIbcntl = fakeThreadIbcntl;
    return t;
}

} // namespace

QString addressListText(const Addr4882 *words) {
    constexpr int max = gpib::kAddressListSize;
    QStringList parts;
    int i = 0;
    while (i < max) {
        const int first = static_cast<std::int16_t>(words[i]);
        if (first == -1) {
            parts << QStringLiteral("-1");
            break;
        }
        int j = i;
        while (j + 1 < max && words[j + 1] == words[j] + 1)
            ++j;
        parts << (j - i >= 2 ? QStringLiteral("%1..%2").arg(first).arg(words[j])
                             : QString::number(first));
        if (j - i == 1)
            parts << QString::number(words[j]);
        i = j + 1;
    }
    return QLatin1Char('[') + parts.join(QLatin1Char(',')) + QLatin1Char(']');
}

FakeDriver::FakeDriver() {
    active = this;
    gpib::DriverBinding::instance().installEntryPoints(fullTable());
}

FakeDriver::~FakeDriver() {
    gpib::DriverBinding::instance().installEntryPoints(gpib::EntryPoints{});
    active = nullptr;
}

void FakeDriver::script(const QString &entry, const Outcome &outcome) {
    scripts_[entry].append(outcome);
}

void FakeDriver::remove(const QString &entry) {
    gpib::EntryPoints t = fullTable();
    const QHash<QString, void (*)(gpib::EntryPoints &)> clear{
        {QStringLiteral("ibfind"),
         [](gpib::EntryPoints &e) {
             e.ibfind = nullptr;
         }},
        {QStringLiteral("Send"),
         [](gpib::EntryPoints &e) {
             e.Send = nullptr;
         }},
        {QStringLiteral("ibdev"),
         [](gpib::EntryPoints &e) {
             e.ibdev = nullptr;
         }},
        {QStringLiteral("ibln"),
         [](gpib::EntryPoints &e) {
             e.ibln = nullptr;
         }},
        {QStringLiteral("ReadStatusByte"),
         [](gpib::EntryPoints &e) {
             e.ReadStatusByte = nullptr;
         }},
        {QStringLiteral("ThreadIbcntl"),
         [](gpib::EntryPoints &e) {
             e.ThreadIbcntl = nullptr;
         }},
    };
    const auto clearEntry = clear.value(entry);
    if (!clearEntry)
        qFatal("FakeDriver::remove: no such entry point %s", qPrintable(entry));
    clearEntry(t);
    gpib::DriverBinding::instance().installEntryPoints(t);
}

int FakeDriver::callsOf(const QString &entry) const {
    const QString start = entry + QLatin1Char('(');
    return int(std::ranges::count_if(
        calls, [&start](const QString &call) { return call.startsWith(start); }));
}

Outcome FakeDriver::next(const QString &entry) {
    QList<Outcome> &queue = scripts_[entry];
    if (!queue.isEmpty())
        return queue.takeFirst();
    return unscripted ? unscripted(entry) : Outcome{};
}
