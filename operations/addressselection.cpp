#include "operations/addressselection.h"

#include "gpib/gpib32.h"
#include "operations/numericvalue.h"
#include "panel/beep.h"
#include "panel/form1.h"
#include "status/numberforms.h"

#include <limits>
#include <optional>

namespace operations {

namespace {

using int16 = BenchState::int16;

constexpr int16 kEndWithEoi = 1;

struct Address {
    int16 pad = 0;
    int16 sad = 0;
};

void Reject(Form1 &form, const QString &message) {
    panel::Beep();
    form.ui.txtResults->setText(message);
}

void RejectRange(Form1 &form) {
    Reject(form, QStringLiteral(
                     "Device Address outside of 0 to 30 or 100 to 3030 range, please reenter"));
}

// A three-character text is one digit of primary address and two of secondary part, a
// four-character text two and two; every character counts, blanks included. Two characters
// read as at most 99, so both parts always fit 16 bits.
std::optional<Address> Split(const QString &text) {
    const qsizetype primaryDigits = text.size() - 2;
    if (primaryDigits != 1 && primaryDigits != 2)
        return std::nullopt;
    const auto pad = RoundedInt16(NumericValue(text.left(primaryDigits)));
    const auto sad = RoundedInt16(NumericValue(text.mid(primaryDigits)) + 96);
    return Address{*pad, *sad};
}

// The bus address word pad + 256 * sad, or nothing when it does not fit 16 bits (a secondary
// part of 32 or more).
std::optional<int16> Word(const Address &a) {
    const int word = a.pad + 256 * a.sad;
    if (word < std::numeric_limits<int16>::min() || word > std::numeric_limits<int16>::max())
        return std::nullopt;
    return static_cast<int16>(word);
}

void TakeOldDeviceOffline(BenchState &b) {
    if (b.ud != 0)
        GPIB32::ibonl(b.ud, 0);
}

void Accept(BenchState &b, const Address &a, int16 word) {
    b.pad = a.pad;
    b.sad = a.sad;
    GPIB32::TargetAddr = word;
}

// Opens the device at the accepted address and tells whether it listens.
void OpenDevice(Form1 &form, int16 number) {
    BenchState &b = form.bench;
    b.Device = number;
    GPIB32::ibdev(b.BD, b.pad, b.sad, b.vtmo, kEndWithEoi, b.eos, b.ud);
    int16 listener = 0;
    GPIB32::ibln(b.ud, b.pad, b.sad, listener);
    if (listener != 0) {
        form.ui.txtResults->setText(QStringLiteral("Device Address => ") + SignedForm(b.Device));
        b.FoundFlg = 1;
    } else {
        form.ui.txtResults->setText(QStringLiteral("Device not present at address ") +
                                    SignedForm(b.Device) +
                                    QStringLiteral(".  Check device address and retry"));
        panel::Beep();
    }
}

void Select(Form1 &form, const QString &text) {
    BenchState &b = form.bench;
    const std::optional<int16> v = RoundedInt16(NumericValue(text));
    if (v == b.Ctlraddr) {
        Reject(form,
               QStringLiteral("New Device address same as Controller's address,  please reenter"));
        return;
    }
    b.FoundFlg = 0;
    if (v && *v >= 100 && *v <= 3030) {
        const std::optional<Address> split = Split(text);
        const std::optional<int16> word = split ? Word(*split) : std::nullopt;
        if (split && !word) {
            RejectRange(form);
            return;
        }
        TakeOldDeviceOffline(b);
        if (!split) {
            form.ui.txtError->setText(QStringLiteral("Length of address is out of range, reenter"));
            form.ui.txtError->show();
            return;
        }
        Accept(b, *split, *word);
    } else if (!v || *v < 0 || *v > 30) {
        RejectRange(form);
        return;
    } else {
        TakeOldDeviceOffline(b);
        Accept(b, Address{*v, 0}, *v);
    }
    OpenDevice(form, *v);
}

} // namespace

void SetAddress(Form1 &form) {
    form.ui.txtError->hide();
    Select(form, form.ui.txtAddr->text());
    form.ui.txtCmd->setText(QString());
}

} // namespace operations
