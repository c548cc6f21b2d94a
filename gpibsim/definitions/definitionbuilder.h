// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/definitions/definition.h"
#include "gpibsim/definitions/yamlfile.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace gpibsim::definitions {

// Channel ids a resource gives a group of channels, in place of the group's own.
using ChannelIds = std::map<std::string, std::vector<std::string>, std::less<>>;

// The device `name`, whose node is `device` in `file`, as a resource places it: its eom for
// "GPIB INSTR", error handling, dialogues, properties and channels. Throws LoadFailure where
// pyvisa-sim refuses the device as it loads the file; what it refuses later, as it answers a
// query, is kept as a reply that raises.
std::shared_ptr<Definition> buildDefinition(const YamlFile &file, const std::string &name,
                                            const YamlNode &device, const ChannelIds &channelIds);

} // namespace gpibsim::definitions
