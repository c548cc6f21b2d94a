// SPDX-License-Identifier: MIT
#include "gpibsim/adapter/linesplitter.h"

namespace gpibsim::adapter {

namespace {

constexpr char kEscape = 0x1B;

} // namespace

LineSplitter::Event LineSplitter::take(std::string_view bytes, std::size_t &taken) {
    for (taken = 0; taken < bytes.size();) {
        const char byte = bytes[taken++];
        Event event;
        if (escaped_) {
            escaped_ = false;
            if (byte == '+' && buffer_.size() < 2)
                plusEscaped_ = true;
            event = add(byte);
        } else if (byte == kEscape) {
            escaped_ = true;
        } else if (byte == '\r' || byte == '\n') {
            event = endLine();
        } else {
            event = add(byte);
        }
        if (event.kind != Kind::None)
            return event;
    }
    return {};
}

void LineSplitter::clear() {
    buffer_.clear();
    escaped_ = plusEscaped_ = continued_ = dropping_ = false;
}

LineSplitter::Event LineSplitter::add(char byte) {
    if (dropping_)
        return {};
    buffer_.push_back(byte);
    if (buffer_.size() < capacity_)
        return {};
    return hand(Kind::Full, !continued_ && !plusEscaped_ && buffer_.starts_with("++"), continued_);
}

// A blank line leaves an escaped '+' marked: the next line is taken as data even when it starts
// with "++", as AR488 does after a line that filled its buffer exactly.
LineSplitter::Event LineSplitter::endLine() {
    if (dropping_) {
        dropping_ = continued_ = false;
        return hand(Kind::Dropped, false, false);
    }
    if (buffer_.empty() && !continued_)
        return {.kind = Kind::Blank};
    const bool command = !continued_ && !plusEscaped_ && buffer_.starts_with("++");
    const bool continued = continued_;
    plusEscaped_ = continued_ = false;
    return hand(Kind::Line, command, continued);
}

LineSplitter::Event LineSplitter::hand(Kind kind, bool command, bool continued) {
    handed_.swap(buffer_);
    buffer_.clear();
    return {.kind = kind, .bytes = handed_, .command = command, .continued = continued};
}

} // namespace gpibsim::adapter
