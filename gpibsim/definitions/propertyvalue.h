// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/definitions/definition.h"
#include "gpibsim/instruments/errorqueue.h"

#include <variant>

namespace gpibsim::definitions {

// Python raised an error other than the ValueError that pyvisa-sim takes as a refused value: an
// int() or float() of a list, or an int() of an infinity.
struct Raised {};

// The value to keep for a property, as pyvisa-sim's validation gives it: the value converted to
// the type of the specs; or the error that refuses it, a value of the wrong type or outside the
// specs; or Raised.
using Accepted = std::variant<pyformat::Value, DeviceError, Raised>;
Accepted acceptValue(const Property &property, const pyformat::Value &value);

} // namespace gpibsim::definitions
