// SPDX-License-Identifier: MIT
#include "gpib/driverbinding.h"

#include "gpib/driverlog.h"
#include "gpib/linuxgpibboard.h"

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

// Our own driver libraries' marker exports, found whatever name a library was loaded under.
constexpr char kSimulatedBusMarker[] = "gpibsim_version";
// The "++" adapters' library: the port the user named, or null; it reads the configuration
// and opens nothing.
constexpr char kAdapterMarker[] = "gpibplus_port";
using AdapterPort = const char *(GPIB_CALL *)();

// What a loaded library is, by its markers.
struct Identity {
    bool simulatedBus = false;
    bool adapter = false;
    const char *adapterPort = nullptr;
    bool ours() const { return simulatedBus || adapter; }
};

Identity identify(DriverLibrary &library) {
    Identity identity;
    identity.simulatedBus = library.resolve(kSimulatedBusMarker) != nullptr;
    if (const auto port = reinterpret_cast<AdapterPort>(library.resolve(kAdapterMarker))) {
        identity.adapter = true;
        identity.adapterPort = port();
    }
    return identity;
}

// Whether a loaded candidate is kept, by its condition. One of our libraries loaded under
// linux-gpib's name was put first on the library path on purpose (gpibsim-run, gpibplus-run),
// and is kept without a board. An unknown condition is never met; CMake refuses one in the
// list it builds in.
bool conditionMet(const QString &condition, const Identity &identity, bool (*boardAnswers)()) {
    if (condition.isEmpty())
        return true;
    if (condition == QLatin1String("board"))
        return identity.ours() || boardAnswers();
    if (condition == QLatin1String("port"))
        return identity.adapterPort != nullptr;
    return false;
}

} // namespace

DriverBinding &DriverBinding::instance() {
    static DriverBinding binding;
    return binding;
}

DriverBinding::DriverBinding() : boardAnswers_(linuxGpibBoardAnswers) {
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
        const qsizetype mark = candidate.lastIndexOf(QLatin1Char('?'));
        const QString place = placeOf(mark < 0 ? candidate : candidate.left(mark));
        if (!library_.load(place))
            continue;
        const Identity identity = identify(library_);
        if (!conditionMet(mark < 0 ? QString() : candidate.mid(mark + 1), identity,
                          boardAnswers_)) {
            library_.unload();
            continue;
        }
        if (identity.simulatedBus)
            qCWarning(driverLog, "no GPIB driver installed; the bus is simulated (%s)",
                      qPrintable(place));
        else if (identity.adapterPort)
            qCWarning(driverLog, "GPIB through the \"++\" adapter at %s (%s)", identity.adapterPort,
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
