// SPDX-License-Identifier: MIT
#include "gpibsim/definitions/propertyvalue.h"

#include <algorithm>

namespace gpibsim::definitions {

namespace {

std::optional<ValueType> numberFor(const Field &field) {
    constexpr std::string_view kIntegerCodes = "bcdoxXn";
    if (field.conversion != 0 || field.spec.type == 0 || field.spec.type == 's')
        return std::nullopt;
    return kIntegerCodes.find(field.spec.type) != std::string_view::npos ? ValueType::Int
                                                                         : ValueType::Float;
}

} // namespace

Accepted acceptValue(const Property &property, const Value &value) {
    if (!property.specs)
        return value;
    const Specs &specs = *property.specs;
    std::optional<Value> typed = convert(value, specs.type);
    if (!typed)
        return kDataTypeError;
    const bool inRange = !(specs.min && *typed < *specs.min) && !(specs.max && *specs.max < *typed);
    const bool valid =
        specs.valid.empty() || std::ranges::find(specs.valid, *typed) != specs.valid.end();
    if (!inRange || !valid)
        return kDataOutOfRange;
    return std::move(*typed);
}

std::optional<std::string> formatProperty(const FormatString &format, const Value &value) {
    const auto *text = std::get_if<std::string>(&value);
    const std::vector<const Field *> fields = format.fields();
    const std::optional<ValueType> number =
        text != nullptr && !fields.empty() ? numberFor(*fields.front()) : std::nullopt;
    if (!number)
        return formatWith(format, value);
    const std::optional<Value> read = convert(value, *number);
    return read ? formatWith(format, *read) : std::nullopt;
}

} // namespace gpibsim::definitions
