// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// AR488 reads its commands as C strings with strtok, strtoul and atoi, and its answers follow
// from how those treat the text: a NUL byte ends it, a missing token is no number, numbers
// wrap into the firmware's integer types. These do the same with views.
namespace gpibsim::adapter::ctext {

// The text up to its first NUL byte.
std::string_view untilNul(std::string_view text);

// Splits text as strtok does: delimiters before a token are skipped, and the one after it is
// taken with it.
class Tokens {
public:
    explicit Tokens(std::string_view text) : rest_(untilNul(text)) {}
    // The next token; nothing when only delimiters are left. No delimiters: the rest.
    std::optional<std::string_view> next(std::string_view delimiters);

private:
    std::string_view rest_;
};

// Decimal digits only; the empty text is one, a missing token is not.
bool isNumber(std::optional<std::string_view> text);
// strtoul in base 10 on a 32-bit unsigned long: leading blanks and a sign skipped, saturated.
std::uint32_t toUnsigned(std::optional<std::string_view> text);
// atoi on a 16-bit int, as it wraps there.
int toInt(std::optional<std::string_view> text);
// strncasecmp(text, word, count) == 0.
bool startsNoCase(std::string_view text, std::string_view word, std::size_t count);

} // namespace gpibsim::adapter::ctext
