// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace gpibsim::adaptertool {

// The adapter's serial input buffer: the client's bytes its firmware has not taken yet. A
// limited one holds `capacity` bytes and loses what does not fit; an unlimited one is read in
// pieces of its capacity, so nothing is lost and what waits stays with the sender.
class InputBuffer {
public:
    static constexpr std::size_t kPiece = 4096;

    // 0: unlimited.
    explicit InputBuffer(std::size_t capacity);

    bool limited() const { return limited_; }
    bool empty() const { return bytes_.empty(); }
    std::string_view bytes() const { return bytes_; }
    std::size_t room() const { return capacity_ - bytes_.size(); }
    // Keeps what fits and returns how many bytes were lost.
    std::size_t append(std::string_view bytes);
    // Lets go of the first `count` bytes, which the firmware took, and says whether a line
    // ended among them: a CR or LF not escaped with ESC.
    bool take(std::size_t count);
    // Forgets everything, escapes too.
    void clear();

private:
    std::string bytes_;
    std::size_t capacity_;
    bool limited_;
    bool escaped_ = false; // the last byte taken was an ESC that escapes the next
};

} // namespace gpibsim::adaptertool
