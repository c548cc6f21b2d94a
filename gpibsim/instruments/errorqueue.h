// SPDX-License-Identifier: MIT
#pragma once

#include <deque>
#include <string>
#include <string_view>

namespace gpibsim {

struct DeviceError {
    int code;
    std::string_view text;
};

inline constexpr DeviceError kNoError{0, "No error"};
inline constexpr DeviceError kDataTypeError{-104, "Data type error"};
inline constexpr DeviceError kParameterNotAllowed{-108, "Parameter not allowed"};
inline constexpr DeviceError kMissingParameter{-109, "Missing parameter"};
inline constexpr DeviceError kUndefinedHeader{-113, "Undefined header"};
inline constexpr DeviceError kExecutionError{-200, "Execution error"};
inline constexpr DeviceError kDataOutOfRange{-222, "Data out of range"};
inline constexpr DeviceError kQueueOverflow{-350, "Queue overflow"};
inline constexpr DeviceError kInputBufferOverrun{-363, "Input buffer overrun"};
inline constexpr DeviceError kQueryInterrupted{-410, "Query INTERRUPTED"};
inline constexpr DeviceError kQueryUnterminated{-420, "Query UNTERMINATED"};

// The response form of an error: -113,"Undefined header"
std::string format(DeviceError error);

// Oldest first. When full, the newest entry is replaced by a queue overflow, so the queue
// stays bounded however many errors a client provokes.
class ErrorQueue {
public:
    static constexpr std::size_t kCapacity = 10;

    void push(DeviceError error);
    DeviceError pop();
    void clear() { errors_.clear(); }

private:
    std::deque<DeviceError> errors_;
};

} // namespace gpibsim
