// SPDX-License-Identifier: MIT
#pragma once

#include "gpibplus/port/port.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace plustest {

// An adapter that sends the bytes of its script and takes anything it is sent, without any
// time passing: a byte 0xFF is a pause, where a read finds nothing until its deadline, and once
// the script is read out the line goes, so that no wait outlasts it. Replies come in pieces of
// at most `piece` bytes.
class ScriptedPort final : public gpibplus::port::Port {
public:
    static constexpr char kPause = '\xFF';

    explicit ScriptedPort(std::string script, std::size_t piece = 4096)
        : script_(std::move(script)), piece_(piece) {}

    gpibplus::port::Transfer write(std::string_view bytes, gpibplus::port::Deadline) override {
        return {gpibplus::port::Transfer::Status::Done, bytes.size(), 0};
    }
    gpibplus::port::Transfer read(std::span<char> buffer, gpibplus::port::Deadline) override {
        using Status = gpibplus::port::Transfer::Status;
        if (next_ == script_.size())
            return {Status::Closed, 0, 0};
        if (script_[next_] == kPause) {
            ++next_;
            return {Status::TimedOut, 0, 0};
        }
        const std::size_t size = std::min(
            {buffer.size(), piece_, script_.size() - next_, script_.find(kPause, next_) - next_});
        std::copy_n(script_.begin() + static_cast<std::ptrdiff_t>(next_), size, buffer.begin());
        next_ += size;
        return {Status::Done, size, 0};
    }
    const std::string &name() const override { return name_; }

private:
    std::string script_;
    std::size_t piece_;
    std::size_t next_ = 0;
    std::string name_ = "scripted";
};

} // namespace plustest
