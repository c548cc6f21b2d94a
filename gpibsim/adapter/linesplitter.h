// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace gpibsim::adapter {

// Splits the host's bytes into lines as a "++" adapter does. An unescaped CR or LF ends a line.
// ESC takes the byte after it as it is: CR, LF, ESC and '+' are escaped so; before any other
// byte the ESC is simply dropped. A line that starts with two '+', neither of them escaped, is a
// command. The line is gathered in a buffer of a fixed capacity; what a full buffer means is the
// dialect's to say.
class LineSplitter {
public:
    enum class Kind {
        None,    // every byte was taken and no line ended
        Blank,   // an unescaped CR or LF with nothing gathered before it
        Line,    // a whole line
        Full,    // the buffer filled before the line ended
        Dropped, // the end of a line whose rest was dropped
    };
    struct Event {
        Kind kind = Kind::None;
        std::string_view bytes{}; // unescaped; valid until the next call
        bool command = false;     // starts with two unescaped '+'
        bool continued = false;   // the end of a line whose start came in full buffers before
    };

    explicit LineSplitter(std::size_t capacity) : capacity_(capacity) {}

    // Takes bytes up to and including the first that makes an event; `taken` says how many.
    Event take(std::string_view bytes, std::size_t &taken);
    // After a Full event, either the next bytes go on with the same line, or they are dropped up
    // to its end; by default they start a new line.
    void continueLine() { continued_ = true; }
    void dropRestOfLine() { dropping_ = true; }
    // Forgets a partial line and a pending ESC.
    void clear();

private:
    Event add(char byte);
    Event endLine();
    Event hand(Kind kind, bool command, bool continued);

    std::size_t capacity_;
    std::string buffer_;
    std::string handed_; // the bytes of the last event
    bool escaped_ = false;
    bool plusEscaped_ = false; // a '+' among the first two was escaped
    bool continued_ = false;
    bool dropping_ = false;
};

} // namespace gpibsim::adapter
