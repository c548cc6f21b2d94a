// SPDX-License-Identifier: MIT
#pragma once

#include "driverfront/front/front.h"

namespace driverfront {

// The process's front, over the library's back end (see instance.cpp).
Front &front();

} // namespace driverfront
