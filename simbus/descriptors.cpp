#include "simbus/descriptors.h"

namespace gpibsim {

Descriptors::Descriptors() {
    table_.emplace(kBoard, Descriptor{.settings = {}, .initial = {}});
}

std::optional<int> Descriptors::open(const Settings &settings) {
    int lowestFree = kFirstDevice;
    for (auto used = table_.lower_bound(kFirstDevice);
         used != table_.end() && used->first == lowestFree; ++used)
        ++lowestFree;
    if (lowestFree >= kLimit)
        return std::nullopt;
    table_.emplace(lowestFree, Descriptor{.settings = settings, .initial = settings});
    return lowestFree;
}

void Descriptors::close(int ud) {
    if (isDevice(ud))
        table_.erase(ud);
}

Descriptor *Descriptors::find(int ud) {
    const auto found = table_.find(ud);
    return found == table_.end() ? nullptr : &found->second;
}

const Descriptor *Descriptors::find(int ud) const {
    const auto found = table_.find(ud);
    return found == table_.end() ? nullptr : &found->second;
}

} // namespace gpibsim
