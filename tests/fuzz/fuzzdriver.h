// SPDX-License-Identifier: MIT
#pragma once

#include "bytesource.h"

#include <QByteArray>

#include <optional>

namespace fuzz {

// A fake of the driver library, installed into the binding for its lifetime, whose every
// answer is drawn from the fuzz input: results and descriptors, the listener flag, the status
// byte, FindLstn's result words, Receive's bytes (up to twice the room given) and, after each
// call, ibsta, iberr, ibcnt and ibcntl. Like a real driver it writes no more than it is given
// room for. It aborts when the program hands it a Receive count other than 80, a FindLstn
// limit other than 32 or an address list not closed by 0xFFFF within 33 entries.
class FuzzDriver {
public:
    explicit FuzzDriver(ByteSource &answers);
    ~FuzzDriver();
    FuzzDriver(const FuzzDriver &) = delete;
    FuzzDriver &operator=(const FuzzDriver &) = delete;

    ByteSource &answers;
    int ibdevCalls = 0;
    std::optional<QByteArray> sent; // the bytes of the last Send
};

} // namespace fuzz
