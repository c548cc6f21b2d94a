// SPDX-License-Identifier: MIT
#include "gpibplus/link/replies.h"

#include <array>
#include <charconv>
#include <utility>

namespace gpibplus::link {

bool Replies::more(Deadline deadline) {
    if (broken())
        return false;
    std::array<char, 512> buffer;
    const port::Transfer transfer = port_.read(buffer, deadline);
    if (transfer.status == port::Transfer::Status::TimedOut)
        return false;
    if (transfer.status != port::Transfer::Status::Done) {
        failure_ = transfer;
        return false;
    }
    const std::string_view got(buffer.data(), transfer.count);
    trace_.received(got);
    pending_ += got;
    return true;
}

std::optional<std::string> Replies::line(Deadline deadline) {
    for (;;) {
        if (const std::size_t end = pending_.find('\n'); end != std::string::npos) {
            std::string text = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (text.ends_with('\r'))
                text.pop_back();
            return text;
        }
        if (!more(deadline))
            return std::nullopt;
    }
}

std::optional<std::string> Replies::until(std::string_view marker, Deadline deadline) {
    for (;;) {
        if (const std::size_t at = pending_.find(marker); at != std::string::npos) {
            std::string before = pending_.substr(0, at);
            pending_.erase(0, at + marker.size());
            return before;
        }
        if (!more(deadline))
            return std::nullopt;
    }
}

void Replies::drain(std::chrono::milliseconds quiet, Deadline deadline) {
    pending_.clear();
    while (more(std::min(deadline, port::Clock::now() + quiet)))
        pending_.clear();
}

std::string Replies::takeAll() {
    return std::exchange(pending_, {});
}

namespace {

std::optional<int> numberOf(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low ||
        value > high)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<int> statusByteOf(std::string_view line) {
    return numberOf(line, 0, 255);
}

std::optional<Address> shownAddressOf(std::string_view line) {
    const std::size_t split = std::min(line.find_first_of(" ,"), line.size());
    const std::optional<int> pad = numberOf(line.substr(0, split), 0, 30);
    std::optional<int> sad = Address::kNoSecondary;
    if (split < line.size())
        sad = numberOf(line.substr(split + 1), 96, 126);
    if (!pad || !sad)
        return std::nullopt;
    return Address{*pad, *sad};
}

std::optional<std::vector<Address>> listenersOf(std::string_view line) {
    std::vector<Address> found;
    while (!line.empty()) {
        const std::size_t comma = std::min(line.find(','), line.size());
        const std::string_view item = line.substr(0, comma);
        line.remove_prefix(std::min(comma + 1, line.size()));
        const std::size_t colon = item.find(':');
        const std::optional<int> pad = numberOf(item.substr(0, colon), 0, 30);
        std::optional<int> sad = Address::kNoSecondary;
        if (colon != std::string_view::npos)
            sad = numberOf(item.substr(colon + 1), 96, 126);
        if (!pad || !sad)
            return std::nullopt;
        found.push_back({*pad, *sad});
    }
    return found;
}

} // namespace gpibplus::link
