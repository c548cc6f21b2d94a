// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace gpibsim::adapter {

// What the adapter sends back to the host, byte for byte.
class Host {
public:
    using Output = std::function<void(std::string_view bytes)>;

    explicit Host(Output output) : output_(std::move(output)) {}

    void send(std::string_view bytes) const {
        if (!bytes.empty())
            output_(bytes);
    }
    // A line of text as both dialects end their replies: CR LF.
    void line(std::string_view text) const { send(std::string(text) + "\r\n"); }

private:
    Output output_;
};

} // namespace gpibsim::adapter
