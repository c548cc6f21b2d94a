// SPDX-License-Identifier: MIT
#include "libraryapi.h"

#include <QLibrary>

namespace plustest {

namespace {

// QLibrary finds an export by name as dlsym and GetProcAddress do; the caller knows its type.
template <typename Pointer> Pointer found(QLibrary &library, const char *name) {
    return reinterpret_cast<Pointer>(reinterpret_cast<void *>(library.resolve(name)));
}

} // namespace

// The library is never unloaded: a QLibrary left to go out of scope leaves it loaded.
Api loadLibrary(const char *path) {
    Api api;
    QLibrary library(QString::fromUtf8(path));
    library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!library.load())
        return api;
#define DRIVER_CALL(type, name, parameters)                                                        \
    api.name = found<type(DRIVER_STDCALL *) parameters>(library, #name);
#define DRIVER_PLAIN(type, name, parameters)                                                       \
    api.name = found<type(DRIVER_STDCALL *) parameters>(library, #name);
#define DRIVER_ABSENT(type, name, parameters)                                                      \
    api.name = found<type(DRIVER_STDCALL *) parameters>(library, #name);
#define DRIVER_VARIABLE(type, name) api.name = found<type *>(library, #name);
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
