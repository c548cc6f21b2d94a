// SPDX-License-Identifier: MIT
#include "libraryapi.h"

#include <dlfcn.h>

namespace plustest {

Api loadLibrary(const char *path) {
    Api api;
    void *library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
        return api;
#define DRIVER_CALL(type, name, parameters)                                                        \
    api.name = reinterpret_cast<type(*) parameters>(dlsym(library, #name));
#define DRIVER_PLAIN(type, name, parameters)                                                       \
    api.name = reinterpret_cast<type(*) parameters>(dlsym(library, #name));
#define DRIVER_ABSENT(type, name, parameters)                                                      \
    api.name = reinterpret_cast<type(*) parameters>(dlsym(library, #name));
#define DRIVER_VARIABLE(type, name) api.name = static_cast<type *>(dlsym(library, #name));
#include "gpibplus/api/calltable.h"
    return api;
}

Reported reported(const Api &api, int mask, const QByteArray &data) {
    return {.ibsta = api.ThreadIbsta() & mask,
            .iberr = api.ThreadIberr(),
            .count = api.ThreadIbcntl(),
            .data = data,
            .inStep = *api.ibsta == api.ThreadIbsta() && *api.iberr == api.ThreadIberr() &&
                      *api.ibcntl == api.ThreadIbcntl()};
}

QString describe(const Reported &reported) {
    return QStringLiteral("ibsta 0x%1, iberr %2, count %3, data \"%4\"%5")
        .arg(reported.ibsta, 0, 16)
        .arg(reported.iberr)
        .arg(reported.count)
        .arg(QString::fromLatin1(reported.data.toPercentEncoding(" ,.:;+-*?")))
        .arg(reported.inStep ? "" : ", globals out of step");
}

} // namespace plustest
