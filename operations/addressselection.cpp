// SPDX-License-Identifier: MIT
#include "operations/addressselection.h"

#include "gpib/wrappers.h"
#include "operations/numericvalue.h"
#include "status/numberforms.h"

#include <limits>
#include <optional>

namespace operations {

namespace {

using status::signedForm;

struct Address {
    int16 pad = 0;
    int16 sad = 0;
};

void reject(View &view, const QString &message) {
    view.beep();
    view.setText(View::Box::Results, message);
}

void rejectRange(View &view) {
    reject(view, QStringLiteral(
                     "Device Address outside of 0 to 30 or 100 to 3030 range, please reenter"));
}

// A three-character text is one digit of primary address and two of secondary part, a
// four-character text two and two; every character counts, blanks included. Two characters
// read as at most 99, so both parts always fit 16 bits.
std::optional<Address> splitAddress(const QString &text) {
    const qsizetype primaryDigits = text.size() - 2;
    if (primaryDigits != 1 && primaryDigits != 2)
        return std::nullopt;
    const auto pad = roundedInt16(numericValue(text.left(primaryDigits)));
    const auto sad = roundedInt16(numericValue(text.mid(primaryDigits)) + 96);
    return Address{*pad, *sad};
}

// The bus address word pad + 256 * sad, or nothing when it does not fit 16 bits (a secondary
// part of 32 or more).
std::optional<int16> addressWord(const Address &a) {
    const int word = a.pad + 256 * a.sad;
    if (word < std::numeric_limits<int16>::min() || word > std::numeric_limits<int16>::max())
        return std::nullopt;
    return static_cast<int16>(word);
}

void takeOldDeviceOffline(BenchState &b) {
    if (b.ud != 0)
        gpib::ibonl(b.ud, 0);
}

void accept(BenchState &b, const Address &a, int16 word) {
    b.pad = a.pad;
    b.sad = a.sad;
    TargetAddr = word;
}

// Opens the device at the accepted address and tells whether it listens.
void openDevice(View &view, BenchState &b, int16 number) {
    b.Device = number;
    gpib::ibdev(b.BD, b.pad, b.sad, b.vtmo, gpib::kEndWithEoi, b.eos, b.ud);
    int16 listener = 0;
    gpib::ibln(b.ud, b.pad, b.sad, listener);
    if (listener != 0) {
        view.setText(View::Box::Results,
                     QStringLiteral("Device Address => ") + signedForm(b.Device));
        b.FoundFlg = 1;
    } else {
        view.setText(View::Box::Results, QStringLiteral("Device not present at address ") +
                                             signedForm(b.Device) +
                                             QStringLiteral(".  Check device address and retry"));
        view.beep();
    }
}

void select(View &view, BenchState &b, const QString &text) {
    const std::optional<int16> v = roundedInt16(numericValue(text));
    if (v == b.Ctlraddr) {
        reject(view,
               QStringLiteral("New Device address same as Controller's address,  please reenter"));
        return;
    }
    b.FoundFlg = 0;
    if (v && *v >= 100 && *v <= 3030) {
        const std::optional<Address> split = splitAddress(text);
        const std::optional<int16> word = split ? addressWord(*split) : std::nullopt;
        if (split && !word) {
            rejectRange(view);
            return;
        }
        takeOldDeviceOffline(b);
        if (!split) {
            view.setText(View::Box::Error,
                         QStringLiteral("Length of address is out of range, reenter"));
            view.showError(true);
            return;
        }
        accept(b, *split, *word);
    } else if (!v || *v < 0 || *v > 30) {
        rejectRange(view);
        return;
    } else {
        takeOldDeviceOffline(b);
        accept(b, Address{*v, 0}, *v);
    }
    openDevice(view, b, *v);
}

} // namespace

void setAddress(View &view, BenchState &bench) {
    view.showError(false);
    select(view, bench, view.text(View::Box::Address));
    view.setText(View::Box::Command, QString());
}

} // namespace operations
