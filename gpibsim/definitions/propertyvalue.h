// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/definitions/definition.h"
#include "gpibsim/instruments/errorqueue.h"

#include <optional>
#include <string>
#include <variant>

namespace gpibsim::definitions {

// The value to keep for a property, or the error that refuses it: a value of the wrong type,
// or outside the specs.
using Accepted = std::variant<Value, DeviceError>;
Accepted acceptValue(const Property &property, const Value &value);

// A getter's reply for the property's value. Text meets a numeric format code as the number it
// reads as, so properties without specs format as their getter asks. Nothing when the value
// cannot be formatted so.
std::optional<std::string> formatProperty(const FormatString &format, const Value &value);

} // namespace gpibsim::definitions
