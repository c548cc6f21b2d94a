#include "gpib/wrappers.h"

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

// Set by a wrapper whose entry point could not be bound, so that the refresh that follows
// reports the call as failed instead of reading a status the driver never set.
bool callNotMade = false;

template <typename Fn> Fn bound(Fn EntryPoints::*slot, const char *name) {
    Fn fn = DriverBinding::instance().entry(slot, name);
    callNotMade = fn == nullptr;
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
int callIb(int (*EntryPoints::*slot)(Params...), const char *name, Args... args) {
    const auto fn = bound(slot, name);
    return fn ? fn(args...) : -1;
}

// The last steps of an ib* wrapper: refresh the mirror, hand back the result's low 16 bits.
int16 finish(int result) {
    RefreshStatus();
    return low16(result);
}

// The status of a call the driver never saw: counts of 0.
void setMirror(int16 sta, int16 err) {
    ibsta = sta;
    iberr = err;
    ibcnt = 0;
    ibcntl = 0;
}

} // namespace

void RefreshStatus() {
    auto &binding = DriverBinding::instance();
    const auto sta = binding.entry(&EntryPoints::ThreadIbsta, "ThreadIbsta");
    const auto err = binding.entry(&EntryPoints::ThreadIberr, "ThreadIberr");
    const auto cnt = binding.entry(&EntryPoints::ThreadIbcnt, "ThreadIbcnt");
    const auto cntl = binding.entry(&EntryPoints::ThreadIbcntl, "ThreadIbcntl");
    if (callNotMade || !sta || !err || !cnt || !cntl) {
        setMirror(ERR, EDVR);
        callNotMade = false;
        return;
    }
    ibsta = low16(sta());
    iberr = low16(err());
    ibcnt = low16(cnt());
    ibcntl = static_cast<std::int32_t>(cntl());
}

int16 ibfind(const QString &name, int16 *descriptor) {
    QByteArray &bytes = eightBitBuffer();
    toLatin1(name, bytes);
    const int result = callIb(&EntryPoints::ibfind, kIbfindName, bytes.constData());
    if (descriptor)
        *descriptor = low16(result);
    return finish(result);
}

int16 ibpad(int16 ud, int16 pad) {
    return finish(callIb(&EntryPoints::ibpad, "ibpad", ud, pad));
}

int16 ibsre(int16 ud, int16 v) {
    return finish(callIb(&EntryPoints::ibsre, "ibsre", ud, v));
}

int16 ibdev(int16 board, int16 pad, int16 sad, int16 tmo, int16 eot, int16 eos, int16 &ud) {
    const int result = callIb(&EntryPoints::ibdev, "ibdev", board, pad, sad, tmo, eot, eos);
    ud = low16(result);
    return finish(result);
}

// Without a driver the flag is left as the caller set it: claiming a listener would turn a
// failure into a success.
int16 ibln(int16 ud, int16 pad, int16 sad, int16 &listener) {
    return finish(callIb(&EntryPoints::ibln, "ibln", ud, pad, sad, &listener));
}

int16 ibonl(int16 ud, int16 v) {
    return finish(callIb(&EntryPoints::ibonl, "ibonl", ud, v));
}

void SendIFC(int16 board) {
    if (auto fn = bound(&EntryPoints::SendIFC, "SendIFC"))
        fn(board);
    RefreshStatus();
}

void FindLstn(int16 board, std::span<const int16> addresses, std::span<int16> results,
              int16 limit) {
    const bool closed =
        std::find(addresses.begin(), addresses.end(), kEndOfList) != addresses.end();
    if (!closed || limit < 0 || results.size() < static_cast<std::size_t>(limit)) {
        setMirror(ERR, EARG);
        return;
    }
    // Both lists are contiguous 16-bit words, read by the driver as unsigned address words.
    static_assert(sizeof(int16) == sizeof(Addr4882));
    if (auto fn = bound(&EntryPoints::FindLstn, "FindLstn"))
        fn(board, reinterpret_cast<const Addr4882 *>(addresses.data()),
           reinterpret_cast<Addr4882 *>(results.data()), limit);
    RefreshStatus();
}

void DevClear(int16 board, int16 address) {
    if (auto fn = bound(&EntryPoints::DevClear, "DevClear"))
        fn(board, word(address));
    RefreshStatus();
}

void ReadStatusByte(int16 board, int16 address, int16 &status) {
    if (auto fn = bound(&EntryPoints::ReadStatusByte, "ReadStatusByte"))
        fn(board, word(address), &status);
    else
        status = -1;
    RefreshStatus();
}

void Send(int16 board, int16 address, QString &message, int16 eotMode) {
    QByteArray &bytes = eightBitBuffer();
    toLatin1(message, bytes);
    if (auto fn = bound(&EntryPoints::Send, "Send"))
        fn(board, word(address), bytes.constData(), bytes.size(), eotMode);
    fromLatin1(bytes, message);
    RefreshStatus();
}

void Receive(int16 board, int16 address, QString &buffer, int16 termination) {
    QByteArray &bytes = eightBitBuffer();
    toLatin1(buffer, bytes);
    if (auto fn = bound(&EntryPoints::Receive, "Receive"))
        fn(board, word(address), bytes.data(), bytes.size(), termination);
    fromLatin1(bytes, buffer);
    RefreshStatus();
}

} // namespace gpib
