#include "gpib/driverbinding.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include <cstdio>

namespace gpib {

namespace {

void sayOnStderr(const QString &line) {
    std::fprintf(stderr, "quorin-demo: %s\n", qPrintable(line));
    std::fflush(stderr);
}

// A candidate is looked for beside the executable first, then through the system's normal
// library search (LD_LIBRARY_PATH, the ldconfig cache).
QStringList placesFor(const QString &candidate) {
    QStringList places;
    if (QCoreApplication::instance()) {
        const QString besideExe =
            QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(candidate);
        if (QFileInfo::exists(besideExe))
            places << QDir::cleanPath(besideExe);
    }
    if (!candidate.contains(QLatin1Char('/')))
        places << candidate;
    return places;
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
    if (library_.isLoaded())
        library_.unload();
    library_.setFileName(QString());
    candidates_ = candidates;
    loadTried_ = false;
    resolved_ = EntryPoints{};
    reported_.clear();
}

QString DriverBinding::loadedLibrary() const {
    return library_.isLoaded() ? library_.fileName() : QString();
}

bool DriverBinding::load() {
    if (loadTried_)
        return library_.isLoaded();
    loadTried_ = true;
    for (const QString &candidate : std::as_const(candidates_)) {
        for (const QString &place : placesFor(candidate)) {
            library_.setFileName(place);
            if (!library_.load())
                continue;
            if (QFileInfo(place).fileName().contains(QLatin1String("gpibsim")))
                sayOnStderr(QStringLiteral("no GPIB driver installed; the bus is simulated (%1)")
                                .arg(place));
            return true;
        }
    }
    sayOnStderr(QStringLiteral("cannot load the GPIB driver library (tried %1)")
                    .arg(candidates_.join(QLatin1String(", "))));
    return false;
}

QFunctionPointer DriverBinding::resolve(const char *name) {
    if (!load())
        return nullptr;
    QFunctionPointer fn = library_.resolve(name);
    const QString entryName = QString::fromLatin1(name);
    if (!fn && !reported_.contains(entryName)) {
        reported_ << entryName;
        sayOnStderr(QStringLiteral("the GPIB driver %1 has no entry point %2")
                        .arg(library_.fileName(), entryName));
    }
    return fn;
}

} // namespace gpib
