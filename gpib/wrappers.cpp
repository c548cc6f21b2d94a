// SPDX-License-Identifier: MIT
#include "gpib/wrappers.h"

#include "gpib/calltrace.h"
#include "gpib/driverbinding.h"
#include "gpib/latin1.h"

#include <algorithm>

namespace gpib {

namespace {

#ifdef Q_OS_WIN
constexpr const char *kIbfindName = "ibfindA";
#else
constexpr const char *kIbfindName = "ibfind";
#endif

// Why the wrapper's call did not reach the driver, or null when it did. Set at every call, so
// that the refresh that follows reports a call that was not made as failed instead of reading
// a status the driver never set.
const char *notMade = nullptr;

template <typename Fn> Fn bound(Fn EntryPoints::*slot, const char *name) {
    DriverBinding &binding = DriverBinding::instance();
    Fn fn = binding.entry(slot, name);
    notMade = fn ? nullptr : binding.hasDriver() ? "no entry point" : "no driver loaded";
    return fn;
}

// The driver's results and status values are 32-bit; the program keeps their low 16 bits.
int16 low16(long value) {
    return static_cast<int16>(static_cast<std::uint16_t>(value));
}

Addr4882 word(int16 address) {
    return static_cast<Addr4882>(address);
}

// The 8-bit copy of the text that goes to the driver. One buffer serves every call: the
// wrappers run one at a time on the calling thread, and reusing it spares an allocation.
QByteArray &eightBitBuffer() {
    thread_local QByteArray bytes;
    return bytes;
}

// Calls one of the ib* entry points, which return the status word or a descriptor; -1 stands
// for the result of a call that could not be made.
template <typename... Params, typename... Args>
int callIb(int (GPIB_CALL *EntryPoints::*slot)(Params...), const char *name, Args... args) {
    const auto fn = bound(slot, name);
    return fn ? fn(args...) : -1;
}

// A call as the trace shows it, and what came back beside its status.
struct Described {
    QString call;
    QString result = QString();
};

// The last steps of every wrapper once its out parameters are stored: refresh the mirror, then
// the trace line, its text composed only when the trace is on.
template <typename Describe> void finish(const CallTrace &trace, Describe describe) {
    RefreshStatus();
    if (trace.on()) {
        const Described d = describe();
        trace.write(d.call, d.result, notMade);
    }
}

// The same for an ib* call, which hands back its result's low 16 bits.
template <typename Describe> int16 finishIb(const CallTrace &trace, int result, Describe describe) {
    finish(trace, describe);
    return low16(result);
}

// The status of a call the driver never saw: counts of 0.
void setMirror(int16 sta, int16 err) {
    ibsta = sta;
    iberr = err;
    ibcnt = 0;
    ibcntl = 0;
}

QString listenersText(std::span<const int16> results) {
    QStringList words;
    const auto found = std::clamp<qsizetype>(ibcnt, 0, qsizetype(results.size()));
    for (const int16 w : results.first(found))
        words << addressText(w).mid(QStringLiteral("address ").size());
    return QStringLiteral("listeners [%1]").arg(words.join(QLatin1String(", ")));
}

} // namespace

void RefreshStatus() {
    auto &binding = DriverBinding::instance();
    const auto sta = binding.entry(&EntryPoints::ThreadIbsta, "ThreadIbsta");
    const auto err = binding.entry(&EntryPoints::ThreadIberr, "ThreadIberr");
    const auto cnt = binding.entry(&EntryPoints::ThreadIbcnt, "ThreadIbcnt");
    const auto cntl = binding.entry(&EntryPoints::ThreadIbcntl, "ThreadIbcntl");
    if (!sta || !err || !cnt || !cntl)
        notMade = "no status entry points";
    if (notMade) {
        setMirror(ERR, EDVR);
        return;
    }
    ibsta = low16(sta());
    iberr = low16(err());
    ibcnt = low16(cnt());
    ibcntl = static_cast<std::int32_t>(cntl());
}

int16 ibfind(const QString &name, int16 *descriptor) {
    const CallTrace trace;
    QByteArray &bytes = eightBitBuffer();
    toLatin1(name, bytes);
    const int result = callIb(&EntryPoints::ibfind, kIbfindName, bytes.constData());
    if (descriptor)
        *descriptor = low16(result);
    return finishIb(trace, result, [&] {
        return Described{QStringLiteral("ibfind(%1)").arg(bytesText(bytes)),
                         QStringLiteral("descriptor %1").arg(result)};
    });
}

int16 ibpad(int16 ud, int16 pad) {
    const CallTrace trace;
    const int result = callIb(&EntryPoints::ibpad, "ibpad", ud, pad);
    return finishIb(trace, result, [&] {
        return Described{QStringLiteral("ibpad(ud %1, pad %2)").arg(ud).arg(pad)};
    });
}

int16 ibsre(int16 ud, int16 v) {
    const CallTrace trace;
    const int result = callIb(&EntryPoints::ibsre, "ibsre", ud, v);
    return finishIb(trace, result,
                    [&] { return Described{QStringLiteral("ibsre(ud %1, %2)").arg(ud).arg(v)}; });
}

int16 ibdev(int16 board, int16 pad, int16 sad, int16 tmo, int16 eot, int16 eos, int16 &ud) {
    const CallTrace trace;
    const int result = callIb(&EntryPoints::ibdev, "ibdev", board, pad, sad, tmo, eot, eos);
    ud = low16(result);
    return finishIb(trace, result, [&] {
        return Described{QStringLiteral("ibdev(board %1, pad %2, sad %3, timeout %4, eot %5, "
                                        "eos %6)")
                             .arg(board)
                             .arg(pad)
                             .arg(sad)
                             .arg(tmo)
                             .arg(eot)
                             .arg(eos),
                         QStringLiteral("descriptor %1").arg(result)};
    });
}

// Without a driver the flag is left as the caller set it: claiming a listener would turn a
// failure into a success.
int16 ibln(int16 ud, int16 pad, int16 sad, int16 &listener) {
    const CallTrace trace;
    const int result = callIb(&EntryPoints::ibln, "ibln", ud, pad, sad, &listener);
    return finishIb(trace, result, [&] {
        return Described{QStringLiteral("ibln(ud %1, pad %2, sad %3)").arg(ud).arg(pad).arg(sad),
                         QStringLiteral("listener %1").arg(listener)};
    });
}

int16 ibonl(int16 ud, int16 v) {
    const CallTrace trace;
    const int result = callIb(&EntryPoints::ibonl, "ibonl", ud, v);
    return finishIb(trace, result,
                    [&] { return Described{QStringLiteral("ibonl(ud %1, %2)").arg(ud).arg(v)}; });
}

void SendIFC(int16 board) {
    const CallTrace trace;
    if (auto fn = bound(&EntryPoints::SendIFC, "SendIFC"))
        fn(board);
    finish(trace, [&] { return Described{QStringLiteral("SendIFC(board %1)").arg(board)}; });
}

void FindLstn(int16 board, std::span<const int16> addresses, std::span<int16> results,
              int16 limit) {
    const CallTrace trace;
    const auto end = std::find(addresses.begin(), addresses.end(), kEndOfList);
    const auto describe = [&] {
        return Described{QStringLiteral("FindLstn(board %1, %2 addresses, limit %3)")
                             .arg(board)
                             .arg(end - addresses.begin())
                             .arg(limit),
                         notMade ? QString() : listenersText(results)};
    };
    if (end == addresses.end() || limit < 0 || results.size() < static_cast<std::size_t>(limit)) {
        notMade = "lists the driver could overrun";
        setMirror(ERR, EARG);
        if (trace.on())
            trace.write(describe().call, QString(), notMade);
        return;
    }
    // Both lists are contiguous 16-bit words, read by the driver as unsigned address words.
    static_assert(sizeof(int16) == sizeof(Addr4882));
    if (auto fn = bound(&EntryPoints::FindLstn, "FindLstn"))
        fn(board, reinterpret_cast<const Addr4882 *>(addresses.data()),
           reinterpret_cast<Addr4882 *>(results.data()), limit);
    finish(trace, describe);
}

void DevClear(int16 board, int16 address) {
    const CallTrace trace;
    if (auto fn = bound(&EntryPoints::DevClear, "DevClear"))
        fn(board, word(address));
    finish(trace, [&] {
        return Described{
            QStringLiteral("DevClear(board %1, %2)").arg(board).arg(addressText(address))};
    });
}

void ReadStatusByte(int16 board, int16 address, int16 &status) {
    const CallTrace trace;
    if (auto fn = bound(&EntryPoints::ReadStatusByte, "ReadStatusByte"))
        fn(board, word(address), &status);
    else
        status = -1;
    finish(trace, [&] {
        return Described{
            QStringLiteral("ReadStatusByte(board %1, %2)").arg(board).arg(addressText(address)),
            QStringLiteral("status byte %1").arg(status)};
    });
}

void Send(int16 board, int16 address, QString &message, int16 eotMode) {
    const CallTrace trace;
    QByteArray &bytes = eightBitBuffer();
    toLatin1(message, bytes);
    if (auto fn = bound(&EntryPoints::Send, "Send"))
        fn(board, word(address), bytes.constData(), bytes.size(), eotMode);
    fromLatin1(bytes, message);
    finish(trace, [&] {
        return Described{QStringLiteral("Send(board %1, %2, %3, count %4, end mode %5)")
                             .arg(board)
                             .arg(addressText(address), bytesText(bytes))
                             .arg(bytes.size())
                             .arg(eotMode)};
    });
}

void Receive(int16 board, int16 address, QString &buffer, int16 termination) {
    const CallTrace trace;
    QByteArray &bytes = eightBitBuffer();
    toLatin1(buffer, bytes);
    if (auto fn = bound(&EntryPoints::Receive, "Receive"))
        fn(board, word(address), bytes.data(), bytes.size(), termination);
    fromLatin1(bytes, buffer);
    finish(trace, [&] {
        const qsizetype read = notMade ? 0 : std::clamp<qsizetype>(ibcntl, 0, bytes.size());
        return Described{QStringLiteral("Receive(board %1, %2, count %3, termination %4)")
                             .arg(board)
                             .arg(addressText(address))
                             .arg(bytes.size())
                             .arg(termination),
                         QStringLiteral("read ") + bytesText(QByteArrayView(bytes).first(read))};
    });
}

} // namespace gpib
