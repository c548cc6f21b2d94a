// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstdio>
#include <cstdlib>

namespace fuzz {

// A broken invariant is a crash for libFuzzer: it keeps the input and stops.
inline void require(bool holds, const char *invariant, const QString &detail = QString()) {
    if (holds)
        return;
    std::fprintf(stderr, "invariant broken: %s\n%s\n", invariant, qUtf8Printable(detail));
    std::abort();
}

} // namespace fuzz
