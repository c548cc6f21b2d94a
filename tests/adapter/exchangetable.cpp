// SPDX-License-Identifier: MIT
#include "exchangetable.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace exchangetable {

namespace {

[[noreturn]] void malformed(int line, const std::string &why) {
    throw std::runtime_error("exchanges, line " + std::to_string(line) + ": " + why);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    throw std::runtime_error(std::string("bad hex digit ") + c);
}

std::vector<std::string> words(std::string_view text) {
    std::vector<std::string> result;
    std::istringstream stream{std::string(text)};
    for (std::string word; stream >> word;)
        result.push_back(word);
    return result;
}

Case startCase(std::string_view text, int line) {
    const std::vector<std::string> fields = words(text);
    if (fields.size() < 3)
        malformed(line, "a case needs a name and a dialect");
    Case result{.name = fields[1], .dialect = fields[2], .line = line};
    for (std::size_t i = 3; i < fields.size(); ++i) {
        const std::size_t equals = fields[i].find('=');
        if (fields[i].starts_with("--"))
            result.options.push_back(fields[i]);
        else if (equals != std::string::npos && equals > 0)
            result.environment.emplace_back(fields[i].substr(0, equals),
                                            fields[i].substr(equals + 1));
        else
            malformed(line, "an argument is neither --OPTION nor NAME=VALUE: " + fields[i]);
    }
    return result;
}

} // namespace

std::string unescape(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            bytes += text[i];
            continue;
        }
        const char code = text[++i];
        if (code == 'x') {
            if (i + 2 >= text.size())
                throw std::runtime_error("\\x needs two hex digits");
            bytes += static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
            i += 2;
        } else if (code == 'r' || code == 'n' || code == 'e' || code == 't' || code == '\\') {
            bytes += code == 'r'   ? '\r'
                     : code == 'n' ? '\n'
                     : code == 'e' ? '\x1B'
                     : code == 't' ? '\t'
                                   : '\\';
        } else {
            throw std::runtime_error(std::string("unknown escape \\") + code);
        }
    }
    return bytes;
}

std::vector<Case> read(std::string_view text) {
    std::vector<Case> cases;
    std::istringstream stream{std::string(text)};
    int number = 0;
    for (std::string line; std::getline(stream, line);) {
        ++number;
        if (line.empty() || line.starts_with('#'))
            continue;
        if (line.starts_with("case ")) {
            cases.push_back(startCase(line, number));
            continue;
        }
        if (cases.empty() || line.size() < 2 || (line[0] != '>' && line[0] != '<') ||
            line[1] != ' ')
            malformed(number, "expected \"case\", \"> BYTES\" or \"< BYTES\"");
        std::vector<Exchange> &exchanges = cases.back().exchanges;
        try {
            if (line[0] == '>')
                exchanges.push_back({.sent = unescape(line.substr(2))});
            else if (exchanges.empty())
                malformed(number, "an answer before anything was sent");
            else
                exchanges.back().answer += unescape(line.substr(2));
        } catch (const std::runtime_error &error) {
            malformed(number, error.what());
        }
    }
    return cases;
}

std::vector<Case> readFile(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << file.rdbuf();
    return read(text.str());
}

} // namespace exchangetable
