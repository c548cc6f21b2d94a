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
#define DRIVER_ABSENT(type, name, parameters)                                                      \
    type DRIVER_STDCALL name parameters {                                                          \
        return static_cast<type>(bus().unsupported());                                             \
    }
#include "gpibsim/api/calltable.h"
#pragma GCC diagnostic pop

int DRIVER_STDCALL ibfind(const char *name) {
    return bus().find(name);
}

int DRIVER_STDCALL ibdev(int board_index, int pad, int sad, int timo, int send_eoi, int eos) {
    return bus().openDevice(board_index, pad, sad, timo, send_eoi, eos);
}

int DRIVER_STDCALL ibonl(int ud, int onl) {
    return bus().setOnline(ud, onl);
}

int DRIVER_STDCALL ibpad(int ud, int pad) {
    return bus().configure(Entry::ibpad, ud, IbcPAD, pad);
}

int DRIVER_STDCALL ibsad(int ud, int sad) {
    return bus().configure(Entry::ibsad, ud, IbcSAD, sad);
}

int DRIVER_STDCALL ibtmo(int ud, int timo) {
    return bus().configure(Entry::ibtmo, ud, IbcTMO, timo);
}

int DRIVER_STDCALL ibeot(int ud, int send_eoi) {
    return bus().configure(Entry::ibeot, ud, IbcEOT, send_eoi);
}

int DRIVER_STDCALL ibconfig(int ud, int option, int value) {
    return bus().configure(Entry::ibconfig, ud, option, value);
}

int DRIVER_STDCALL ibask(int ud, int option, int *value) {
    return bus().ask(ud, option, value);
}

int DRIVER_STDCALL ibeos(int ud, int eos) {
    return bus().setEndOfString(ud, eos);
}

int DRIVER_STDCALL ibsre(int ud, int v) {
    return bus().setRemoteEnable(ud, v);
}

int DRIVER_STDCALL ibsic(int ud) {
    return bus().interfaceClear(ud);
}

int DRIVER_STDCALL ibln(int ud, int pad, int sad, short *found_listener) {
    return bus().checkListener(ud, pad, sad, found_listener);
}

int DRIVER_STDCALL ibwrt(int ud, const void *data, long count) {
    return bus().write(Entry::ibwrt, ud, data, count);
}

int DRIVER_STDCALL ibwrta(int ud, const void *data, long count) {
    return bus().write(Entry::ibwrta, ud, data, count);
}

int DRIVER_STDCALL ibrd(int ud, void *buffer, long count) {
    return bus().read(Entry::ibrd, ud, buffer, count);
}

int DRIVER_STDCALL ibrda(int ud, void *buffer, long count) {
    return bus().read(Entry::ibrda, ud, buffer, count);
}

int DRIVER_STDCALL ibcmd(int ud, const void *commands, long count) {
    return bus().command(Entry::ibcmd, ud, commands, count);
}

int DRIVER_STDCALL ibcmda(int ud, const void *commands, long count) {
    return bus().command(Entry::ibcmda, ud, commands, count);
}

int DRIVER_STDCALL ibclr(int ud) {
    return bus().clear(ud);
}

int DRIVER_STDCALL ibtrg(int ud) {
    return bus().trigger(ud);
}

int DRIVER_STDCALL ibloc(int ud) {
    return bus().goToLocal(ud);
}

int DRIVER_STDCALL ibrsp(int ud, char *status_byte) {
    return bus().serialPoll(ud, status_byte);
}

int DRIVER_STDCALL ibspb(int ud, short *queued) {
    return bus().queuedPolls(ud, queued);
}

int DRIVER_STDCALL ibwait(int ud, int mask) {
    return bus().wait(ud, mask);
}

int DRIVER_STDCALL iblines(int ud, short *lines) {
    return bus().lines(ud, lines);
}

// A writable copy, since ibvers hands out char *.
static char versionText[] = "gpibsim " GPIBSIM_VERSION;

void DRIVER_STDCALL ibvers(char **version) {
    if (version != nullptr)
        *version = versionText;
}

const char *DRIVER_STDCALL gpibsim_version(void) {
    return versionText;
}

const char *DRIVER_STDCALL gpib_error_string(int error) {
    return gpibsim::errorText(error);
}

int DRIVER_STDCALL ibrsc(int ud, int request_control) {
    return bus().configure(Entry::ibrsc, ud, IbcSC, request_control);
}

int DRIVER_STDCALL ibist(int ud, int ist) {
    return bus().configure(Entry::ibist, ud, IbcIst, ist);
}

int DRIVER_STDCALL ibrsv(int ud, int status_byte) {
    return bus().configure(Entry::ibrsv, ud, IbcRsv, status_byte);
}

// The board keeps the byte; with no controller but itself, nobody polls it for the reason.
int DRIVER_STDCALL ibrsv2(int ud, int status_byte, int) {
    return bus().configure(Entry::ibrsv2, ud, IbcRsv, status_byte);
}

int DRIVER_STDCALL ibppc(int ud, int configuration) {
    return bus().configureParallelPoll(ud, configuration);
}

void DRIVER_STDCALL SendIFC(int board) {
    bus().sendInterfaceClear(board);
}

void DRIVER_STDCALL FindLstn(int board, const Addr4882_t pads[], Addr4882_t results[], int limit) {
    bus().findListeners(board, pads, results, limit);
}

void DRIVER_STDCALL DevClear(int board, Addr4882_t address) {
    bus().clearDevice(board, address);
}

void DRIVER_STDCALL ReadStatusByte(int board, Addr4882_t address, short *status) {
    bus().readStatusByte(board, address, status);
}

void DRIVER_STDCALL Send(int board, Addr4882_t address, const void *data, long count,
                         int eot_mode) {
    bus().send(board, address, data, count, eot_mode);
}

void DRIVER_STDCALL Receive(int board, Addr4882_t address, void *buffer, long count,
                            int termination) {
    bus().receive(board, address, buffer, count, termination);
}

int DRIVER_STDCALL ThreadIbsta(void) {
    return threadStatus().ibsta;
}

int DRIVER_STDCALL ThreadIberr(void) {
    return threadStatus().iberr;
}

int DRIVER_STDCALL ThreadIbcnt(void) {
    return static_cast<int>(threadStatus().ibcntl);
}

long DRIVER_STDCALL ThreadIbcntl(void) {
    return threadStatus().ibcntl;
}

int DRIVER_STDCALL AsyncIbsta(void) {
    return asyncStatus().ibsta;
}

int DRIVER_STDCALL AsyncIberr(void) {
    return asyncStatus().iberr;
}

int DRIVER_STDCALL AsyncIbcnt(void) {
    return static_cast<int>(asyncStatus().ibcntl);
}

long DRIVER_STDCALL AsyncIbcntl(void) {
    return asyncStatus().ibcntl;
}

void DRIVER_STDCALL AllSpoll(int board, const Addr4882_t addresses[], short results[]) {
    bus().pollAll(board, addresses, results);
}

void DRIVER_STDCALL AllSPoll(int board, const Addr4882_t addresses[], short results[]) {
    bus().pollAll(board, addresses, results);
}
}

#if defined(_WIN32)
#include <type_traits>

// The .def file exports each of gpib-32.dll's other names as the call it names: their
// declarations must agree.
#define DRIVER_ALIAS(type, name, parameters, call)                                                 \
    static_assert(std::is_same_v<decltype(name), decltype(call)>, #name " is not " #call);
#include "gpibsim/api/calltable.h"
#endif
