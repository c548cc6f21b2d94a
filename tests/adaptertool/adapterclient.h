// SPDX-License-Identifier: MIT
#pragma once

#include "adapterprocess.h"
#include "transport.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

namespace adaptertest {

// The bytes as C text, quoted, for messages.
QString escaped(const QByteArray &bytes);

// A client of the adapter: the pseudo-terminal opened as a serial port is, or a TCP connection.
// Every wait gives up after kPatienceMs.
class AdapterClient {
public:
    // Opens the pseudo-terminal at `place`, or connects to ADDRESS:PORT.
    AdapterClient(Transport transport, const QByteArray &place);
    ~AdapterClient();
    AdapterClient(const AdapterClient &) = delete;
    AdapterClient &operator=(const AdapterClient &) = delete;

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    bool send(const QByteArray &bytes);
    // `count` bytes, or fewer when the link ends or the patience runs out first.
    QByteArray receive(qsizetype count);
    // What arrives up to and including `end`, or until the link ends or the patience runs out.
    QByteArray receiveThrough(const QByteArray &end, int patienceMs = kPatienceMs);
    // What arrives until the link ends (the connection closes, the pseudo-terminal hangs up),
    // and whether it ended within the patience.
    QByteArray receiveToEnd(bool *ended);
    // How many reads the bytes last received took.
    int reads() const { return reads_; }
    // Whether bytes wait to be read at this moment.
    bool hasWaiting() const;
    void close();

private:
    enum class Got { Bytes, Nothing, End };
    Got readSome(QByteArray &into, qsizetype most, const QDeadlineTimer &patience);

    int fd_ = -1;
    int reads_ = 0;
};

} // namespace adaptertest
