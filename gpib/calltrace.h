// SPDX-License-Identifier: MIT
#pragma once

#include "gpib/driverlog.h"

#include <QByteArrayView>
#include <QElapsedTimer>
#include <QString>

#include <cstdint>

namespace gpib {

// The trace of one wrapper call: a line at debug level of quorin.driver with the time of day,
// the call and its arguments, how the driver answered (the status mirror decoded, and what came
// back beside it) and the call's duration. Off, it costs one check of the level per call.
class CallTrace {
public:
    CallTrace() : on_(driverLog().isDebugEnabled()) {
        if (on_)
            timer_.start();
    }

    bool on() const { return on_; }
    // call: "Send(board 0, address 4, \"*IDN?\", count 5, end mode 1)"; result: what came back
    // beside the status, or empty; notMade: why the driver never saw the call, or null.
    void write(const QString &call, const QString &result, const char *notMade) const;

private:
    bool on_;
    QElapsedTimer timer_;
};

// "address 4", or "address 0x6105 (pad 5, sad 97)" for a word with a secondary address.
QString addressText(std::int16_t word);
// The bytes in double quotes, CR, LF, tab, quote and backslash escaped as in C and every byte
// outside printable ASCII as \xHH; a text longer than 64 bytes is cut there and its length given.
QString bytesText(QByteArrayView bytes);

} // namespace gpib
