// SPDX-License-Identifier: MIT
#include "gpib/driverlibrary.h"

namespace gpib {

// QLibrary hands a bare file name to dlopen, which searches LD_LIBRARY_PATH and the ldconfig
// cache only: the executable's folder is not among them.
bool DriverLibrary::load(const QString &place) {
    unload();
    library_.setFileName(place);
    return library_.load();
}

void DriverLibrary::unload() {
    if (library_.isLoaded())
        library_.unload();
    library_.setFileName(QString());
}

bool DriverLibrary::isLoaded() const {
    return library_.isLoaded();
}

QFunctionPointer DriverLibrary::resolve(const char *name) {
    return library_.resolve(name);
}

QString DriverLibrary::fileName() const {
    return library_.isLoaded() ? library_.fileName() : QString();
}

} // namespace gpib
