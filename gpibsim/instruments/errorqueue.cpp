// SPDX-License-Identifier: MIT
#include "gpibsim/instruments/errorqueue.h"

namespace gpibsim {

std::string format(DeviceError error) {
    return std::to_string(error.code) + ",\"" + std::string(error.text) + '"';
}

void ErrorQueue::push(DeviceError error) {
    if (errors_.size() < kCapacity) {
        errors_.push_back(error);
        return;
    }
    errors_.back() = kQueueOverflow;
}

DeviceError ErrorQueue::pop() {
    if (errors_.empty())
        return kNoError;
    const DeviceError oldest = errors_.front();
    errors_.pop_front();
    return oldest;
}

} // namespace gpibsim
