// SPDX-License-Identifier: MIT
#pragma once

#include "gpib/entrypoints.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// What the fake driver answers to one call of an entry point. Unset values take defaults
// that describe a plain success.
struct Outcome {
    int sta = 0x0100; // CMPL
    int err = 0;
    int cnt = 0;
    std::optional<long> cntl;          // defaults to cnt
    std::optional<int> result;         // ibfind 0, ibdev 16, other ib* calls sta
    short listener = 1;                // ibln's flag
    short statusByte = 0;              // ReadStatusByte's status
    QByteArray bytes;                  // written into Receive's buffer, at most its size
    std::vector<gpib::Addr4882> words; // written into FindLstn's results, at most limit
};

// A scripted fake of the driver library, installed into the binding for its lifetime.
// It records every call (but the four status reads) as text such as "Send(0, 4, *IDN?, 5, 1)"
// and answers each with the next outcome scripted for that entry point, or a success.
class FakeDriver {
public:
    FakeDriver();
    ~FakeDriver();
    FakeDriver(const FakeDriver &) = delete;
    FakeDriver &operator=(const FakeDriver &) = delete;

    void script(const QString &entry, const Outcome &outcome);
    // Makes one entry point unresolvable, as if the library did not export it.
    void remove(const QString &entry);

    QStringList calls;
    // How many of the recorded calls are of the entry point, such as "Send".
    int callsOf(const QString &entry) const;
    QByteArray lastSent; // the bytes of the last Send, exactly as the driver got them
    int statusReads = 0; // calls of the four Thread* entry points
    // Called with each recorded call, while the driver "works": lets a test look at the
    // window as it stands during the call.
    std::function<void(const QString &call)> onCall;
    // The outcome of a call nothing is scripted for; a plain success when unset. The fuzz
    // targets draw it from their input.
    std::function<Outcome(const QString &entry)> unscripted;

    // Used by the entry points; not for tests.
    static FakeDriver *active;
    Outcome next(const QString &entry);
    Outcome last;

private:
    QHash<QString, QList<Outcome>> scripts_;
};

// "[1..30,-1]": a list of address words up to and including the end mark, runs shortened. At
// most the 33 words of a listener list are read.
QString addressListText(const gpib::Addr4882 *words);
