#pragma once

#include "simbus/descriptors.h"

#include <optional>

namespace gpibsim {

// ibask and ibconfig on a descriptor's settings, by linux-gpib's option numbers (the Iba and
// Ibc numbers agree). An option of the other kind of descriptor, an unknown number or a value
// out of range fails with EARG; a known option the stand-in does not model fails with ECAP.

struct Asked {
    std::optional<int> iberr{}; // set when the query fails
    int value = 0;
};

Asked askOption(const Settings &settings, bool device, int option);
// The iberr the change fails with, if it fails.
std::optional<int> configureOption(Settings &settings, bool device, int option, int value);

} // namespace gpibsim
