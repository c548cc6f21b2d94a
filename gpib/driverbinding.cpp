// SPDX-License-Identifier: MIT
#include "gpib/driverbinding.h"

#include "gpib/driverlog.h"

#include <QCoreApplication>
#include <QDir>

namespace gpib {

namespace {

// Where a candidate is loaded from. A bare file name goes through the system's normal library
// search alone (LD_LIBRARY_PATH, the ldconfig cache), so a stray copy beside the executable
// never wins over the installed driver. A relative path is taken from the executable's folder,
// an absolute one as it stands.
QString placeOf(const QString &candidate) {
    if (!candidate.contains(QLatin1Char('/')) || QDir::isAbsolutePath(candidate))
        return candidate;
    const QString base =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    return QDir::cleanPath(QDir(base).absoluteFilePath(candidate));
}

} // namespace

DriverBinding &DriverBinding::instance() {
    static DriverBinding binding;
    return binding;
}

DriverBinding::DriverBinding() {
    candidates_ = QString::fromUtf8(QUORIN_DRIVER_CANDIDATES).split(QLatin1Char(','));
}

void DriverBinding::installEntryPoints(const EntryPoints &table) {
    fake_ = true;
    fakeTable_ = table;
}

void DriverBinding::useLibraries(const QStringList &candidates) {
    fake_ = false;
    library_.unload();
    candidates_ = candidates;
    loadTried_ = false;
    resolved_ = EntryPoints{};
    reported_.clear();
}

QString DriverBinding::loadedLibrary() const {
    return library_.fileName();
}

bool DriverBinding::load() {
    if (loadTried_)
        return library_.isLoaded();
    loadTried_ = true;
    for (const QString &candidate : std::as_const(candidates_)) {
        const QString place = placeOf(candidate);
        if (!library_.load(place))
            continue;
        // Only the simulated bus exports this, whatever name it was loaded under.
        if (library_.resolve("gpibsim_version"))
            qCWarning(driverLog, "no GPIB driver installed; the bus is simulated (%s)",
                      qPrintable(place));
        return true;
    }
    qCWarning(driverLog, "cannot load the GPIB driver library (tried %s)",
              qPrintable(candidates_.join(QLatin1String(", "))));
    return false;
}

QFunctionPointer DriverBinding::resolve(const char *name) {
    if (!load())
        return nullptr;
    QFunctionPointer fn = library_.resolve(name);
    const QString entryName = QString::fromLatin1(name);
    if (!fn && !reported_.contains(entryName)) {
        reported_ << entryName;
        qCWarning(driverLog, "the GPIB driver %s has no entry point %s",
                  qPrintable(library_.fileName()), name);
    }
    return fn;
}

} // namespace gpib
