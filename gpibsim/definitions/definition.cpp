// SPDX-License-Identifier: MIT
#include "gpibsim/definitions/definition.h"

#include "gpibsim/text/text.h"

namespace gpibsim::definitions {

std::string normalQuery(std::string_view header, std::string_view arguments) {
    std::string query(trim(header));
    arguments = trim(arguments);
    if (!arguments.empty())
        query.append(" ").append(arguments);
    return query;
}

} // namespace gpibsim::definitions
