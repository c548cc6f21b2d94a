// SPDX-License-Identifier: MIT
#pragma once

#include "gpib/statusmirror.h"

#include <QString>

#include <cstdint>
#include <span>

// The program's only door to the GPIB driver: one wrapper per entry point it calls. Every
// wrapper converts text to 8-bit, calls the entry point once, converts text back, stores its
// out parameters and then refreshes the status mirror. No wrapper judges success: callers
// test ibsta afterwards. When the driver or the entry point cannot be loaded the call is not
// made and the mirror reads ERR with EDVR and counts of 0.
namespace gpib {

// End mode 1 of Send, and send_eoi 1 of ibdev: EOI goes with the last byte of a message.
constexpr int16 kEndWithEoi = 1;

// FindLstn's lists: room for every primary address and the end mark -1, and the most
// listeners the driver may write.
constexpr std::size_t kAddressListSize = 33;
constexpr int16 kListenerLimit = 32;
constexpr int16 kEndOfList = -1;

int16 ibfind(const QString &name, int16 *descriptor = nullptr);
int16 ibpad(int16 ud, int16 pad);
int16 ibsre(int16 ud, int16 v);
int16 ibdev(int16 board, int16 pad, int16 sad, int16 tmo, int16 eot, int16 eos, int16 &ud);
int16 ibln(int16 ud, int16 pad, int16 sad, int16 &listener);
int16 ibonl(int16 ud, int16 v);
void SendIFC(int16 board);
// The driver reads the address list up to its end mark -1 and writes at most limit results.
// Lists that would let it run past their ends are refused before the call, which then fails
// as the driver fails a bad argument: ERR with EARG.
void FindLstn(int16 board, std::span<const int16> addresses, std::span<int16> results, int16 limit);
void DevClear(int16 board, int16 address);
void ReadStatusByte(int16 board, int16 address, int16 &status);
// The message keeps its length; the byte count is its length in characters.
void Send(int16 board, int16 address, QString &message, int16 eotMode);
// The driver gets room for exactly buffer.size() bytes; what it writes replaces the start of
// the buffer and the rest of the text stays as it was.
void Receive(int16 board, int16 address, QString &buffer, int16 termination);
void RefreshStatus();

} // namespace gpib
