// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/api/gpibsim.h"
#include "gpibsim/definitions/definition.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gpibsim::definitions {

struct FileText {
    std::optional<std::string> text{};
    std::string error{}; // why there is no text
};
using ReadFile = std::function<FileText(const std::string &path)>;

inline constexpr std::size_t kLargestFile = 16 << 20;

// A regular file of at most kLargestFile bytes; anything else is refused before it is read, so
// that a name such as /dev/zero cannot stall the bus.
FileText readFile(const std::string &path);

// An instrument a definition file puts at a GPIB address.
struct Resource {
    Addr4882_t address;
    std::shared_ptr<const Definition> definition;
};

// The instruments of pyvisa-sim definition files, or the first thing wrong with them.
struct Loaded {
    std::vector<Resource> instruments{};
    std::vector<std::string> notes{}; // one line for each resource skipped
    std::string error{};              // "file:line:column: what is wrong"; empty when nothing is
};

// The board-0 GPIB instruments of the definition files in `names`, separated by ':' (';' on
// Windows). A name without a folder that cannot be read as given is also looked for in the
// folder `library`.
Loaded loadFiles(std::string_view names, const std::string &library,
                 const ReadFile &read = readFile);

// The same for one file's text, which `path` names; the files its resources name are read
// with `read`, relative to the folder of `path`.
Loaded loadText(std::string_view text, const std::string &path, const ReadFile &read);

} // namespace gpibsim::definitions
