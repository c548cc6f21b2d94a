// The driver's C entry points, each handing its call to the process's bus.
#include "simbus/bus.h"
#include "simbus/callstatus.h"
#include "simbus/gpibsim.h"

using gpibsim::bus;
using gpibsim::threadStatus;

extern "C" {

int ibfind(const char *name) {
    return bus().find(name);
}

int ibpad(int ud, int pad) {
    return bus().setPrimaryAddress(ud, pad);
}

int ibsre(int ud, int v) {
    return bus().setRemoteEnable(ud, v);
}

// send_eoi only shapes device writes, which the stand-in does not offer.
int ibdev(int board_index, int pad, int sad, int timo, int, int eos) {
    return bus().openDevice(board_index, pad, sad, timo, eos);
}

int ibln(int ud, int pad, int sad, short *found_listener) {
    return bus().checkListener(ud, pad, sad, found_listener);
}

int ibonl(int ud, int onl) {
    return bus().setOnline(ud, onl);
}

void SendIFC(int board) {
    bus().interfaceClear(board);
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
}
