// SPDX-License-Identifier: MIT
#include "startupreport.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <limits>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point processStart;

void markProcessStart(int, char **, char **) {
    processStart = Clock::now();
}

using PreInitialiser = void (*)(int, char **, char **);

// Pre-initialisers are honoured in executables only; this object is linked into each one.
[[gnu::used, gnu::section(".preinit_array")]] PreInitialiser markAtStart = markProcessStart;

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = -1;
            status >> kib;
            return kib;
        }
        status.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    return -1;
}

// Reports once the window's first paint is over: the report is queued behind the paint,
// which is painted and flushed in one go.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Paint && !painted_) {
            painted_ = true;
            QMetaObject::invokeMethod(this, &FirstPaint::report, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void report() {
        const std::chrono::duration<double, std::milli> startup = Clock::now() - processStart;
        const double cpuMs = 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
        std::printf("startup_ms=%.2f cpu_ms=%.2f rss_kib=%ld\n", startup.count(), cpuMs,
                    residentKiB());
        std::fflush(stdout);
        QCoreApplication::quit();
    }

    bool painted_ = false;
};

} // namespace

int showAndReportStartup(QWidget &window) {
    FirstPaint firstPaint;
    window.installEventFilter(&firstPaint);
    window.show();
    return QApplication::exec();
}
