// SPDX-License-Identifier: MIT
#pragma once

namespace driverfront {

// What an iberr code means, in one line; codes without a meaning get a line saying so.
const char *errorText(int iberr);

} // namespace driverfront
