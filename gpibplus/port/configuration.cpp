// SPDX-License-Identifier: MIT
#include "gpibplus/port/configuration.h"

#include "gpibplus/port/configurationfiles.h"
#include "gpibplus/port/serialport.h"
#include "gpibplus/port/tcpport.h"

#include <cstdlib>
#include <filesystem>
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

namespace {

std::string utf8Of(const std::filesystem::path &path) {
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

// The file's configuration; nullopt when there is no such file. Any other failure to read it
// is worth saying.
std::optional<Configuration> configurationIn(const std::filesystem::path &path) {
    const std::string source = utf8Of(path);
    std::error_code error;
    if (!std::filesystem::exists(path, error) && !error)
        return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return Configuration{{}, {}, source, source + ": cannot read it"};
    std::ostringstream text;
    text << file.rdbuf();
    return configurationOf(text.str(), source);
}

} // namespace

Configuration configuration() {
    if (const char *named = std::getenv("GPIBPLUS_PORT"); named != nullptr && *named != '\0')
        return {named, {}, "GPIBPLUS_PORT", {}};
    std::vector<std::filesystem::path> files = configurationFiles();
    if (const char *file = std::getenv("GPIBPLUS_CONF"); file != nullptr && *file != '\0')
        files = {file};
    for (const std::filesystem::path &file : files)
        if (std::optional<Configuration> found = configurationIn(file))
            return *found;
    // No file: no adapter, and the file that would have named it.
    return {{}, {}, files.empty() ? std::string() : utf8Of(files.back()), {}};
}

Opened openPort(const Configuration &configuration, Deadline deadline) {
    Opened opened = namesSerialPort(configuration.port)
                        ? openSerialPort(configuration.port, configuration.serial)
                        : connectTcp(configuration.port, deadline);
    if (!opened.port)
        opened.problem = configuration.port + ": " + opened.problem;
    return opened;
}

} // namespace gpibplus::port
