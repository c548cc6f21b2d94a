// SPDX-License-Identifier: MIT
// The driver's C entry points, each handing its call to the process's bus.
#include "gpibsim/api/gpibsim.h"
#include "gpibsim/bus/bus.h"
#include "gpibsim/bus/callstatus.h"
#include "gpibsim/exports/errortext.h"

using gpibsim::asyncStatus;
using gpibsim::bus;
using gpibsim::Entry;
using gpibsim::threadStatus;

extern "C" {

// The calls not offered, each failing with ERR and ECAP. Their parameters go unused.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#define GPIBSIM_ABSENT(type, name, parameters)                                                     \
    type GPIBSIM_STDCALL name parameters {                                                         \
        return static_cast<type>(bus().unsupported());                                             \
    }
#include "gpibsim/api/calltable.h"
#pragma GCC diagnostic pop

int GPIBSIM_STDCALL ibfind(const char *name) {
    return bus().find(name);
}

int GPIBSIM_STDCALL ibdev(int board_index, int pad, int sad, int timo, int send_eoi, int eos) {
    return bus().openDevice(board_index, pad, sad, timo, send_eoi, eos);
}

int GPIBSIM_STDCALL ibonl(int ud, int onl) {
    return bus().setOnline(ud, onl);
}

int GPIBSIM_STDCALL ibpad(int ud, int pad) {
    return bus().configure(Entry::ibpad, ud, IbcPAD, pad);
}

int GPIBSIM_STDCALL ibsad(int ud, int sad) {
    return bus().configure(Entry::ibsad, ud, IbcSAD, sad);
}

int GPIBSIM_STDCALL ibtmo(int ud, int timo) {
    return bus().configure(Entry::ibtmo, ud, IbcTMO, timo);
}

int GPIBSIM_STDCALL ibeot(int ud, int send_eoi) {
    return bus().configure(Entry::ibeot, ud, IbcEOT, send_eoi);
}

int GPIBSIM_STDCALL ibconfig(int ud, int option, int value) {
    return bus().configure(Entry::ibconfig, ud, option, value);
}

int GPIBSIM_STDCALL ibask(int ud, int option, int *value) {
    return bus().ask(ud, option, value);
}

int GPIBSIM_STDCALL ibeos(int ud, int eos) {
    return bus().setEndOfString(ud, eos);
}

int GPIBSIM_STDCALL ibsre(int ud, int v) {
    return bus().setRemoteEnable(ud, v);
}

int GPIBSIM_STDCALL ibsic(int ud) {
    return bus().interfaceClear(ud);
}

int GPIBSIM_STDCALL ibln(int ud, int pad, int sad, short *found_listener) {
    return bus().checkListener(ud, pad, sad, found_listener);
}

int GPIBSIM_STDCALL ibwrt(int ud, const void *data, long count) {
    return bus().write(Entry::ibwrt, ud, data, count);
}

int GPIBSIM_STDCALL ibwrta(int ud, const void *data, long count) {
    return bus().write(Entry::ibwrta, ud, data, count);
}

int GPIBSIM_STDCALL ibrd(int ud, void *buffer, long count) {
    return bus().read(Entry::ibrd, ud, buffer, count);
}

int GPIBSIM_STDCALL ibrda(int ud, void *buffer, long count) {
    return bus().read(Entry::ibrda, ud, buffer, count);
}

int GPIBSIM_STDCALL ibcmd(int ud, const void *commands, long count) {
    return bus().command(Entry::ibcmd, ud, commands, count);
}

int GPIBSIM_STDCALL ibcmda(int ud, const void *commands, long count) {
    return bus().command(Entry::ibcmda, ud, commands, count);
}

int GPIBSIM_STDCALL ibclr(int ud) {
    return bus().clear(ud);
}

int GPIBSIM_STDCALL ibtrg(int ud) {
    return bus().trigger(ud);
}

int GPIBSIM_STDCALL ibloc(int ud) {
    return bus().goToLocal(ud);
}

int GPIBSIM_STDCALL ibrsp(int ud, char *status_byte) {
    return bus().serialPoll(ud, status_byte);
}

int GPIBSIM_STDCALL ibspb(int ud, short *queued) {
    return bus().queuedPolls(ud, queued);
}

int GPIBSIM_STDCALL ibwait(int ud, int mask) {
    return bus().wait(ud, mask);
}

int GPIBSIM_STDCALL iblines(int ud, short *lines) {
    return bus().lines(ud, lines);
}

// A writable copy, since ibvers hands out char *.
static char versionText[] = "gpibsim " GPIBSIM_VERSION;

void GPIBSIM_STDCALL ibvers(char **version) {
    if (version != nullptr)
        *version = versionText;
}

const char *GPIBSIM_STDCALL gpibsim_version(void) {
    return versionText;
}

const char *GPIBSIM_STDCALL gpib_error_string(int error) {
    return gpibsim::errorText(error);
}

int GPIBSIM_STDCALL ibrsc(int ud, int request_control) {
    return bus().configure(Entry::ibrsc, ud, IbcSC, request_control);
}

int GPIBSIM_STDCALL ibist(int ud, int ist) {
    return bus().configure(Entry::ibist, ud, IbcIst, ist);
}

int GPIBSIM_STDCALL ibrsv(int ud, int status_byte) {
    return bus().configure(Entry::ibrsv, ud, IbcRsv, status_byte);
}

// The board keeps the byte; with no controller but itself, nobody polls it for the reason.
int GPIBSIM_STDCALL ibrsv2(int ud, int status_byte, int) {
    return bus().configure(Entry::ibrsv2, ud, IbcRsv, status_byte);
}

int GPIBSIM_STDCALL ibppc(int ud, int configuration) {
    return bus().configureParallelPoll(ud, configuration);
}

void GPIBSIM_STDCALL SendIFC(int board) {
    bus().sendInterfaceClear(board);
}

void GPIBSIM_STDCALL FindLstn(int board, const Addr4882_t pads[], Addr4882_t results[], int limit) {
    bus().findListeners(board, pads, results, limit);
}

void GPIBSIM_STDCALL DevClear(int board, Addr4882_t address) {
    bus().clearDevice(board, address);
}

void GPIBSIM_STDCALL ReadStatusByte(int board, Addr4882_t address, short *status) {
    bus().readStatusByte(board, address, status);
}

void GPIBSIM_STDCALL Send(int board, Addr4882_t address, const void *data, long count,
                          int eot_mode) {
    bus().send(board, address, data, count, eot_mode);
}

void GPIBSIM_STDCALL Receive(int board, Addr4882_t address, void *buffer, long count,
                             int termination) {
    bus().receive(board, address, buffer, count, termination);
}

int GPIBSIM_STDCALL ThreadIbsta(void) {
    return threadStatus().ibsta;
}

int GPIBSIM_STDCALL ThreadIberr(void) {
    return threadStatus().iberr;
}

int GPIBSIM_STDCALL ThreadIbcnt(void) {
    return static_cast<int>(threadStatus().ibcntl);
}

long GPIBSIM_STDCALL ThreadIbcntl(void) {
    return threadStatus().ibcntl;
}

int GPIBSIM_STDCALL AsyncIbsta(void) {
    return asyncStatus().ibsta;
}

int GPIBSIM_STDCALL AsyncIberr(void) {
    return asyncStatus().iberr;
}

int GPIBSIM_STDCALL AsyncIbcnt(void) {
    return static_cast<int>(asyncStatus().ibcntl);
}

long GPIBSIM_STDCALL AsyncIbcntl(void) {
    return asyncStatus().ibcntl;
}

void GPIBSIM_STDCALL AllSpoll(int board, const Addr4882_t addresses[], short results[]) {
    bus().pollAll(board, addresses, results);
}

void GPIBSIM_STDCALL AllSPoll(int board, const Addr4882_t addresses[], short results[]) {
    bus().pollAll(board, addresses, results);
}
}

#if defined(_WIN32)
#include <type_traits>

// The .def file exports each of gpib-32.dll's other names as the call it names: their
// declarations must agree.
#define GPIBSIM_ALIAS(type, name, parameters, call)                                                \
    static_assert(std::is_same_v<decltype(name), decltype(call)>, #name " is not " #call);
#include "gpibsim/api/calltable.h"
#endif
