// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace gpibplus::link {

// How a call on the link went.
enum class Status {
    Ok,
    TimedOut, // the instrument did not answer in time; the adapter did
    Refused,  // this adapter cannot do it: nothing was sent
    LinkDown, // the port failed or the adapter stopped answering as a "++" adapter
};

struct Result {
    Status status = Status::Ok;
    int errnum = 0;      // the errno behind a LinkDown, where there is one
    std::string message; // one line naming the port and what went wrong; empty when Ok
    bool ok() const { return status == Status::Ok; }
};

// A result with what the call brought back.
template <class Value> struct Answer {
    Result result;
    Value value{};
};

} // namespace gpibplus::link
