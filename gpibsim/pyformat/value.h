// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace gpibsim::definitions {

// A property's value as a definition file's Python would hold it: an int, a float or a str.
using Value = std::variant<std::int64_t, double, std::string>;

enum class ValueType { Int, Float, Text };

inline ValueType typeOf(const Value &value) {
    return static_cast<ValueType>(value.index());
}

// "int", "float" or "str", as a property's specs name their type.
std::optional<ValueType> typeNamed(std::string_view name);
const char *typeName(ValueType type);

// Python's int(text) and float(text): blanks around, a sign, digits with single underscores
// between them; a float may also have a point, an exponent, or be inf, infinity or nan.
std::optional<std::int64_t> parseInt(std::string_view text);
std::optional<double> parseFloat(std::string_view text);

// Python's int(value), float(value) or str(value); nothing where Python would raise.
std::optional<Value> convert(const Value &value, ValueType type);

} // namespace gpibsim::definitions
