// SPDX-License-Identifier: MIT
#include "gpibplus/port/configuration.h"

#include "gpibplus/port/tcpport.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace gpibplus::port {

namespace {

std::string_view trimmed(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t\r");
    if (start == std::string_view::npos)
        return {};
    return text.substr(start, text.find_last_not_of(" \t\r") - start + 1);
}

} // namespace

Configuration configurationOf(std::string_view text, const std::string &source) {
    Configuration result;
    result.source = source;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = trimmed(text.substr(0, text.find('#')).substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        ++number;
        if (line.empty())
            continue;
        const std::size_t equals = line.find('=');
        const std::string_view key = trimmed(line.substr(0, equals));
        const std::string_view value = equals == std::string_view::npos
                                           ? std::string_view()
                                           : trimmed(line.substr(equals + 1));
        const std::string where = source + ":" + std::to_string(number) + ": ";
        std::optional<SerialSettings> serial;
        if (value.empty())
            result.problem = where + "expected 'key = value'";
        else if (key == "port")
            result.port = value;
        else if (key == "baud" && (serial = serialSettingsOf(value)))
            result.serial = *serial;
        else if (key == "baud")
            result.problem = where + "baud takes a rate and optionally a frame, as '9600 8N1'";
        else
            result.problem = where + "unknown key '" + std::string(key) + "'";
        if (!result.problem.empty())
            return {{}, {}, source, result.problem};
    }
    return result;
}

Configuration configuration() {
    if (const char *named = std::getenv("GPIBPLUS_PORT"); named != nullptr && *named != '\0')
        return {named, {}, "GPIBPLUS_PORT", {}};
    const char *override = std::getenv("GPIBPLUS_CONF");
    const std::string path =
        override != nullptr && *override != '\0' ? override : kDefaultConfigurationFile;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        // A missing file is no adapter; any other failure to read it is worth saying.
        Configuration none{{}, {}, path, {}};
        if (errno != ENOENT)
            none.problem = path + ": cannot read it";
        return none;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return configurationOf(text.str(), path);
}

Opened openPort(const Configuration &configuration, Deadline deadline) {
    Opened opened = configuration.port.starts_with('/')
                        ? openSerialPort(configuration.port, configuration.serial)
                        : connectTcp(configuration.port, deadline);
    if (!opened.port)
        opened.problem = configuration.port + ": " + opened.problem;
    return opened;
}

} // namespace gpibplus::port
