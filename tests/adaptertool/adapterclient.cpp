// SPDX-License-Identifier: MIT
#include "adapterclient.h"

#include <cerrno>

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace adaptertest {

QString escaped(const QByteArray &bytes) {
    QString text = "\"";
    for (const char byte : bytes)
        if (byte == '\r')
            text += "\\r";
        else if (byte == '\n')
            text += "\\n";
        else if (byte == '\\' || byte == '"')
            text += QString("\\") + byte;
        else if (byte >= ' ' && byte < 0x7F)
            text += byte;
        else
            text += QString::asprintf("\\x%02X", static_cast<unsigned char>(byte));
    return text + "\"";
}

AdapterClient::AdapterClient(Transport transport, const QByteArray &place) {
    if (transport == Transport::Pty) {
        fd_ = ::open(place.constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        return;
    }
    const qsizetype colon = place.lastIndexOf(':');
    QByteArray host = place.left(colon);
    if (host.startsWith('[') && host.endsWith(']'))
        host = host.mid(1, host.size() - 2);
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (getaddrinfo(host.constData(), place.mid(colon + 1).constData(), &hints, &found) != 0)
        return;
    fd_ = socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ >= 0 && ::connect(fd_, found->ai_addr, found->ai_addrlen) != 0)
        close();
    freeaddrinfo(found);
}

AdapterClient::~AdapterClient() {
    close();
}

void AdapterClient::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool AdapterClient::send(const QByteArray &bytes) {
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t size = ::write(fd_, bytes.constData() + sent, bytes.size() - sent);
        if (size < 0 && errno != EINTR)
            return false;
        sent += size > 0 ? size : 0;
    }
    return true;
}

AdapterClient::Got AdapterClient::readSome(QByteArray &into, qsizetype most,
                                           const QDeadlineTimer &patience) {
    pollfd ready{fd_, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(patience.remainingTime())) <= 0)
        return Got::Nothing;
    char buffer[4096];
    const ssize_t size = ::read(fd_, buffer, std::min<qsizetype>(most, sizeof buffer));
    // A hung-up pseudo-terminal reads as the end, then fails with EIO.
    if (size <= 0)
        return size < 0 && errno == EINTR ? Got::Bytes : Got::End;
    into.append(buffer, size);
    ++reads_;
    return Got::Bytes;
}

QByteArray AdapterClient::receive(qsizetype count) {
    QByteArray bytes;
    reads_ = 0;
    const QDeadlineTimer patience(kPatienceMs);
    while (bytes.size() < count)
        if (readSome(bytes, count - bytes.size(), patience) != Got::Bytes)
            break;
    return bytes;
}

QByteArray AdapterClient::receiveThrough(const QByteArray &end, int patienceMs) {
    QByteArray bytes;
    reads_ = 0;
    const QDeadlineTimer patience(patienceMs);
    while (!bytes.endsWith(end))
        if (readSome(bytes, 1, patience) != Got::Bytes)
            break;
    return bytes;
}

QByteArray AdapterClient::receiveToEnd(bool *ended) {
    QByteArray bytes;
    reads_ = 0;
    const QDeadlineTimer patience(kPatienceMs);
    Got got = Got::Bytes;
    while (got == Got::Bytes)
        got = readSome(bytes, 4096, patience);
    *ended = got == Got::End;
    return bytes;
}

bool AdapterClient::hasWaiting() const {
    int count = 0;
    return ioctl(fd_, FIONREAD, &count) == 0 && count > 0;
}

} // namespace adaptertest
