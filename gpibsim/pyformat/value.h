// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace gpibsim::pyformat {

struct Container;

// A property's value as a definition file's Python would hold it: an int, a float, a str, or a
// list or dict (what a setter with several fields or none reads, or a default written as a YAML
// list or mapping).
using Value = std::variant<std::int64_t, double, std::string, std::shared_ptr<const Container>>;

enum class ValueType { Int, Float, Text, Container };

// A list, or a dict whose keys are `keys`, one for each item.
struct Container {
    bool dict = false;
    std::vector<Value> keys{};
    std::vector<Value> items{};
};

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

// Python's int(value), float(value) or str(value); nothing where Python raises. int() of text
// and of a nan raise ValueError, int() of an infinity and of a list or dict something else.
std::optional<Value> convert(const Value &value, ValueType type);
bool raisesValueError(const Value &value, ValueType type);

// Python's str(), repr() and ascii() of a value.
std::string str(const Value &value);
std::string repr(const Value &value);
std::string ascii(const Value &value);

// Python's ==, for ids, which only text or numbers are.
bool pythonEquals(const Value &a, const Value &b);

} // namespace gpibsim::pyformat
