// SPDX-License-Identifier: MIT
#include "gpibsim/adapter/controller.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <thread>

namespace gpibsim::adapter {

Controller::Controller(Cable &cable, double timeScale)
    : cable_(cable), timeScale_(std::isfinite(timeScale) && timeScale > 0 ? timeScale : 1.0) {}

void Controller::wait(std::chrono::milliseconds duration) const {
    const std::chrono::duration<double, std::milli> scaled(duration.count() / timeScale_);
    if (scaled.count() >= 0.001)
        std::this_thread::sleep_for(scaled);
}

void Controller::send(std::initializer_list<std::uint8_t> messages) const {
    for (const std::uint8_t message : messages)
        cable_.message(message);
}

bool Controller::write(std::string_view bytes, bool end, std::chrono::milliseconds timeout) const {
    if (bytes.empty())
        return true;
    if (cable_.write(bytes, end, {}, kOwnAddress).iberr) {
        wait(timeout);
        return false;
    }
    return true;
}

Received Controller::read(const ReadEnd &end, std::chrono::milliseconds timeout,
                          const Piece &piece) const {
    // A terminator's last byte stops each piece, so that the bytes after it stay with the talker.
    const driverfront::EndOfString stop{
        end.terminator.empty() ? 0
                               : REOS | BIN | static_cast<unsigned char>(end.terminator.back())};
    std::array<char, 4096> buffer;
    std::string tail;
    for (std::size_t total = 0; total < kReadLimit;) {
        const std::span<char> room =
            std::span(buffer).first(std::min(buffer.size(), kReadLimit - total));
        const Instrument::Talked talked = cable_.take(room, stop, kOwnAddress);
        const std::string_view bytes(buffer.data(), talked.count);
        total += bytes.size();
        if (!bytes.empty())
            piece(bytes, talked.eoi);
        if (talked.timedOut) {
            wait(timeout);
            return {.timedOut = true};
        }
        tail.append(bytes);
        if (tail.size() > end.terminator.size())
            tail.erase(0, tail.size() - end.terminator.size());
        if ((end.eoi && talked.eoi) || (!end.terminator.empty() && tail == end.terminator))
            return {.eoi = talked.eoi};
    }
    return {};
}

std::optional<std::uint8_t> Controller::pollTalker(std::chrono::milliseconds timeout) const {
    const std::optional<std::uint8_t> status = cable_.statusByteOfTalker();
    if (!status)
        wait(timeout);
    return status;
}

bool Controller::serviceRequested() const {
    return (cable_.lines() & BusSRQ) != 0;
}

} // namespace gpibsim::adapter
