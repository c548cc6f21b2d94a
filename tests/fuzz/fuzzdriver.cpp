// SPDX-License-Identifier: MIT
#include "fuzzdriver.h"

#include "require.h"

#include "gpib/driverbinding.h"
#include "gpib/wrappers.h"

#include <algorithm>
#include <cstring>

namespace fuzz {

namespace {

using gpib::Addr4882;

constexpr long kReceiveRoom = 80;
constexpr auto kEndOfList = static_cast<Addr4882>(gpib::kEndOfList);

FuzzDriver *active = nullptr;

struct Status {
    int sta = 0;
    int err = 0;
    int cnt = 0;
    long cntl = 0;
};
Status status;

ByteSource &Answers() {
    return active->answers;
}

// Every call leaves a status of its own, drawn after the call's other answers.
void finish() {
    ByteSource &a = Answers();
    status = Status{a.take<int>(), a.take<int>(), a.take<int>(), a.take<long>()};
}

int result() {
    const int result = Answers().take<int>();
    finish();
    return result;
}

int GPIB_CALL fuzzIbfind(const char *name) {
    require(std::strlen(name) > 0, "ibfind is given a board name");
    return result();
}
int GPIB_CALL fuzzIbpad(int, int) {
    return result();
}
int GPIB_CALL fuzzIbsre(int, int) {
    return result();
}
int GPIB_CALL fuzzIbdev(int, int, int, int, int, int) {
    ++active->ibdevCalls;
    return result();
}
int GPIB_CALL fuzzIbln(int, int, int, short *found) {
    *found = Answers().take<short>();
    return result();
}
int GPIB_CALL fuzzIbonl(int, int) {
    return result();
}
void GPIB_CALL fuzzSendIFC(int) {
    finish();
}

void GPIB_CALL fuzzFindLstn(int, const Addr4882 *pads, Addr4882 *results, int limit) {
    require(limit == gpib::kListenerLimit, "FindLstn is given the limit 32");
    require(std::find(pads, pads + gpib::kAddressListSize, kEndOfList) !=
                pads + gpib::kAddressListSize,
            "FindLstn's address list ends with 0xFFFF within 33 entries");
    const int written = Answers().take<std::uint8_t>() % (limit + 1);
    for (int i = 0; i < written; ++i)
        results[i] = Answers().take<Addr4882>();
    finish();
}

void GPIB_CALL fuzzDevClear(int, Addr4882) {
    finish();
}

void GPIB_CALL fuzzReadStatusByte(int, Addr4882, short *statusByte) {
    *statusByte = Answers().take<short>();
    finish();
}

void GPIB_CALL fuzzSend(int, Addr4882, const void *data, long count, int) {
    require(count >= 0, "Send's count is not negative");
    active->sent = QByteArray(static_cast<const char *>(data), count);
    finish();
}

void GPIB_CALL fuzzReceive(int, Addr4882, void *buffer, long count, int) {
    require(count == kReceiveRoom, "Receive is given room for 80 bytes");
    const QByteArray bytes = Answers().takeBytes(Answers().take<std::uint8_t>() % (2 * count));
    std::memcpy(buffer, bytes.constData(), std::min<long>(bytes.size(), count));
    finish();
}

int GPIB_CALL fuzzThreadIbsta() {
    return status.sta;
}
int GPIB_CALL fuzzThreadIberr() {
    return status.err;
}
int GPIB_CALL fuzzThreadIbcnt() {
    return status.cnt;
}
long GPIB_CALL fuzzThreadIbcntl() {
    return status.cntl;
}

gpib::EntryPoints table() {
    gpib::EntryPoints t;
    t.ibfind = fuzzIbfind;
    t.ibpad = fuzzIbpad;
    t.ibsre = fuzzIbsre;
    t.ibdev = fuzzIbdev;
    t.ibln = fuzzIbln;
    t.ibonl = fuzzIbonl;
    t.SendIFC = fuzzSendIFC;
    t.FindLstn = fuzzFindLstn;
    t.DevClear = fuzzDevClear;
    t.ReadStatusByte = fuzzReadStatusByte;
    t.Send = fuzzSend;
    t.Receive = fuzzReceive;
    t.ThreadIbsta = fuzzThreadIbsta;
    t.ThreadIberr = fuzzThreadIberr;
    t.ThreadIbcnt = fuzzThreadIbcnt;
    t.ThreadIbcntl = fuzzThreadIbcntl;
    return t;
}

} // namespace

FuzzDriver::FuzzDriver(ByteSource &source) : answers(source) {
    active = this;
    status = Status{};
    gpib::DriverBinding::instance().installEntryPoints(table());
}

FuzzDriver::~FuzzDriver() {
    gpib::DriverBinding::instance().installEntryPoints(gpib::EntryPoints{});
    active = nullptr;
}

} // namespace fuzz
