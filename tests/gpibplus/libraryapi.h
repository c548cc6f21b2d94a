// SPDX-License-Identifier: MIT
#pragma once

#include "gpibplus/api/gpibplus.h"

#include <QByteArray>
#include <QString>

namespace plustest {

// A driver library's C calls, loaded by its path so that the simulated bus and the adapters'
// library can be called side by side: the exports of the adapters' table, those not offered
// too, each null where the library lacks it. On 32-bit Windows they are stdcall.
struct Api {
#define DRIVER_CALL(type, name, parameters) type(DRIVER_STDCALL *name) parameters = nullptr;
#define DRIVER_PLAIN(type, name, parameters) type(DRIVER_STDCALL *name) parameters = nullptr;
#define DRIVER_ABSENT(type, name, parameters) type(DRIVER_STDCALL *name) parameters = nullptr;
#define DRIVER_VARIABLE(type, name) type *name = nullptr;
#include "gpibplus/api/calltable.h"
};

// The library at `path`, loaded for good; every call null when it cannot be loaded.
Api loadLibrary(const char *path);

// What a call reported: ibsta within `mask`, iberr, the count, what it brought back, and
// whether the process-wide status variables agree with the thread's.
struct Reported {
    int ibsta = 0;
    int iberr = 0;
    long count = 0;
    QByteArray data;
    bool inStep = false;

    bool operator==(const Reported &) const = default;
};

Reported reported(const Api &api, int mask, const QByteArray &data = {});
QString describe(const Reported &reported);

} // namespace plustest
