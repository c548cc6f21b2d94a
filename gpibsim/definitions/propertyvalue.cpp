// SPDX-License-Identifier: MIT
#include "gpibsim/definitions/propertyvalue.h"

#include <algorithm>

namespace gpibsim::definitions {

using pyformat::convert;
using pyformat::raisesValueError;
using pyformat::Value;

Accepted acceptValue(const Property &property, const Value &value) {
    if (!property.specs)
        return value;
    const Specs &specs = *property.specs;
    std::optional<Value> typed = convert(value, specs.type);
    if (!typed) {
        if (raisesValueError(value, specs.type))
            return kDataTypeError;
        return Raised{};
    }
    const bool inRange = !(specs.min && *typed < *specs.min) && !(specs.max && *specs.max < *typed);
    const bool valid =
        specs.valid.empty() || std::ranges::find(specs.valid, *typed) != specs.valid.end();
    if (!inRange || !valid)
        return kDataOutOfRange;
    return std::move(*typed);
}

} // namespace gpibsim::definitions
