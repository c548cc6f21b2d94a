// SPDX-License-Identifier: MIT
#pragma once

#include "driverfront/front/script.h"
#include "driverfront/link/link.h"

#include <memory>

namespace driverfront {

// What a driver library built on the front defines in its own sources, beside its table of
// exports and its own marker export.

struct BackEnd {
    Script script;
    std::unique_ptr<Link> link;
};

// The library's back end, as the process starts using the library (instance.cpp).
BackEnd openBackEnd();

// ibvers's text: the library's name and version. Writable, since ibvers hands out char *.
char *versionText();

} // namespace driverfront
