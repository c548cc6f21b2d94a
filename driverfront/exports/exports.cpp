// SPDX-License-Identifier: MIT
// The driver's C entry points that the front carries out, each handing its call to the
// process's front. A library exports those its table of exports lists.
#include "driverfront/api/address.h"
#include "driverfront/api/gpib.h"
#include "driverfront/exports/errortext.h"
#include "driverfront/exports/instance.h"
#include "driverfront/exports/library.h"

using driverfront::asyncStatus;
using driverfront::Entry;
using driverfront::front;
using driverfront::threadStatus;
using driverfront::untilNoAddress;

extern "C" {

DRIVER_EXPORT int DRIVER_STDCALL ibfind(const char *name) {
    return front().find(name);
}

DRIVER_EXPORT int DRIVER_STDCALL ibdev(int board_index, int pad, int sad, int timo, int send_eoi,
                                       int eos) {
    return front().openDevice(board_index, pad, sad, timo, send_eoi, eos);
}

DRIVER_EXPORT int DRIVER_STDCALL ibonl(int ud, int onl) {
    return front().setOnline(ud, onl);
}

DRIVER_EXPORT int DRIVER_STDCALL ibpad(int ud, int pad) {
    return front().configure(Entry::ibpad, ud, IbcPAD, pad);
}

DRIVER_EXPORT int DRIVER_STDCALL ibsad(int ud, int sad) {
    return front().configure(Entry::ibsad, ud, IbcSAD, sad);
}

DRIVER_EXPORT int DRIVER_STDCALL ibtmo(int ud, int timo) {
    return front().configure(Entry::ibtmo, ud, IbcTMO, timo);
}

DRIVER_EXPORT int DRIVER_STDCALL ibeot(int ud, int send_eoi) {
    return front().configure(Entry::ibeot, ud, IbcEOT, send_eoi);
}

DRIVER_EXPORT int DRIVER_STDCALL ibconfig(int ud, int option, int value) {
    return front().configure(Entry::ibconfig, ud, option, value);
}

DRIVER_EXPORT int DRIVER_STDCALL ibask(int ud, int option, int *value) {
    return front().ask(ud, option, value);
}

DRIVER_EXPORT int DRIVER_STDCALL ibeos(int ud, int eos) {
    return front().setEndOfString(ud, eos);
}

DRIVER_EXPORT int DRIVER_STDCALL ibsre(int ud, int v) {
    return front().setRemoteEnable(ud, v);
}

DRIVER_EXPORT int DRIVER_STDCALL ibsic(int ud) {
    return front().interfaceClear(ud);
}

DRIVER_EXPORT int DRIVER_STDCALL ibln(int ud, int pad, int sad, short *found_listener) {
    return front().checkListener(ud, pad, sad, found_listener);
}

DRIVER_EXPORT int DRIVER_STDCALL ibwrt(int ud, const void *data, long count) {
    return front().write(Entry::ibwrt, ud, data, count);
}

DRIVER_EXPORT int DRIVER_STDCALL ibwrta(int ud, const void *data, long count) {
    return front().write(Entry::ibwrta, ud, data, count);
}

DRIVER_EXPORT int DRIVER_STDCALL ibrd(int ud, void *buffer, long count) {
    return front().read(Entry::ibrd, ud, buffer, count);
}

DRIVER_EXPORT int DRIVER_STDCALL ibrda(int ud, void *buffer, long count) {
    return front().read(Entry::ibrda, ud, buffer, count);
}

DRIVER_EXPORT int DRIVER_STDCALL ibcmd(int ud, const void *commands, long count) {
    return front().command(Entry::ibcmd, ud, commands, count);
}

DRIVER_EXPORT int DRIVER_STDCALL ibcmda(int ud, const void *commands, long count) {
    return front().command(Entry::ibcmda, ud, commands, count);
}

DRIVER_EXPORT int DRIVER_STDCALL ibclr(int ud) {
    return front().clear(ud);
}

DRIVER_EXPORT int DRIVER_STDCALL ibtrg(int ud) {
    return front().trigger(ud);
}

DRIVER_EXPORT int DRIVER_STDCALL ibloc(int ud) {
    return front().goToLocal(ud);
}

DRIVER_EXPORT int DRIVER_STDCALL ibrsp(int ud, char *status_byte) {
    return front().serialPoll(ud, status_byte);
}

DRIVER_EXPORT int DRIVER_STDCALL ibspb(int ud, short *queued) {
    return front().queuedPolls(ud, queued);
}

DRIVER_EXPORT int DRIVER_STDCALL ibwait(int ud, int mask) {
    return front().wait(ud, mask);
}

DRIVER_EXPORT int DRIVER_STDCALL iblines(int ud, short *lines) {
    return front().lines(ud, lines);
}

DRIVER_EXPORT void DRIVER_STDCALL ibvers(char **version) {
    if (version != nullptr)
        *version = driverfront::versionText();
}

DRIVER_EXPORT const char *DRIVER_STDCALL gpib_error_string(int error) {
    return driverfront::errorText(error);
}

DRIVER_EXPORT int DRIVER_STDCALL ibrsc(int ud, int request_control) {
    return front().configure(Entry::ibrsc, ud, IbcSC, request_control);
}

DRIVER_EXPORT int DRIVER_STDCALL ibist(int ud, int ist) {
    return front().configure(Entry::ibist, ud, IbcIst, ist);
}

DRIVER_EXPORT int DRIVER_STDCALL ibrsv(int ud, int status_byte) {
    return front().configure(Entry::ibrsv, ud, IbcRsv, status_byte);
}

// The board keeps the byte; with no controller but itself, nobody polls it for the reason.
DRIVER_EXPORT int DRIVER_STDCALL ibrsv2(int ud, int status_byte, int) {
    return front().configure(Entry::ibrsv2, ud, IbcRsv, status_byte);
}

DRIVER_EXPORT int DRIVER_STDCALL ibppc(int ud, int configuration) {
    return front().configureParallelPoll(ud, configuration);
}

DRIVER_EXPORT void DRIVER_STDCALL SendIFC(int board) {
    front().sendInterfaceClear(board);
}

DRIVER_EXPORT void DRIVER_STDCALL FindLstn(int board, const Addr4882_t pads[], Addr4882_t results[],
                                           int limit) {
    front().findListeners(board, pads, results, limit);
}

DRIVER_EXPORT void DRIVER_STDCALL DevClear(int board, Addr4882_t address) {
    front().clearDevice(board, address);
}

DRIVER_EXPORT void DRIVER_STDCALL ReadStatusByte(int board, Addr4882_t address, short *status) {
    front().readStatusByte(board, address, status);
}

DRIVER_EXPORT void DRIVER_STDCALL Send(int board, Addr4882_t address, const void *data, long count,
                                       int eot_mode) {
    front().send(Entry::Send, board, {&address, 1}, data, count, eot_mode);
}

DRIVER_EXPORT void DRIVER_STDCALL SendList(int board, const Addr4882_t addresses[],
                                           const void *data, long count, int eot_mode) {
    front().send(Entry::SendList, board, untilNoAddress(addresses), data, count, eot_mode);
}

DRIVER_EXPORT void DRIVER_STDCALL Receive(int board, Addr4882_t address, void *buffer, long count,
                                          int termination) {
    front().receive(board, address, buffer, count, termination);
}

DRIVER_EXPORT int DRIVER_STDCALL ThreadIbsta(void) {
    return threadStatus().ibsta;
}

DRIVER_EXPORT int DRIVER_STDCALL ThreadIberr(void) {
    return threadStatus().iberr;
}

DRIVER_EXPORT int DRIVER_STDCALL ThreadIbcnt(void) {
    return static_cast<int>(threadStatus().ibcntl);
}

DRIVER_EXPORT long DRIVER_STDCALL ThreadIbcntl(void) {
    return threadStatus().ibcntl;
}

DRIVER_EXPORT int DRIVER_STDCALL AsyncIbsta(void) {
    return asyncStatus().ibsta;
}

DRIVER_EXPORT int DRIVER_STDCALL AsyncIberr(void) {
    return asyncStatus().iberr;
}

DRIVER_EXPORT int DRIVER_STDCALL AsyncIbcnt(void) {
    return static_cast<int>(asyncStatus().ibcntl);
}

DRIVER_EXPORT long DRIVER_STDCALL AsyncIbcntl(void) {
    return asyncStatus().ibcntl;
}

DRIVER_EXPORT void DRIVER_STDCALL AllSpoll(int board, const Addr4882_t addresses[],
                                           short results[]) {
    front().pollAll(board, addresses, results);
}

DRIVER_EXPORT void DRIVER_STDCALL AllSPoll(int board, const Addr4882_t addresses[],
                                           short results[]) {
    front().pollAll(board, addresses, results);
}

DRIVER_EXPORT void DRIVER_STDCALL DevClearList(int board, const Addr4882_t addresses[]) {
    front().clearDevices(board, untilNoAddress(addresses));
}

// A NOADDR address is an empty list.
DRIVER_EXPORT void DRIVER_STDCALL Trigger(int board, Addr4882_t address) {
    const Addr4882_t list[] = {address, NOADDR};
    front().triggerDevices(Entry::Trigger, board, untilNoAddress(list));
}

DRIVER_EXPORT void DRIVER_STDCALL TriggerList(int board, const Addr4882_t addresses[]) {
    front().triggerDevices(Entry::TriggerList, board, untilNoAddress(addresses));
}

DRIVER_EXPORT void DRIVER_STDCALL EnableLocal(int board, const Addr4882_t addresses[]) {
    front().enableLocal(board, untilNoAddress(addresses));
}

DRIVER_EXPORT void DRIVER_STDCALL EnableRemote(int board, const Addr4882_t addresses[]) {
    front().enableRemote(board, untilNoAddress(addresses));
}

DRIVER_EXPORT void DRIVER_STDCALL SendLLO(int board) {
    front().sendLocalLockout(board);
}

DRIVER_EXPORT void DRIVER_STDCALL SetRWLS(int board, const Addr4882_t addresses[]) {
    front().setRemoteWithLockout(board, untilNoAddress(addresses));
}
}
