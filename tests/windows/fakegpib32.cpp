// SPDX-License-Identifier: MIT
// A fake of the system's gpib-32.dll in the Windows tests: the same sixteen entry points,
// stdcall and exported under their plain names (fakegpib32.def), answering as one board with
// one instrument at primary address 4, and recording every call with its arguments.
// FakeGpibRecord hands the record to the test. Written apart from the program's own
// declarations, so that a wrong calling convention there cannot hide.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

constexpr int kCmpl = 0x0100;
constexpr int kCic = 0x0020;
constexpr int kErr = 0x8000;
constexpr int kEnd = 0x2000;
constexpr int kEdvr = 0;
constexpr std::uint16_t kEndOfList = 0xFFFF;
constexpr int kInstrument = 4;
constexpr char kIdentity[] = "QUORIN,Fake GPIB-32,0,1.0\n";

std::string record;
int sta = 0;
int err = 0;
long cnt = 0;

void note(const std::string &call) {
    record += call + '\n';
}

std::string args(std::initializer_list<long> values) {
    std::string text;
    for (const long v : values)
        text += (text.empty() ? "" : ", ") + std::to_string(v);
    return text;
}

int done(long count = 0) {
    sta = kCmpl | kCic;
    err = 0;
    cnt = count;
    return sta;
}

} // namespace

extern "C" {

const char *__stdcall FakeGpibRecord() {
    return record.c_str();
}

int __stdcall ibfindA(const char *name) {
    note("ibfindA(" + std::string(name) + ")");
    if (std::strcmp(name, "GPIB0") != 0) {
        sta = kErr;
        err = kEdvr;
        cnt = 0;
        return -1;
    }
    done();
    return 0;
}

int __stdcall ibpad(int ud, int pad) {
    note("ibpad(" + args({ud, pad}) + ")");
    return done();
}

int __stdcall ibsre(int ud, int v) {
    note("ibsre(" + args({ud, v}) + ")");
    return done();
}

int __stdcall ibdev(int board, int pad, int sad, int timo, int eot, int eos) {
    note("ibdev(" + args({board, pad, sad, timo, eot, eos}) + ")");
    done();
    return 16;
}

int __stdcall ibln(int ud, int pad, int sad, short *listener) {
    note("ibln(" + args({ud, pad, sad}) + ")");
    *listener = pad == kInstrument ? 1 : 0;
    return done();
}

int __stdcall ibonl(int ud, int v) {
    note("ibonl(" + args({ud, v}) + ")");
    return done();
}

void __stdcall SendIFC(int board) {
    note("SendIFC(" + args({board}) + ")");
    done();
}

void __stdcall FindLstn(int board, const std::uint16_t *pads, std::uint16_t *results, int limit) {
    int n = 0;
    while (pads[n] != kEndOfList)
        ++n;
    note("FindLstn(" + args({board}) + ", " + args({pads[0], pads[n - 1]}) + " (" +
         std::to_string(n) + " addresses), " + args({limit}) + ")");
    results[0] = kInstrument;
    done(1);
}

void __stdcall DevClear(int board, std::uint16_t address) {
    note("DevClear(" + args({board, address}) + ")");
    done();
}

void __stdcall ReadStatusByte(int board, std::uint16_t address, short *status) {
    note("ReadStatusByte(" + args({board, address}) + ")");
    *status = 16;
    done();
}

void __stdcall Send(int board, std::uint16_t address, const void *data, long count, int eot) {
    note("Send(" + args({board, address}) + ", \"" +
         std::string(static_cast<const char *>(data), count) + "\", " + args({count, eot}) + ")");
    done(count);
}

void __stdcall Receive(int board, std::uint16_t address, void *buffer, long count,
                       int termination) {
    note("Receive(" + args({board, address, count, termination}) + ")");
    const long n = std::min<long>(count, sizeof kIdentity - 1);
    std::memcpy(buffer, kIdentity, n);
    done(n);
    sta |= kEnd;
}

int __stdcall ThreadIbsta() {
    return sta;
}
int __stdcall ThreadIberr() {
    return err;
}
int __stdcall ThreadIbcnt() {
    return int(cnt);
}
long __stdcall ThreadIbcntl() {
    return cnt;
}

} // extern "C"
