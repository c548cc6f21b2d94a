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
    type name parameters {                                                                         \
        return static_cast<type>(bus().unsupported());                                             \
    }
#include "gpibsim/api/calltable.h"
#pragma GCC diagnostic pop

int ibfind(const char *name) {
    return bus().find(name);
}

int ibdev(int board_index, int pad, int sad, int timo, int send_eoi, int eos) {
    return bus().openDevice(board_index, pad, sad, timo, send_eoi, eos);
}

int ibonl(int ud, int onl) {
    return bus().setOnline(ud, onl);
}

int ibpad(int ud, int pad) {
    return bus().configure(Entry::ibpad, ud, IbcPAD, pad);
}

int ibsad(int ud, int sad) {
    return bus().configure(Entry::ibsad, ud, IbcSAD, sad);
}

int ibtmo(int ud, int timo) {
    return bus().configure(Entry::ibtmo, ud, IbcTMO, timo);
}

int ibeot(int ud, int send_eoi) {
    return bus().configure(Entry::ibeot, ud, IbcEOT, send_eoi);
}

int ibconfig(int ud, int option, int value) {
    return bus().configure(Entry::ibconfig, ud, option, value);
}

int ibask(int ud, int option, int *value) {
    return bus().ask(ud, option, value);
}

int ibeos(int ud, int eos) {
    return bus().setEndOfString(ud, eos);
}

int ibsre(int ud, int v) {
    return bus().setRemoteEnable(ud, v);
}

int ibsic(int ud) {
    return bus().interfaceClear(ud);
}

int ibln(int ud, int pad, int sad, short *found_listener) {
    return bus().checkListener(ud, pad, sad, found_listener);
}

int ibwrt(int ud, const void *data, long count) {
    return bus().write(Entry::ibwrt, ud, data, count);
}

int ibwrta(int ud, const void *data, long count) {
    return bus().write(Entry::ibwrta, ud, data, count);
}

int ibrd(int ud, void *buffer, long count) {
    return bus().read(Entry::ibrd, ud, buffer, count);
}

int ibrda(int ud, void *buffer, long count) {
    return bus().read(Entry::ibrda, ud, buffer, count);
}

int ibcmd(int ud, const void *commands, long count) {
    return bus().command(Entry::ibcmd, ud, commands, count);
}

int ibcmda(int ud, const void *commands, long count) {
    return bus().command(Entry::ibcmda, ud, commands, count);
}

int ibclr(int ud) {
    return bus().clear(ud);
}

int ibtrg(int ud) {
    return bus().trigger(ud);
}

int ibloc(int ud) {
    return bus().goToLocal(ud);
}

int ibrsp(int ud, char *status_byte) {
    return bus().serialPoll(ud, status_byte);
}

int ibspb(int ud, short *queued) {
    return bus().queuedPolls(ud, queued);
}

int ibwait(int ud, int mask) {
    return bus().wait(ud, mask);
}

int iblines(int ud, short *lines) {
    return bus().lines(ud, lines);
}

// A writable copy, since ibvers hands out char *.
static char versionText[] = "gpibsim " GPIBSIM_VERSION;

void ibvers(char **version) {
    if (version != nullptr)
        *version = versionText;
}

const char *gpibsim_version(void) {
    return versionText;
}

const char *gpib_error_string(int error) {
    return gpibsim::errorText(error);
}

int ibrsc(int ud, int request_control) {
    return bus().configure(Entry::ibrsc, ud, IbcSC, request_control);
}

int ibist(int ud, int ist) {
    return bus().configure(Entry::ibist, ud, IbcIst, ist);
}

int ibrsv(int ud, int status_byte) {
    return bus().configure(Entry::ibrsv, ud, IbcRsv, status_byte);
}

// The board keeps the byte; with no controller but itself, nobody polls it for the reason.
int ibrsv2(int ud, int status_byte, int) {
    return bus().configure(Entry::ibrsv2, ud, IbcRsv, status_byte);
}

int ibppc(int ud, int configuration) {
    return bus().configureParallelPoll(ud, configuration);
}

void SendIFC(int board) {
    bus().sendInterfaceClear(board);
}

void FindLstn(int board, const Addr4882_t pads[], Addr4882_t results[], int limit) {
    bus().findListeners(board, pads, results, limit);
}

void DevClear(int board, Addr4882_t address) {
    bus().clearDevice(board, address);
}

void ReadStatusByte(int board, Addr4882_t address, short *status) {
    bus().readStatusByte(board, address, status);
}

void Send(int board, Addr4882_t address, const void *data, long count, int eot_mode) {
    bus().send(board, address, data, count, eot_mode);
}

void Receive(int board, Addr4882_t address, void *buffer, long count, int termination) {
    bus().receive(board, address, buffer, count, termination);
}

int ThreadIbsta(void) {
    return threadStatus().ibsta;
}

int ThreadIberr(void) {
    return threadStatus().iberr;
}

int ThreadIbcnt(void) {
    return static_cast<int>(threadStatus().ibcntl);
}

long ThreadIbcntl(void) {
    return threadStatus().ibcntl;
}

int AsyncIbsta(void) {
    return asyncStatus().ibsta;
}

int AsyncIberr(void) {
    return asyncStatus().iberr;
}

int AsyncIbcnt(void) {
    return static_cast<int>(asyncStatus().ibcntl);
}

long AsyncIbcntl(void) {
    return asyncStatus().ibcntl;
}

void AllSpoll(int board, const Addr4882_t addresses[], short results[]) {
    bus().pollAll(board, addresses, results);
}

void AllSPoll(int board, const Addr4882_t addresses[], short results[]) {
    bus().pollAll(board, addresses, results);
}
}
