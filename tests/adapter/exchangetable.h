// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The exchange table of exchanges.txt, which drives the adapter's tests in process and over its
// transports. "case NAME DIALECT [ARG...]" starts a case; "> BYTES" is what the host sends,
// "< BYTES" what comes back (consecutive ones joined), both C-escaped.
namespace exchangetable {

struct Exchange {
    std::string sent{};
    std::string answer{};
};

struct Case {
    std::string name{};
    std::string dialect{};
    std::vector<std::string> options{};                             // --version-text=TEXT ...
    std::vector<std::pair<std::string, std::string>> environment{}; // NAME=VALUE
    std::vector<Exchange> exchanges{};
    int line = 0; // where the case starts
};

// Reads the table; a malformed line throws std::runtime_error naming it.
std::vector<Case> read(std::string_view text);
std::vector<Case> readFile(const std::string &path);
// \r \n \e \t \\ and \xHH.
std::string unescape(std::string_view text);

} // namespace exchangetable
