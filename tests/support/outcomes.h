// SPDX-License-Identifier: MIT
#pragma once

#include "fakedriver.h"

// Driver answers the tests script again and again.

inline Outcome failureWith(int err, int sta = 0x8000, int cnt = 0) {
    Outcome o;
    o.sta = sta;
    o.err = err;
    o.cnt = cnt;
    return o;
}

inline Outcome listenersAt(std::vector<gpib::Addr4882> words) {
    Outcome o;
    o.cnt = static_cast<int>(words.size());
    o.words = std::move(words);
    return o;
}

inline Outcome replyWith(const QByteArray &bytes) {
    Outcome o;
    o.sta = 0x2100; // END CMPL
    o.cnt = static_cast<int>(bytes.size());
    o.bytes = bytes;
    return o;
}
