// SPDX-License-Identifier: MIT
#include "gpibsim/adaptertool/inputbuffer.h"

#include <algorithm>

namespace gpibsim::adaptertool {

InputBuffer::InputBuffer(std::size_t capacity)
    : capacity_(capacity == 0 ? kPiece : capacity), limited_(capacity != 0) {
    bytes_.reserve(capacity_);
}

std::size_t InputBuffer::append(std::string_view bytes) {
    const std::size_t kept = std::min(bytes.size(), room());
    bytes_.append(bytes.substr(0, kept));
    return bytes.size() - kept;
}

bool InputBuffer::take(std::size_t count) {
    constexpr char kEscape = 0x1B;
    bool lineEnded = false;
    for (const char byte : std::string_view(bytes_).substr(0, count))
        if (escaped_)
            escaped_ = false;
        else if (byte == kEscape)
            escaped_ = true;
        else if (byte == '\r' || byte == '\n')
            lineEnded = true;
    bytes_.erase(0, count);
    return lineEnded;
}

void InputBuffer::clear() {
    bytes_.clear();
    escaped_ = false;
}

} // namespace gpibsim::adaptertool
