// SPDX-License-Identifier: MIT
#include "driverfront/text/escaped.h"

namespace driverfront {

std::string escaped(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r')
            shown += "\\r";
        else if (c == '\n')
            shown += "\\n";
        else if (c == '\\')
            shown += "\\\\";
        else if (byte < 0x20 || byte >= 0x7F)
            shown += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
        else
            shown += c;
    }
    return shown;
}

} // namespace driverfront
