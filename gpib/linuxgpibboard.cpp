// SPDX-License-Identifier: MIT
#include "gpib/linuxgpibboard.h"

#ifndef _WIN32
#include <cerrno>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace gpib {

#ifdef _WIN32

bool linuxGpibBoardAnswers() {
    return false;
}

#else

namespace {

// What linux-gpib's IBBOARD_INFO request fills in: the board's own address, its parallel poll
// and autopoll settings, whether it is the system controller. Only its size matters here, as
// part of the request's number (ioctl group 160, request 29).
struct BoardInfo {
    unsigned pad;
    int sad;
    int parallelPollConfiguration;
    int autopolling;
    int isSystemController;
    unsigned t1Delay;
    unsigned flags;
};
static_assert(sizeof(BoardInfo) == 28);

constexpr unsigned long kBoardInfoRequest = _IOR(160, 29, BoardInfo);

} // namespace

// The device nodes /dev/gpib0..15 exist as soon as linux-gpib's common kernel module is
// loaded, board or none, so a node alone proves nothing. A board answers once gpib_config has
// bound a board driver to the node: the kernel then answers IBBOARD_INFO, a request that only
// reads the board's settings, and without a board it fails that request (as every request
// but setting the board type and going on line) with ENODEV. Opening the node sends nothing
// on the bus either; it is opened read-write, as linux-gpib opens it, so a node this user
// cannot use counts as no board. Any other answer, ENOTTY from a kernel whose request is sized
// otherwise included, comes after the kernel's check for a board, so it means a board.
bool linuxGpibBoardAnswers() {
    const int fd = ::open("/dev/gpib0", O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    BoardInfo info{};
    const bool answered = ::ioctl(fd, kBoardInfoRequest, &info) == 0 || errno != ENODEV;
    ::close(fd);
    return answered;
}

#endif

} // namespace gpib
