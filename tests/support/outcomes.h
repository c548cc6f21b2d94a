#pragma once

#include "fakedriver.h"

// Driver answers the tests script again and again.

inline Outcome Failure(int err, int sta = 0x8000, int cnt = 0) {
    Outcome o;
    o.sta = sta;
    o.err = err;
    o.cnt = cnt;
    return o;
}

inline Outcome Listeners(std::vector<gpib::Addr4882> words) {
    Outcome o;
    o.cnt = static_cast<int>(words.size());
    o.words = std::move(words);
    return o;
}

inline Outcome Reply(const QByteArray &bytes) {
    Outcome o;
    o.sta = 0x2100; // END CMPL
    o.cnt = static_cast<int>(bytes.size());
    o.bytes = bytes;
    return o;
}
