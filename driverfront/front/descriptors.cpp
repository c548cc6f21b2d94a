// SPDX-License-Identifier: MIT
#include "driverfront/front/descriptors.h"

namespace driverfront {

Descriptors::Descriptors() {
    table_.emplace(kBoard, Descriptor{.settings = {}, .initial = {}});
}

std::optional<int> Descriptors::open(const Settings &settings) {
    int lowestFree = unused_;
    if (!freed_.empty())
        lowestFree = freed_.extract(freed_.begin()).value();
    else if (unused_ < kLimit)
        ++unused_;
    else
        return std::nullopt;
    table_.emplace(lowestFree, Descriptor{.settings = settings, .initial = settings});
    return lowestFree;
}

void Descriptors::close(int ud) {
    if (isDevice(ud) && table_.erase(ud) != 0)
        freed_.insert(ud);
}

Descriptor *Descriptors::find(int ud) {
    const auto found = table_.find(ud);
    return found == table_.end() ? nullptr : &found->second;
}

const Descriptor *Descriptors::find(int ud) const {
    const auto found = table_.find(ud);
    return found == table_.end() ? nullptr : &found->second;
}

} // namespace driverfront
