// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace gpibsim::adaptertool {

// A symbolic link at a path the user chose, to the pseudo-terminal the tool serves, as udev
// gives a USB adapter a stable name. A symbolic link already there is replaced; any other file
// there is refused. The link goes with this object, unless somebody replaced it meanwhile.
class DeviceLink {
public:
    // Throws std::runtime_error when the path holds something else or the link cannot be made.
    DeviceLink(std::string path, const std::string &target);
    ~DeviceLink();
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

    // Points the link at another target.
    void retarget(const std::string &target);

private:
    std::string path_;
    std::string target_;
};

} // namespace gpibsim::adaptertool
